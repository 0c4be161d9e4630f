#!/usr/bin/env bash
# The catalogue check (update-translations.sh --check) must fail on each
# fault it exists for and pass on the committed state. Each case works on
# scratch copies of src/, tools/ and translations/, spoils one of them, runs the
# check and compares its status and a line it must print.
#
# Usage: catalogue_check_test.sh <source dir>   ($LUPDATE, $LCONVERT as for the script)
set -u
root=$1
script="$root/scripts/update-translations.sh"

work=$(mktemp -d /tmp/tally_catalogue_check_XXXXXX)
trap 'rm -rf "$work"' EXIT

# One line of code holding a text to translate, added to a copy of a source.
add_text() {
  printf '\nstatic const char *const added_text = QT_TRANSLATE_NOOP("%s", "%s");\n' "$1" "$2" \
    >> src/diagnostics/errors.cpp
}

setup_none() { :; }
setup_new_text() { add_text "ZOLT Error" "a text nobody translated"; }
setup_new_context() { add_text "A NEW CONTEXT" "anything"; }
setup_unfinished() {
  sed -i 's|<translation>Testfall</translation>|<translation type="unfinished">Testfall</translation>|' \
    translations/tallygen_de.ts
}
setup_emptied() {
  sed -i 's|<translation>Projet</translation>|<translation></translation>|' translations/tallygen_fr.ts
}
setup_stale() {
  sed -i 's|</context>|    <message>\n        <source>gone from the code</source>\n        <translation>disparu</translation>\n    </message>\n</context>|' \
    translations/zephident_fr.ts
}
setup_moved_context() {
  # The German usage texts put into the report catalogue by hand.
  awk '/<name>TALLYGEN<\/name>/ { moving = 1 } moving { print } /<\/context>/ { moving = 0 }' \
    translations/modbas_de.ts > usage_context
  awk '/^<context>$/ { held = $0; next } held != "" { if ($0 ~ /<name>TALLYGEN<\/name>/) { skip = 1 } else { print held } held = "" }
       skip { if ($0 == "</context>") skip = 0; next } { print }' translations/modbas_de.ts > modbas && mv modbas translations/modbas_de.ts
  { sed '$d' translations/tallygen_de.ts; echo '<context>'; cat usage_context; echo '</TS>'; } > tallygen \
    && mv tallygen translations/tallygen_de.ts
}
setup_missing_file() { rm translations/modbas_fr.ts; }
setup_extra_language() { cp translations/tallygen_fr.ts translations/tallygen_it.ts; }
setup_translation_edited() {
  sed -i 's|<translation>Réussi</translation>|<translation>Succès</translation>|' translations/tallygen_fr.ts
}

# case | expected status | a line the check must print (empty: none)
cases=(
  "none|0|"
  "translation_edited|0|"
  "new_text|1|modbas_fr.ts: ZOLT Error / a text nobody translated"
  "new_context|1|context \"A NEW CONTEXT\" belongs to no catalogue prefix; add it to the table in update-translations.sh"
  "unfinished|1|tallygen_de.ts: ZOLTGEN KvsType / Test Case"
  "emptied|1|tallygen_fr.ts: TALLYGEN global information / Project"
  "stale|1|zephident_fr.ts is not what lupdate makes of the sources; run scripts/update-translations.sh"
  "moved_context|1|modbas_de.ts is not what lupdate makes of the sources; run scripts/update-translations.sh"
  "missing_file|1|modbas_fr.ts: TALLYGEN / (line break)..."
  "extra_language|1|catalogue sources expected: modbas_de.ts modbas_fr.ts tallygen_de.ts tallygen_fr.ts tallyview_de.ts tallyview_fr.ts zephident_de.ts zephident_fr.ts"
)

failed=0
for entry in "${cases[@]}"; do
  IFS='|' read -r name expected_status expected_line <<< "$entry"
  dir="$work/$name"
  mkdir -p "$dir"
  cp -r "$root/src" "$root/tools" "$root/translations" "$dir"/
  (cd "$dir" && "setup_$name")
  output=$(bash "$script" --check --sources "$dir/src" --translations "$dir/translations" 2>&1)
  status=$?
  if [ "$status" != "$expected_status" ]; then
    echo "$name: status $status, expected $expected_status"
    printf '%s\n' "$output" | head -40
    failed=1
  elif [ -n "$expected_line" ] && ! grep -qxF -- "$expected_line" <<< "$output"; then
    echo "$name: the check did not print: $expected_line"
    printf '%s\n' "$output" | head -40
    failed=1
  fi
done
exit $failed
