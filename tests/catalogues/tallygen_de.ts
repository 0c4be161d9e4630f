<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>ZOLT Error</name>
    <message><source>error:</source><translation>Fehler:</translation></message>
</context>
</TS>
