<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>tallyview</name>
    <message>
        <source>newly failing</source>
        <translation>neu fehlgeschlagen</translation>
    </message>
    <message>
        <source>fixed</source>
        <translation>behoben</translation>
    </message>
    <message>
        <source>still failing</source>
        <translation>weiterhin fehlgeschlagen</translation>
    </message>
    <message>
        <source>new</source>
        <translation>neu</translation>
    </message>
    <message>
        <source>removed</source>
        <translation>entfernt</translation>
    </message>
    <message>
        <source>Compared with %1</source>
        <translation>Verglichen mit %1</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Changed only</source>
        <translation>Nur Änderungen</translation>
    </message>
    <message>
        <source>Expand all</source>
        <translation>Alle aufklappen</translation>
    </message>
    <message>
        <source>Collapse all</source>
        <translation>Alle zuklappen</translation>
    </message>
    <message>
        <source>error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>see tallyview --help</source>
        <translation>siehe tallyview --help</translation>
    </message>
    <message>
        <source>standard output is a terminal: give -o FILE (&quot;-o -&quot; writes here anyway), or --summary</source>
        <translation>die Standardausgabe ist ein Terminal: -o DATEI angeben („-o -“ schreibt trotzdem dorthin) oder --summary</translation>
    </message>
    <message>
        <source>standard output: cannot be written</source>
        <translation>Standardausgabe: kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>%1: cannot be written: %2</source>
        <translation>%1: kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>standard output: %1</source>
        <translation>Standardausgabe: %1</translation>
    </message>
    <message>
        <source>not a results file: the root element is &lt;%1&gt;, not &lt;XROD&gt;</source>
        <translation>keine Ergebnisdatei: das Wurzelelement ist &lt;%1&gt;, nicht &lt;XROD&gt;</translation>
    </message>
    <message>
        <source>not well-formed XML (line %1, column %2: %3)</source>
        <translation>kein wohlgeformtes XML (Zeile %1, Spalte %2: %3)</translation>
    </message>
    <message>
        <source>not a results file: no DOCUMENT element</source>
        <translation>keine Ergebnisdatei: kein DOCUMENT-Element</translation>
    </message>
    <message>
        <source>not a results file: no summary counts</source>
        <translation>keine Ergebnisdatei: keine Zusammenfassung der Zahlen</translation>
    </message>
    <message>
        <source>cannot be read: %1</source>
        <translation>kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>Compared with %1: %2</source>
        <translation>Verglichen mit %1: %2</translation>
    </message>
    <message>
        <source>(%1 more messages)</source>
        <translation>(%1 weitere Meldungen)</translation>
    </message>
    <message>
        <source>Traces</source>
        <translation>Traces</translation>
    </message>
    <message>
        <source>%1: cannot be read as a trace</source>
        <translation>%1: kann nicht als Trace gelesen werden</translation>
    </message>
    <message>
        <source>KORVELDIR is not set: reading traces needs the installation directory, as tallyrpt does</source>
        <translation>KORVELDIR ist nicht gesetzt: das Lesen der Traces braucht das Installationsverzeichnis, wie bei tallyrpt</translation>
    </message>
    <message>
        <source>KORVELDIR: no folder %1</source>
        <translation>KORVELDIR: kein Ordner %1</translation>
    </message>
    <message>
        <source>%1: no such file</source>
        <translation>%1: Datei nicht gefunden</translation>
    </message>
    <message>
        <source>%1 can be given once</source>
        <translation>%1 darf nur einmal angegeben werden</translation>
    </message>
    <message>
        <source>-tsf needs -tdf, the dynamic trace</source>
        <translation>-tsf braucht -tdf, den dynamischen Trace</translation>
    </message>
    <message>
        <source>give a results file or traces (-tsf, -tdf), not both</source>
        <translation>eine Ergebnisdatei oder Traces (-tsf, -tdf) angeben, nicht beides</translation>
    </message>
    <message>
        <source>no results file or traces (-tsf, -tdf) given</source>
        <translation>keine Ergebnisdatei und keine Traces (-tsf, -tdf) angegeben</translation>
    </message>
    <message>
        <source>--baseline and --baseline-tdf exclude each other</source>
        <translation>--baseline und --baseline-tdf schließen einander aus</translation>
    </message>
    <message>
        <source>--baseline-tsf needs --baseline-tdf</source>
        <translation>--baseline-tsf braucht --baseline-tdf</translation>
    </message>
    <message>
        <source>--baseline-tdf needs --baseline-tsf when the run is a results file</source>
        <translation>--baseline-tdf braucht --baseline-tsf, wenn der Lauf eine Ergebnisdatei ist</translation>
    </message>
    <message>
        <source>--summary and the %1 output would both go to standard output: give -o</source>
        <translation>--summary und die %1-Ausgabe gingen beide auf die Standardausgabe: -o angeben</translation>
    </message>
    <message>
        <source>--case-output and --passed-output are for --junit</source>
        <translation>--case-output und --passed-output gelten nur für --junit</translation>
    </message>
    <message>
        <source>--html and --junit exclude each other</source>
        <translation>--html und --junit schließen einander aus</translation>
    </message>
    <message>
        <source>%1 needs a file name</source>
        <translation>%1 braucht einen Dateinamen</translation>
    </message>
    <message>
        <source>only one results file can be given</source>
        <translation>nur eine Ergebnisdatei kann angegeben werden</translation>
    </message>
    <message>
        <source>Usage: tallyview [options] RESULTS.xrd
       tallyview [options] -tsf A.tsf [B.tsf ...] -tdf RUN.tdf
Writes an HTML page (default) or a JUnit XML file from a results file, or from
the traces themselves: then every check shows its own messages, and the cases
that did not run are listed (KORVELDIR and ZEPH_STUDIO_HEADER_FILE as for tallyrpt).
  -tsf FILE...         the static traces (the list runs up to the next option)
  -tdf FILE            the dynamic trace
  --html               one self-contained HTML page
  --junit              JUnit XML for CI servers
  -o, --output FILE    the file to write; &quot;-&quot; for standard output, the default
                       unless standard output is a terminal
  --summary            counts and one line per failed check on standard output
                       (with -o, besides the file)
  --fail-on-failure    exit status 3 when anything failed
  --baseline OLD.xrd   compare with an earlier results file: each case is marked
                       newly failing, fixed, still failing, new or removed
  --baseline-tdf OLD.tdf
                       compare with an earlier dynamic trace, read over this
                       run&apos;s static traces
  --baseline-tsf FILE...
                       the earlier run&apos;s static traces, when they differ
  --case-output        JUnit: each case&apos;s Print output in a &lt;system-out&gt; of its
                       own (read by CI servers; outside the common JUnit schema)
  --passed-output      JUnit: the Print output of cases that did not fail too
  -h, --help           this text
  --version            the version
Exit status: 0 written, 1 an input or output failed, 2 bad command line,
3 something failed (with --fail-on-failure).
</source>
        <translation>Aufruf: tallyview [Optionen] ERGEBNISSE.xrd
        tallyview [Optionen] -tsf A.tsf [B.tsf ...] -tdf LAUF.tdf
Schreibt eine HTML-Seite (Standard) oder eine JUnit-XML-Datei aus einer Ergebnisdatei
oder aus den Traces selbst: dann zeigt jede Prüfung ihre eigenen Meldungen, und die
nicht ausgeführten Fälle werden aufgeführt (KORVELDIR und ZEPH_STUDIO_HEADER_FILE wie
bei tallyrpt).
  -tsf DATEI...        die statischen Traces (die Liste reicht bis zur nächsten Option)
  -tdf DATEI           der dynamische Trace
  --html               eine eigenständige HTML-Seite
  --junit              JUnit-XML für CI-Server
  -o, --output DATEI   die zu schreibende Datei; „-“ für die Standardausgabe, die
                       Vorgabe, außer wenn die Standardausgabe ein Terminal ist
  --summary            Zahlen und eine Zeile je fehlgeschlagener Prüfung auf der
                       Standardausgabe (mit -o zusätzlich zur Datei)
  --fail-on-failure    Exit-Status 3, wenn etwas fehlgeschlagen ist
  --baseline ALT.xrd   mit einer früheren Ergebnisdatei vergleichen: jeder Fall wird
                       als neu fehlgeschlagen, behoben, weiterhin fehlgeschlagen,
                       neu oder entfernt markiert
  --baseline-tdf ALT.tdf
                       mit einem früheren dynamischen Trace vergleichen, gelesen
                       über die statischen Traces dieses Laufs
  --baseline-tsf DATEI...
                       die statischen Traces des früheren Laufs, wenn sie abweichen
  --case-output        JUnit: die Print-Ausgabe jedes Falls in einem eigenen
                       &lt;system-out&gt; (von CI-Servern gelesen; außerhalb des üblichen
                       JUnit-Schemas)
  --passed-output      JUnit: auch die Print-Ausgabe der nicht fehlgeschlagenen Fälle
  -h, --help           dieser Text
  --version            die Version
Exit-Status: 0 geschrieben, 1 eine Ein- oder Ausgabe ist fehlgeschlagen, 2 falsche
Befehlszeile, 3 etwas ist fehlgeschlagen (mit --fail-on-failure).
</translation>
    </message>
    <message>
        <source>Not Executed</source>
        <translation>Nicht ausgeführt</translation>
    </message>
    <message>
        <source>%1 more: see &quot;Changed only&quot;</source>
        <translation>%1 weitere: siehe „Nur Änderungen“</translation>
    </message>
    <message>
        <source>The test tree needs JavaScript.</source>
        <translation>Der Testbaum braucht JavaScript.</translation>
    </message>
    <message>
        <source>%1 matches</source>
        <translation>%1 Treffer</translation>
    </message>
    <message>
        <source>Link to this case</source>
        <translation>Link auf diesen Fall</translation>
    </message>
    <message>
        <source>Loading…</source>
        <translation>Wird geladen…</translation>
    </message>
    <message>
        <source>Nothing to show</source>
        <translation>Nichts anzuzeigen</translation>
    </message>
    <message>
        <source>not well-formed XML</source>
        <translation>kein wohlgeformtes XML</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>Speicher erschöpft</translation>
    </message>
</context>
</TS>
