<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>ZEPHIdent</name>
    <message>
        <source>Tallyrpt</source>
        <translation>Tallyrpt</translation>
    </message>
    <message>
        <source>Java Test Report Generator</source>
        <translation>Generator für Java-Testberichte</translation>
    </message>
    <message>
        <source>1.0.0</source>
        <translation>1.0.0</translation>
    </message>
    <message>
        <source>Copyright (C) 2026 The Tallyrpt Authors.</source>
        <translation>Copyright (C) 2026 Die Autoren von Tallyrpt.</translation>
    </message>
    <message>
        <source>All rights reserved.</source>
        <translation>Alle Rechte vorbehalten.</translation>
    </message>
</context>
</TS>
