<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>TALLYGEN</name>
    <message>
        <source>
Usage: </source>
        <translation>
Utilisation : </translation>
    </message>
    <message>
        <source> -tsf &lt;tsfFile&gt; -tdf &lt;tdfFile&gt; -xrd &lt;xrdFile&gt;
         &lt;tsfFile&gt;     Trace static filename
         &lt;tdfFile&gt;     Trace dynamic filename
         &lt;xrdFile&gt;     Results filename

</source>
        <translation> -tsf &lt;tsfFile&gt; -tdf &lt;tdfFile&gt; -xrd &lt;xrdFile&gt;
         &lt;tsfFile&gt;     Fichier de trace statique
         &lt;tdfFile&gt;     Fichier de trace dynamique
         &lt;xrdFile&gt;     Fichier de résultats

</translation>
    </message>
</context>
<context>
    <name>ZOLT Error</name>
    <message>
        <source>internal error: %1</source>
        <translation>erreur interne : %1</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>mémoire épuisée</translation>
    </message>
    <message>
        <source>%1, no such file or directory.</source>
        <translation>%1, fichier ou répertoire introuvable.</translation>
    </message>
    <message>
        <source>%1, file format not recognized.</source>
        <translation>%1, format de fichier non reconnu.</translation>
    </message>
    <message>
        <source>%1, permission denied;</source>
        <translation>%1, permission refusée ;</translation>
    </message>
    <message>
        <source>%1, write failed.</source>
        <translation>%1, échec de l’écriture.</translation>
    </message>
    <message>
        <source>(unexpected error)</source>
        <translation>(erreur inattendue)</translation>
    </message>
    <message>
        <source>info:</source>
        <translation>info :</translation>
    </message>
    <message>
        <source>warning:</source>
        <translation>avertissement :</translation>
    </message>
    <message>
        <source>error:</source>
        <translation>erreur :</translation>
    </message>
    <message>
        <source>fatal:</source>
        <translation>erreur fatale :</translation>
    </message>
    <message>
        <source>lexical error:</source>
        <translation>erreur lexicale :</translation>
    </message>
    <message>
        <source>syntax error:</source>
        <translation>erreur de syntaxe :</translation>
    </message>
    <message>
        <source>semantic error:</source>
        <translation>erreur sémantique :</translation>
    </message>
    <message>
        <source>command line:</source>
        <translation>ligne de commande :</translation>
    </message>
</context>
</TS>
