<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>TALLYGEN Stub</name>
    <message>
        <source>Executed</source>
        <translation>Ausgeführt</translation>
    </message>
</context>
<context>
    <name>TALLYGEN Stub row title</name>
    <message>
        <source>Expression</source>
        <translation>Ausdruck</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>entermethod()</source>
        <translation>entermethod()</translation>
    </message>
    <message>
        <source>fail()</source>
        <translation>fail()</translation>
    </message>
    <message>
        <source>exitmethod()</source>
        <translation>exitmethod()</translation>
    </message>
</context>
<context>
    <name>TALLYGEN global information</name>
    <message>
        <source>Report Information</source>
        <translation>Berichtsinformationen</translation>
    </message>
    <message>
        <source>Project</source>
        <translation>Projekt</translation>
    </message>
    <message>
        <source>Project File</source>
        <translation>Projektdatei</translation>
    </message>
    <message>
        <source>Project Configuration</source>
        <translation>Projektkonfiguration</translation>
    </message>
    <message>
        <source>Workspace</source>
        <translation>Arbeitsbereich</translation>
    </message>
    <message>
        <source>Test Node</source>
        <translation>Testknoten</translation>
    </message>
    <message>
        <source>Report File</source>
        <translation>Berichtsdatei</translation>
    </message>
    <message>
        <source>Generation Time</source>
        <translation>Erstellungszeit</translation>
    </message>
    <message>
        <source>Passed</source>
        <translation>Bestanden</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>Gesamt</translation>
    </message>
</context>
<context>
    <name>TALLYGEN status</name>
    <message>
        <source>Passed</source>
        <translation>Bestanden</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>Not Executed</source>
        <translation>Nicht ausgeführt</translation>
    </message>
</context>
<context>
    <name>ZOLTGEN Cell text</name>
    <message>
        <source>Expression</source>
        <translation>Ausdruck</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Executed</source>
        <translation>Ausgeführt</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>Passed</source>
        <translation>Bestanden</translation>
    </message>
</context>
<context>
    <name>ZOLTGEN KvsType</name>
    <message>
        <source>Prologue</source>
        <translation>Prolog</translation>
    </message>
    <message>
        <source>Epilogue</source>
        <translation>Epilog</translation>
    </message>
    <message>
        <source>Check Expression</source>
        <translation>Prüfausdruck</translation>
    </message>
    <message>
        <source>Checksum</source>
        <translation>Prüfsumme</translation>
    </message>
    <message>
        <source>Class</source>
        <translation>Klasse</translation>
    </message>
    <message>
        <source>Check Method</source>
        <translation>Prüfmethode</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
    <message>
        <source>Call</source>
        <translation>Aufruf</translation>
    </message>
    <message>
        <source>Check Stub</source>
        <translation>Stub-Prüfung</translation>
    </message>
    <message>
        <source>Check Exception</source>
        <translation>Ausnahmeprüfung</translation>
    </message>
    <message>
        <source>Check Property</source>
        <translation>Eigenschaftsprüfung</translation>
    </message>
    <message>
        <source>Post Condition</source>
        <translation>Nachbedingung</translation>
    </message>
    <message>
        <source>Expression</source>
        <translation>Ausdruck</translation>
    </message>
    <message>
        <source># </source>
        <translation># </translation>
    </message>
    <message>
        <source>Test Driver</source>
        <translation>Testtreiber</translation>
    </message>
    <message>
        <source>Invariant</source>
        <translation>Invariante</translation>
    </message>
    <message>
        <source>Proc</source>
        <translation>Prozedur</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Ausgabe</translation>
    </message>
    <message>
        <source>Property</source>
        <translation>Eigenschaft</translation>
    </message>
    <message>
        <source>Run Component</source>
        <translation>Ausführungskomponente</translation>
    </message>
    <message>
        <source>Pre Condition</source>
        <translation>Vorbedingung</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Ausführung</translation>
    </message>
    <message>
        <source>Stub</source>
        <translation>Stub</translation>
    </message>
    <message>
        <source>Single Class</source>
        <translation>Einzelklasse</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>Test Case</source>
        <translation>Testfall</translation>
    </message>
    <message>
        <source>Test Class</source>
        <translation>Testklasse</translation>
    </message>
    <message>
        <source>Transition</source>
        <translation>Übergang</translation>
    </message>
    <message>
        <source>Test Suite</source>
        <translation>Testsuite</translation>
    </message>
    <message>
        <source>Method Contract</source>
        <translation>Methodenvertrag</translation>
    </message>
    <message>
        <source>Observation State</source>
        <translation>Beobachtungszustand</translation>
    </message>
    <message>
        <source>Test Compiler Version</source>
        <translation>Version des Testcompilers</translation>
    </message>
    <message>
        <source>Test Compilation Time</source>
        <translation>Kompilierzeit der Tests</translation>
    </message>
</context>
</TS>
