<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>ZOLT Error</name>
    <message><source>error:</source><translation>erreur :</translation></message>
    <message><source>fatal:</source><translation>fatale :</translation></message>
    <message><source>command line:</source><translation>ligne de commande :</translation></message>
    <message><source>info:</source><translation>T-info</translation></message>
    <message><source>out of memory</source><translation>mémoire épuisée</translation></message>
</context>
<context>
    <name>TALLYGEN</name>
    <message><source>
Usage: </source><translation>
Utilisation : </translation></message>
</context>
<context>
    <name>TALLYGEN status</name>
    <message><source>Passed</source><translation>Réussi</translation></message>
    <message><source>Failed</source><translation>Échoué</translation></message>
</context>
<context>
    <name>TALLYGEN global information</name>
    <message><source>Report Information</source><translation>Informations du rapport</translation></message>
    <message><source>Passed</source><translation>Réussis</translation></message>
</context>
<context>
    <name>ZOLTGEN Cell text</name>
    <message><source>Expression</source><translation>Expression vérifiée</translation></message>
</context>
<context>
    <name>ZOLTGEN KvsType</name>
    <message><source>Test Case</source><translation>Cas de test</translation></message>
    <message><source>Test Driver</source><translation>Pilote de test</translation></message>
    <message><source>-~</source><translation>jamais</translation></message>
</context>
</TS>
