#!/usr/bin/env bash
# tallyview on what it must refuse: each gives a non-zero status, exactly one
# line on standard error, and no output file (an existing one is left as it
# was, and no temporary file stays behind). Also the good paths around them:
# standard input and output, a terminal, --help.
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
unknown option|2|Unknown option|--pdf page.xrd
two formats|2|exclude|--html --junit page.xrd
no input|2|no results file|-o out/page.html
CASES

# An output that cannot be created: a folder that does not exist (root
# writes into read-only folders, so that is no test here).
"$tallyview" -o missing/dir/page.html "$data/mixed.xrd" 2> stderr && fail unwritable "status 0 for a missing folder"
[ "$(wc -l < stderr)" = 1 ] || fail unwritable "not one line: $(cat stderr)"
grep -q 'missing/dir/page.html: cannot be written' stderr || fail unwritable "no reason in: $(cat stderr)"
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

# Special files are written as they are, never replaced by a regular file.
mkfifo page.fifo
timeout 10 cat page.fifo > through_fifo.html &
timeout 10 "$tallyview" -o page.fifo "$data/mixed.xrd" || fail fifo "status $?"
wait
[ -p page.fifo ] || fail fifo "the FIFO was replaced"
[ -s through_fifo.html ] || fail fifo "nothing came through the FIFO"
if mknod full_device c 1 7 2>/dev/null; then
  "$tallyview" -o full_device "$data/mixed.xrd" 2> stderr && fail device "status 0 on a full device"
  [ -c full_device ] || fail device "the device was replaced"
  grep -q 'full_device: cannot be written' stderr || fail device "no reason in: $(cat stderr)"
fi

# A reader that leaves, and a file-size limit: status 1 and one line, not a
# signal; no partial file at the named path.
python3 - "$tallyview" "$data/mixed.xrd" > pipe_status 2> stderr <<'PY'
import os, subprocess, sys
read_end, write_end = os.pipe()
os.close(read_end)  # the reader has left before the first byte
print(subprocess.call([sys.argv[1], sys.argv[2]], stdout=write_end))
PY
[ "$(cat pipe_status)" = 1 ] || fail pipe "status $(cat pipe_status) when the reader has left"
[ "$(wc -l < stderr)" = 1 ] || fail pipe "not one line: $(cat stderr)"
grep -q 'standard output' stderr || fail pipe "no reason in: $(cat stderr)"
mkdir limited
(ulimit -f 1; "$tallyview" -o limited/page.html "$data/mixed.xrd") 2> stderr
status=$?
[ "$status" = 1 ] || fail limit "status $status over the file-size limit"
[ "$(wc -l < stderr)" = 1 ] || fail limit "not one line: $(cat stderr)"
[ -z "$(ls -A limited)" ] || fail limit "files left behind: $(ls -A limited)"

# A page is not poured onto a terminal (status 2, one line); the summary is.
python3 - "$tallyview" "$data/mixed.xrd" > tty_status 2> stderr <<'PY'
import pty, subprocess, sys
leader, follower = pty.openpty()
for extra in ([], ['--summary']):
    print(subprocess.call([sys.argv[1], sys.argv[2]] + extra, stdout=follower))
PY
[ "$(cat tty_status)" = "$(printf '2\n0')" ] || fail terminal "statuses $(cat tty_status) on a terminal"
[ "$(wc -l < stderr)" = 1 ] || fail terminal "not one line: $(cat stderr)"
grep -q 'terminal' stderr || fail terminal "no reason in: $(cat stderr)"

# A million nested scopes: the reader and both writers walk them with explicit
# stacks, so this finishes instead of overflowing the call stack.
python3 - > deep.xrd <<'PY'
depth = 1000000
print('<XROD><APIDOC><DOCUMENT TITLE="deep"><SECTION><TABLE>' + ''.join(
    f'<ROW><CELL_TEXT>{k}</CELL_TEXT><CELL_TEXT>{n}</CELL_TEXT></ROW>' for k, n in (('P', 1), ('F', 0), ('T', 1))) +
    '</TABLE></SECTION>' + '<XROD:NODE name="n" state="ok">' * (depth - 1) +
    '<XROD:NODE name="leaf" state="ok" sum="1">' + '</XROD:NODE>' * depth + '</DOCUMENT></APIDOC></XROD>')
PY
"$tallyview" -o deep.html deep.xrd || fail deep "page: status $?"
[ "$(tail -c 8 deep.html)" = '</html>' ] || fail deep "the page is not whole"
"$tallyview" --junit -o deep.xml deep.xrd || fail deep "JUnit: status $?"
[ "$(grep -c '<testcase name="leaf" classname="n.n"' deep.xml)" = 1 ] || fail deep "not the one case, in n.n"

"$tallyview" --help > help.txt || fail help "status $?"
grep -q -- '--junit' help.txt || fail help "no usage text"

exit $failed
