<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>tallyview</name>
    <message>
        <source>newly failing</source>
        <translation>nouvel échec</translation>
    </message>
    <message>
        <source>fixed</source>
        <translation>corrigé</translation>
    </message>
    <message>
        <source>still failing</source>
        <translation>toujours en échec</translation>
    </message>
    <message>
        <source>new</source>
        <translation>nouveau</translation>
    </message>
    <message>
        <source>removed</source>
        <translation>supprimé</translation>
    </message>
    <message>
        <source>Compared with %1</source>
        <translation>Comparé à %1</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Rechercher</translation>
    </message>
    <message>
        <source>Changed only</source>
        <translation>Changements seulement</translation>
    </message>
    <message>
        <source>Expand all</source>
        <translation>Tout déplier</translation>
    </message>
    <message>
        <source>Collapse all</source>
        <translation>Tout replier</translation>
    </message>
    <message>
        <source>error</source>
        <translation>erreur</translation>
    </message>
    <message>
        <source>see tallyview --help</source>
        <translation>voir tallyview --help</translation>
    </message>
    <message>
        <source>standard output is a terminal: give -o FILE (&quot;-o -&quot; writes here anyway), or --summary</source>
        <translation>la sortie standard est un terminal : indiquez -o FICHIER (« -o - » y écrit quand même), ou --summary</translation>
    </message>
    <message>
        <source>standard output: cannot be written</source>
        <translation>sortie standard : écriture impossible</translation>
    </message>
    <message>
        <source>%1: cannot be written: %2</source>
        <translation>%1 : écriture impossible : %2</translation>
    </message>
    <message>
        <source>standard output: %1</source>
        <translation>sortie standard : %1</translation>
    </message>
    <message>
        <source>not a results file: the root element is &lt;%1&gt;, not &lt;XROD&gt;</source>
        <translation>pas un fichier de résultats : l&apos;élément racine est &lt;%1&gt;, pas &lt;XROD&gt;</translation>
    </message>
    <message>
        <source>not well-formed XML (line %1, column %2: %3)</source>
        <translation>XML mal formé (ligne %1, colonne %2 : %3)</translation>
    </message>
    <message>
        <source>not a results file: no DOCUMENT element</source>
        <translation>pas un fichier de résultats : aucun élément DOCUMENT</translation>
    </message>
    <message>
        <source>not a results file: no summary counts</source>
        <translation>pas un fichier de résultats : aucun décompte récapitulatif</translation>
    </message>
    <message>
        <source>cannot be read: %1</source>
        <translation>lecture impossible : %1</translation>
    </message>
    <message>
        <source>Compared with %1: %2</source>
        <translation>Comparé à %1 : %2</translation>
    </message>
    <message>
        <source>(%1 more messages)</source>
        <translation>(%1 messages de plus)</translation>
    </message>
    <message>
        <source>Traces</source>
        <translation>Traces</translation>
    </message>
    <message>
        <source>%1: cannot be read as a trace</source>
        <translation>%1 : illisible comme trace</translation>
    </message>
    <message>
        <source>KORVELDIR is not set: reading traces needs the installation directory, as tallyrpt does</source>
        <translation>KORVELDIR n&apos;est pas défini : la lecture des traces a besoin du répertoire d&apos;installation, comme tallyrpt</translation>
    </message>
    <message>
        <source>KORVELDIR: no folder %1</source>
        <translation>KORVELDIR : aucun dossier %1</translation>
    </message>
    <message>
        <source>%1: no such file</source>
        <translation>%1 : fichier introuvable</translation>
    </message>
    <message>
        <source>%1 can be given once</source>
        <translation>%1 ne peut être donné qu&apos;une fois</translation>
    </message>
    <message>
        <source>-tsf needs -tdf, the dynamic trace</source>
        <translation>-tsf demande -tdf, la trace dynamique</translation>
    </message>
    <message>
        <source>give a results file or traces (-tsf, -tdf), not both</source>
        <translation>donnez un fichier de résultats ou des traces (-tsf, -tdf), pas les deux</translation>
    </message>
    <message>
        <source>no results file or traces (-tsf, -tdf) given</source>
        <translation>aucun fichier de résultats ni traces (-tsf, -tdf) donnés</translation>
    </message>
    <message>
        <source>--baseline and --baseline-tdf exclude each other</source>
        <translation>--baseline et --baseline-tdf s&apos;excluent</translation>
    </message>
    <message>
        <source>--baseline-tsf needs --baseline-tdf</source>
        <translation>--baseline-tsf demande --baseline-tdf</translation>
    </message>
    <message>
        <source>--baseline-tdf needs --baseline-tsf when the run is a results file</source>
        <translation>--baseline-tdf demande --baseline-tsf quand l&apos;exécution est un fichier de résultats</translation>
    </message>
    <message>
        <source>--summary and the %1 output would both go to standard output: give -o</source>
        <translation>--summary et la sortie %1 iraient toutes deux sur la sortie standard : indiquez -o</translation>
    </message>
    <message>
        <source>--case-output and --passed-output are for --junit</source>
        <translation>--case-output et --passed-output sont pour --junit</translation>
    </message>
    <message>
        <source>--html and --junit exclude each other</source>
        <translation>--html et --junit s&apos;excluent</translation>
    </message>
    <message>
        <source>%1 needs a file name</source>
        <translation>%1 demande un nom de fichier</translation>
    </message>
    <message>
        <source>only one results file can be given</source>
        <translation>un seul fichier de résultats peut être donné</translation>
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
        <translation>Usage : tallyview [options] RESULTATS.xrd
        tallyview [options] -tsf A.tsf [B.tsf ...] -tdf EXECUTION.tdf
Écrit une page HTML (par défaut) ou un fichier JUnit XML à partir d&apos;un fichier de
résultats, ou des traces elles-mêmes : chaque vérification montre alors ses propres
messages, et les cas non exécutés sont listés (KORVELDIR et ZEPH_STUDIO_HEADER_FILE
comme pour tallyrpt).
  -tsf FICHIER...      les traces statiques (la liste va jusqu&apos;à l&apos;option suivante)
  -tdf FICHIER         la trace dynamique
  --html               une page HTML autonome
  --junit              JUnit XML pour les serveurs d&apos;intégration continue
  -o, --output FICHIER le fichier à écrire ; « - » pour la sortie standard, par
                       défaut sauf si la sortie standard est un terminal
  --summary            les décomptes et une ligne par vérification en échec sur la
                       sortie standard (avec -o, en plus du fichier)
  --fail-on-failure    code de sortie 3 si quelque chose a échoué
  --baseline ANCIEN.xrd
                       comparer avec un fichier de résultats antérieur : chaque cas
                       est marqué nouvel échec, corrigé, toujours en échec,
                       nouveau ou supprimé
  --baseline-tdf ANCIEN.tdf
                       comparer avec une trace dynamique antérieure, lue sur les
                       traces statiques de cette exécution
  --baseline-tsf FICHIER...
                       les traces statiques de l&apos;exécution antérieure, si elles
                       diffèrent
  --case-output        JUnit : la sortie Print de chaque cas dans son propre
                       &lt;system-out&gt; (lu par les serveurs d&apos;intégration continue ;
                       hors du schéma JUnit courant)
  --passed-output      JUnit : aussi la sortie Print des cas qui n&apos;ont pas échoué
  -h, --help           ce texte
  --version            la version
Code de sortie : 0 écrit, 1 une entrée ou une sortie a échoué, 2 ligne de commande
incorrecte, 3 quelque chose a échoué (avec --fail-on-failure).
</translation>
    </message>
    <message>
        <source>Not Executed</source>
        <translation>Non exécuté</translation>
    </message>
    <message>
        <source>%1 more: see &quot;Changed only&quot;</source>
        <translation>%1 de plus : voir « Changements seulement »</translation>
    </message>
    <message>
        <source>The test tree needs JavaScript.</source>
        <translation>L’arbre des tests a besoin de JavaScript.</translation>
    </message>
    <message>
        <source>%1 matches</source>
        <translation>%1 résultats</translation>
    </message>
    <message>
        <source>Link to this case</source>
        <translation>Lien vers ce cas</translation>
    </message>
    <message>
        <source>Loading…</source>
        <translation>Chargement…</translation>
    </message>
    <message>
        <source>Nothing to show</source>
        <translation>Rien à afficher</translation>
    </message>
    <message>
        <source>not well-formed XML</source>
        <translation>XML mal formé</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>mémoire épuisée</translation>
    </message>
</context>
</TS>
