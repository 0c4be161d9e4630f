<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>ZOLT Error</name>
    <message><source>error:</source><translation>Z-erreur</translation></message>
    <message><source>%1, no such file or directory.</source><translation>Z %1</translation></message>
</context>
<context>
    <name>ZEPHIdent</name>
    <message><source>Java Test Report Generator</source><translation>Générateur de rapports de tests Java</translation></message>
    <message><source>All rights reserved.</source><translation>Tous droits réservés.</translation></message>
</context>
</TS>
