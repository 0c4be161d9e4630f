#!/usr/bin/env bash
# tallyview on what it must refuse: each gives a non-zero status, exactly one
# line on standard error, and no output file (an existing one is left as it
# was, and no temporary file stays behind). Also the good paths around them:
# standard input and output, --help.
#
# Arguments: tallyview data-dir
set -u

tallyview=$(realpath "$1")
data=$(realpath "$2")
work=$(mktemp -d /tmp/tallyview_bad_XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
failed=0

fail() {
  echo "FAIL [$1]: $2"
  failed=1
}

head -c 3000 "$data/mixed.xrd" > truncated.xrd
printf '<html><body>not a report</body></html>\n' > page.xrd
: > empty.xrd
mkdir folder.xrd

# name | expected status | expected words on stderr | arguments
while IFS='|' read -r name status words args; do
  rm -rf out && mkdir out
  read -r -a argv <<< "$args"
  "$tallyview" "${argv[@]}" > out/stdout 2> stderr
  actual=$?
  [ "$actual" = "$status" ] || fail "$name" "status $actual, expected $status"
  lines=$(wc -l < stderr)
  [ "$lines" = 1 ] || fail "$name" "$lines lines on standard error: $(cat stderr)"
  grep -q -- "$words" stderr || fail "$name" "no '$words' in: $(cat stderr)"
  [ -s out/stdout ] && fail "$name" "something was written to standard output"
  [ -e out/page.html ] && fail "$name" "an output file was written"
done <<'CASES'
missing file|1|missing.xrd|missing.xrd -o out/page.html
directory|1|folder.xrd|folder.xrd -o out/page.html
empty file|1|not well-formed|empty.xrd -o out/page.html
truncated|1|not well-formed|--junit truncated.xrd -o out/page.html
not a results file|1|not a results file|page.xrd -o out/page.html
unknown option|2|unknown option|--pdf page.xrd
two formats|2|exclude|--html --junit page.xrd
no input|2|no results file|-o out/page.html
CASES

# An output that cannot be created: a folder that does not exist (root
# writes into read-only folders, so that is no test here).
"$tallyview" -o missing/dir/page.html "$data/mixed.xrd" 2> stderr && fail unwritable "status 0 for a missing folder"
[ "$(wc -l < stderr)" = 1 ] || fail unwritable "not one line: $(cat stderr)"
grep -q 'cannot be written' stderr || fail unwritable "no reason in: $(cat stderr)"
[ -e missing ] && fail unwritable "the missing folder was created"

# A bad input leaves an existing output file as it was, with nothing beside it.
mkdir keep && printf 'previous\n' > keep/page.html
"$tallyview" -o keep/page.html truncated.xrd 2>/dev/null && fail keep "status 0 for a truncated file"
[ "$(cat keep/page.html)" = previous ] || fail keep "the existing output was changed"
[ "$(ls -A keep)" = page.html ] || fail keep "files left beside the output: $(ls -A keep)"

# A good input replaces it completely; standard input and output give the same bytes.
"$tallyview" --junit -o keep/page.html "$data/mixed.xrd" || fail good "status $?"
"$tallyview" --junit - < "$data/mixed.xrd" > from_stdin.xml || fail stdin "status $?"
cmp -s keep/page.html from_stdin.xml || fail stdin "standard input and output differ from the named files"
[ "$(ls -A keep)" = page.html ] || fail good "files left beside the output: $(ls -A keep)"

"$tallyview" --help > help.txt || fail help "status $?"
grep -q -- '--junit' help.txt || fail help "no usage text"

exit $failed
