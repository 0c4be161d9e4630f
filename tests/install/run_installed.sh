#!/usr/bin/env bash
# Runs an installed tallyrpt on the example traces, once per language, and
# checks what an installation must give: status 0, a well-formed results
# file whose labels are in the language asked for, machine words left as
# they are, and the untranslated fatal line when KORVELDIR is missing. The
# installed tallyview beside it speaks the same language, its own catalogues
# found next to the program even without KORVELDIR.
#
# Usage: run_installed.sh <program> <korveldir> <examples dir> <scratch dir>
# Prints one line per fault; the status is the number of faults (capped).
set -u
program=$1
korveldir=$2
examples=$3
work=$4
mkdir -p "$work"

faults=0
fault() { echo "$*"; faults=$((faults + 1)); }

# locale | a label of the information section | a node type | a verdict label
languages=(
  "C.UTF-8|<TEXT>Report Information</TEXT>|type=\"Test Case\"|>Failed</CELL_TEXT>"
  "fr_FR.UTF-8|<TEXT>Informations sur le rapport</TEXT>|type=\"Cas de test\"|>Échoué</CELL_TEXT>"
  "de_DE.UTF-8|<TEXT>Berichtsinformationen</TEXT>|type=\"Testfall\"|>Fehlgeschlagen</CELL_TEXT>"
)
for entry in "${languages[@]}"; do
  IFS='|' read -r locale label type verdict <<< "$entry"
  report="$work/report-$locale.xrd"
  env -u LC_ALL -u LC_MESSAGES -u ZEPH_STUDIO_HEADER_FILE KORVELDIR="$korveldir" LANG="$locale" \
    "$program" -tsf "$examples"/calc.tsf "$examples"/strings.tsf \
    -tdf "$examples"/example.tdf -xrd "$report" 2> "$work/stderr-$locale"
  status=$?
  if [ $status -ne 0 ]; then
    fault "$locale: status $status"
    cat "$work/stderr-$locale"
    continue
  fi
  # xmllint also warns about the undeclared XROD prefix; only its status counts.
  xmllint --noout "$report" 2> "$work/xmllint-$locale" \
    || { fault "$locale: the results file is not well-formed"; cat "$work/xmllint-$locale"; }
  for text in "$label" "$type" "$verdict" 'state="ko"' 'state="ok"' '&quot;café&quot;.length() == 4'; do
    grep -qF -- "$text" "$report" || fault "$locale: the results file lacks $text"
  done
  [ "$(wc -l < "$work/stderr-$locale")" -eq 2 ] || fault "$locale: more than the banner on standard error"
done

env -u KORVELDIR LANG=fr_FR.UTF-8 "$program" 2> "$work/unset" > /dev/null
status=$?
[ $status -eq 255 ] || fault "KORVELDIR unset: status $status"
[ "$(cat "$work/unset")" = "Fatal Error: please setup KORVELDIR environment variable." ] \
  || fault "KORVELDIR unset: unexpected message: $(cat "$work/unset")"

tallyview="$(dirname "$program")/tallyview"
# locale | tallyview's word for an error | the summary's word for passed
for entry in "C.UTF-8|error|Passed" "fr_FR.UTF-8|erreur|Réussi" "de_DE.UTF-8|Fehler|Bestanden"; do
  IFS='|' read -r locale error passed <<< "$entry"
  env -u LC_ALL -u LC_MESSAGES -u KORVELDIR LANG="$locale" "$tallyview" missing.xrd 2> "$work/view-$locale"
  grep -q "^tallyview: $error: " "$work/view-$locale" || fault "$locale: tallyview said: $(cat "$work/view-$locale")"
  env -u LC_ALL -u LC_MESSAGES -u ZEPH_STUDIO_HEADER_FILE KORVELDIR="$korveldir" LANG="$locale" \
    "$tallyview" -tsf "$examples"/calc.tsf "$examples"/strings.tsf -tdf "$examples"/example.tdf \
    --summary > "$work/summary-$locale" 2>&1
  grep -q "^$passed" "$work/summary-$locale" || fault "$locale: tallyview summary: $(head -1 "$work/summary-$locale")"
done

[ $faults -gt 100 ] && faults=100
exit $faults
