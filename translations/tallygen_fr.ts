<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>TALLYGEN Stub</name>
    <message>
        <source>Executed</source>
        <translation>Exécuté</translation>
    </message>
</context>
<context>
    <name>TALLYGEN Stub row title</name>
    <message>
        <source>Expression</source>
        <translation>Expression</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>État</translation>
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
        <translation>Informations sur le rapport</translation>
    </message>
    <message>
        <source>Project</source>
        <translation>Projet</translation>
    </message>
    <message>
        <source>Project File</source>
        <translation>Fichier de projet</translation>
    </message>
    <message>
        <source>Project Configuration</source>
        <translation>Configuration du projet</translation>
    </message>
    <message>
        <source>Workspace</source>
        <translation>Espace de travail</translation>
    </message>
    <message>
        <source>Test Node</source>
        <translation>Nœud de test</translation>
    </message>
    <message>
        <source>Report File</source>
        <translation>Fichier de rapport</translation>
    </message>
    <message>
        <source>Generation Time</source>
        <translation>Date de génération</translation>
    </message>
    <message>
        <source>Passed</source>
        <translation>Réussis</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Échoués</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>Total</translation>
    </message>
</context>
<context>
    <name>TALLYGEN status</name>
    <message>
        <source>Passed</source>
        <translation>Réussi</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Échoué</translation>
    </message>
    <message>
        <source>Not Executed</source>
        <translation>Non exécuté</translation>
    </message>
</context>
<context>
    <name>ZOLTGEN Cell text</name>
    <message>
        <source>Expression</source>
        <translation>Expression</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message>
        <source>Executed</source>
        <translation>Exécutés</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Échoués</translation>
    </message>
    <message>
        <source>Passed</source>
        <translation>Réussis</translation>
    </message>
</context>
<context>
    <name>ZOLTGEN KvsType</name>
    <message>
        <source>Prologue</source>
        <translation>Prologue</translation>
    </message>
    <message>
        <source>Epilogue</source>
        <translation>Épilogue</translation>
    </message>
    <message>
        <source>Check Expression</source>
        <translation>Expression de vérification</translation>
    </message>
    <message>
        <source>Checksum</source>
        <translation>Somme de contrôle</translation>
    </message>
    <message>
        <source>Class</source>
        <translation>Classe</translation>
    </message>
    <message>
        <source>Check Method</source>
        <translation>Méthode de vérification</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Commentaire</translation>
    </message>
    <message>
        <source>Call</source>
        <translation>Appel</translation>
    </message>
    <message>
        <source>Check Stub</source>
        <translation>Vérification de bouchon</translation>
    </message>
    <message>
        <source>Check Exception</source>
        <translation>Vérification d’exception</translation>
    </message>
    <message>
        <source>Check Property</source>
        <translation>Vérification de propriété</translation>
    </message>
    <message>
        <source>Post Condition</source>
        <translation>Postcondition</translation>
    </message>
    <message>
        <source>Expression</source>
        <translation>Expression</translation>
    </message>
    <message>
        <source># </source>
        <translation># </translation>
    </message>
    <message>
        <source>Test Driver</source>
        <translation>Pilote de test</translation>
    </message>
    <message>
        <source>Invariant</source>
        <translation>Invariant</translation>
    </message>
    <message>
        <source>Proc</source>
        <translation>Procédure</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Affichage</translation>
    </message>
    <message>
        <source>Property</source>
        <translation>Propriété</translation>
    </message>
    <message>
        <source>Run Component</source>
        <translation>Composant d’exécution</translation>
    </message>
    <message>
        <source>Pre Condition</source>
        <translation>Précondition</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Exécution</translation>
    </message>
    <message>
        <source>Stub</source>
        <translation>Bouchon</translation>
    </message>
    <message>
        <source>Single Class</source>
        <translation>Classe unique</translation>
    </message>
    <message>
        <source>State</source>
        <translation>État</translation>
    </message>
    <message>
        <source>Test Case</source>
        <translation>Cas de test</translation>
    </message>
    <message>
        <source>Test Class</source>
        <translation>Classe de test</translation>
    </message>
    <message>
        <source>Transition</source>
        <translation>Transition</translation>
    </message>
    <message>
        <source>Test Suite</source>
        <translation>Suite de tests</translation>
    </message>
    <message>
        <source>Method Contract</source>
        <translation>Contrat de méthode</translation>
    </message>
    <message>
        <source>Observation State</source>
        <translation>État observé</translation>
    </message>
    <message>
        <source>Test Compiler Version</source>
        <translation>Version du compilateur de tests</translation>
    </message>
    <message>
        <source>Test Compilation Time</source>
        <translation>Date de compilation des tests</translation>
    </message>
</context>
</TS>
