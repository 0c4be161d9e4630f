#!/usr/bin/env bash
# Regenerates the shipped catalogue sources translations/<prefix><lang>.ts
# from the source texts in src/ and tools/, keeping every translation
# already made.
#
# For each language the three catalogue sources are merged into one file,
# lupdate brings that file in line with the code (new texts come in
# unfinished, texts no longer in the code are dropped), and the result is
# split again by context, each context going to the catalogue of its prefix:
#
#   zephident_  ZEPHIdent (banner and report identification)
#   modbas_     ZOLT Error (diagnostics), TALLYGEN (usage)
#   tallygen_   the report: TALLYGEN global information, TALLYGEN status,
#               TALLYGEN Stub row title, TALLYGEN Stub, ZOLTGEN Cell text,
#               ZOLTGEN KvsType
#   tallyview_  tallyview's own texts: tallyview
#
# A context missing from this table stops the run, so a new context cannot be
# left out of every catalogue by accident.
#
# With --check nothing is written: the regenerated files must equal the
# committed ones and hold no unfinished or empty translation; otherwise the
# differences and the texts still to translate are listed and the status is 1.
#
# Usage: update-translations.sh [--check] [--sources DIR] [--translations DIR]
# (the tools/ folder beside the sources folder is scanned too)
# Tools: $LUPDATE and $LCONVERT, else Qt 6's lupdate and lconvert.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
sources="$root/src"
translations="$root/translations"
check=0
while [ $# -gt 0 ]; do
  case "$1" in
    --check) check=1 ;;
    --sources) sources=$2; shift ;;
    --translations) translations=$2; shift ;;
    *) echo "usage: $0 [--check] [--sources DIR] [--translations DIR]" >&2; exit 2 ;;
  esac
  shift
done

languages=(fr de)
prefixes=(zephident_ modbas_ tallygen_ tallyview_)
context_map='ZEPHIdent=zephident_
ZOLT Error=modbas_
TALLYGEN=modbas_
TALLYGEN global information=tallygen_
TALLYGEN status=tallygen_
TALLYGEN Stub row title=tallygen_
TALLYGEN Stub=tallygen_
ZOLTGEN Cell text=tallygen_
ZOLTGEN KvsType=tallygen_
tallyview=tallyview_'

find_tool() {
  local name=$1 override=$2
  if [ -n "$override" ]; then
    echo "$override"
  elif [ -x "/usr/lib/qt6/bin/$name" ]; then
    echo "/usr/lib/qt6/bin/$name"
  elif command -v "${name}6" > /dev/null; then
    command -v "${name}6"
  else
    command -v "$name" || { echo "$name not found (qt6-l10n-tools)" >&2; exit 2; }
  fi
}
lupdate=$(find_tool lupdate "${LUPDATE:-}")
lconvert=$(find_tool lconvert "${LCONVERT:-}")

work=$(mktemp -d /tmp/tally_translations_XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out"

# Splits one lupdate output into <out>/<prefix><lang>.ts by context. Each
# file gets the XML prolog and TS element of the input; lupdate writes
# <context> and </context> on lines of their own, and texts inside them are
# escaped, so the blocks can be cut on those lines.
split_by_context() {
  local input=$1 lang=$2 out=$3
  printf '%s\n' "$context_map" | awk -v input="$input" -v lang="$lang" -v out="$out" -v list="${prefixes[*]}" '
    BEGIN { FS = "=" }
    NR == FNR { prefix_of[$1] = $2; next }
    END {
      n = split(list, order, " ")
      state = "head"; head = ""; block = ""; name = ""
      while ((getline line < input) > 0) {
        if (state == "head" && line != "<context>") { head = head line "\n"; continue }
        if (line == "<context>") { state = "context"; block = line "\n"; name = ""; continue }
        if (line == "</TS>") break
        block = block line "\n"
        if (name == "" && match(line, /^    <name>.*<\/name>$/))
          name = substr(line, 11, length(line) - 17)
        if (line == "</context>") {
          if (!(name in prefix_of)) {
            print "context \"" name "\" belongs to no catalogue prefix; add it to the table in update-translations.sh" > "/dev/stderr"
            exit 1
          }
          body[prefix_of[name]] = body[prefix_of[name]] block
          block = ""
        }
      }
      for (i = 1; i <= n; i++) {
        file = out "/" order[i] lang ".ts"
        printf "%s%s</TS>\n", head, body[order[i]] > file
        close(file)
      }
    }' - /dev/null
}

for lang in "${languages[@]}"; do
  merged="$work/$lang.ts"
  inputs=()
  for prefix in "${prefixes[@]}"; do
    [ -f "$translations/$prefix$lang.ts" ] && inputs+=(-i "$translations/$prefix$lang.ts")
  done
  if [ ${#inputs[@]} -gt 0 ]; then
    "$lconvert" "${inputs[@]}" -o "$merged"
  fi
  scanned=("$(basename "$sources")")
  [ -d "$(dirname "$sources")/tools" ] && scanned+=(tools)
  (cd "$(dirname "$sources")" && "$lupdate" -silent -no-obsolete -locations none \
      -source-language en -target-language "$lang" \
      "${scanned[@]}" -ts "$merged")
  split_by_context "$merged" "$lang" "$work/out"
done

# Texts of the regenerated catalogues that still need a translation, one per
# line as "file: context / source" (the first line of a multi-line source).
unfinished_texts() {
  local file
  for file in "$work"/out/*.ts; do
    awk -v file="$(basename "$file")" '
      function plain(text) {
        gsub(/&lt;/, "<", text); gsub(/&gt;/, ">", text); gsub(/&quot;/, "\"", text)
        gsub(/&apos;/, "'"'"'", text); gsub(/&amp;/, "\\&", text)
        return text
      }
      /^    <name>/ { context = plain(substr($0, 11, length($0) - 17)) }
      /^        <source>/ { source = substr($0, 17); sub(/<\/source>$/, "", source); source = source == "" ? "(line break)..." : plain(source) }
      /<translation type="unfinished"|<translation><\/translation>|<translation\/>/ {
        print file ": " context " / " source
      }' "$file"
  done
}

if [ $check = 0 ]; then
  cp "$work"/out/*.ts "$translations"/
  todo=$(unfinished_texts)
  if [ -n "$todo" ]; then
    echo "Texts still to translate:"
    printf '%s\n' "$todo"
  fi
  exit 0
fi

status=0
expected=$(cd "$work/out" && ls)
present=$(cd "$translations" && ls -- *.ts 2>/dev/null || true)
if [ "$expected" != "$present" ]; then
  echo "catalogue sources present: $(echo $present)"
  echo "catalogue sources expected: $(echo $expected)"
  status=1
fi
for file in "$work"/out/*.ts; do
  name=$(basename "$file")
  if [ -f "$translations/$name" ] && ! diff -u "$translations/$name" "$file"; then
    echo "$name is not what lupdate makes of the sources; run scripts/update-translations.sh"
    status=1
  fi
done
todo=$(unfinished_texts)
if [ -n "$todo" ]; then
  echo "Source texts without a finished translation:"
  printf '%s\n' "$todo"
  status=1
fi
exit $status
