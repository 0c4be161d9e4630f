<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>TALLYGEN</name>
    <message>
        <source>
Usage: </source>
        <translation>
Verwendung: </translation>
    </message>
    <message>
        <source> -tsf &lt;tsfFile&gt; -tdf &lt;tdfFile&gt; -xrd &lt;xrdFile&gt;
         &lt;tsfFile&gt;     Trace static filename
         &lt;tdfFile&gt;     Trace dynamic filename
         &lt;xrdFile&gt;     Results filename

</source>
        <translation> -tsf &lt;tsfFile&gt; -tdf &lt;tdfFile&gt; -xrd &lt;xrdFile&gt;
         &lt;tsfFile&gt;     Statische Trace-Datei
         &lt;tdfFile&gt;     Dynamische Trace-Datei
         &lt;xrdFile&gt;     Ergebnisdatei

</translation>
    </message>
</context>
<context>
    <name>ZOLT Error</name>
    <message>
        <source>internal error: %1</source>
        <translation>interner Fehler: %1</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>Speicher erschöpft</translation>
    </message>
    <message>
        <source>%1, no such file or directory.</source>
        <translation>%1, Datei oder Verzeichnis nicht gefunden.</translation>
    </message>
    <message>
        <source>%1, file format not recognized.</source>
        <translation>%1, Dateiformat nicht erkannt.</translation>
    </message>
    <message>
        <source>%1, permission denied;</source>
        <translation>%1, Zugriff verweigert;</translation>
    </message>
    <message>
        <source>%1, write failed.</source>
        <translation>%1, Schreiben fehlgeschlagen.</translation>
    </message>
    <message>
        <source>(unexpected error)</source>
        <translation>(unerwarteter Fehler)</translation>
    </message>
    <message>
        <source>info:</source>
        <translation>Info:</translation>
    </message>
    <message>
        <source>warning:</source>
        <translation>Warnung:</translation>
    </message>
    <message>
        <source>error:</source>
        <translation>Fehler:</translation>
    </message>
    <message>
        <source>fatal:</source>
        <translation>schwerer Fehler:</translation>
    </message>
    <message>
        <source>lexical error:</source>
        <translation>lexikalischer Fehler:</translation>
    </message>
    <message>
        <source>syntax error:</source>
        <translation>Syntaxfehler:</translation>
    </message>
    <message>
        <source>semantic error:</source>
        <translation>semantischer Fehler:</translation>
    </message>
    <message>
        <source>command line:</source>
        <translation>Befehlszeile:</translation>
    </message>
</context>
</TS>
