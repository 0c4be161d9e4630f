<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>ZOLT Error</name>
    <message><source>error:</source><translation>M-erreur</translation></message>
    <message><source>%1, no such file or directory.</source><translation>%1 : fichier ou répertoire introuvable.</translation></message>
</context>
</TS>
