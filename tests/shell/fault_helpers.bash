# Shared by the fault and resource tests in this folder (sourced, not a test
# itself: CTest registers only *.sh). Each test script is called with the
# program, the stage folder and the test catalogue folder, like every shell
# test; it sources this file, runs the program on inputs it generates, and
# checks the status, standard error and the results file after each run.
#
#   run_tally <args...>   runs the program in the scratch folder $work (60 s at
#                         most: a run that does not end is a failure);
#                         sets $status and leaves standard error in $work/err
#   expect_status <n>     the exit status
#   expect_clean          only the two banner lines on standard error
#   expect_diagnostic <line>   the banner, then exactly this one line
#   expect_well_formed <file>  the results file exists and parses (and passes
#                         xmllint --noout too, unless nested beyond its limit)
#   expect_no_file <file>      no results file was left
#   expect_ok <file>      status 0, only the banner, a well-formed results file
#   without_date <file>   the results file without its generation-time line
# Each failed expectation prints what it saw and marks the test failed; the
# script ends with `finish`.
set -u

binary=$1
stage=$2
# The well-formedness checker is built beside the stage folder
# (tests/fuzz/xml_check.cpp); xmllint would stop at its nesting limit.
xml_check=$(cd "$stage/.." && pwd)/tests/fuzz/tally_xml_check

work=$(mktemp -d /tmp/tally_fault_XXXXXX)
trap 'chmod -R u+rwx "$work" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"

failures=0
current=""

# Names the case that the following expectations belong to.
case_name() {
  current=$1
}

fail() {
  echo "FAIL [$current]: $*"
  failures=$((failures + 1))
}

run_tally() {
  env -u LC_ALL -u ZEPH_STUDIO_HEADER_FILE KORVELDIR="$stage" LANG=C.UTF-8 \
    timeout 60 "$binary" "$@" 2> "$work/err"
  status=$?
  if [ "$status" -eq 124 ]; then
    fail "the run did not end within 60 s"
  fi
}

expect_status() {
  [ "$status" -eq "$1" ] || { fail "status $status, expected $1"; sed 's/^/  | /' "$work/err" | head -n 20; }
}

banner_lines=2

expect_clean() {
  local lines
  lines=$(wc -l < "$work/err")
  [ "$lines" -eq "$banner_lines" ] || { fail "standard error holds more than the banner:"; sed 's/^/  | /' "$work/err" | head -n 20; }
}

expect_diagnostic() {
  local lines last
  lines=$(wc -l < "$work/err")
  last=$(tail -n 1 "$work/err")
  if [ "$lines" -ne $((banner_lines + 1)) ] || [ "$last" != "$1" ]; then
    fail "expected the banner and the line '$1', got:"
    sed 's/^/  | /' "$work/err" | head -n 20
  fi
}

expect_well_formed() {
  if [ ! -f "$1" ]; then
    fail "no results file $1"
  elif ! "$xml_check" "$1" > "$work/check" 2>&1; then
    fail "results file $1 is not well-formed: $(cat "$work/check")"
  elif [ "$(checked_depth)" -le 200 ] && ! xmllint --noout "$1" 2> /dev/null; then
    fail "xmllint rejects the results file $1"
  fi
}

# The element count and depth that the last expect_well_formed measured.
checked_depth() {
  sed -n 's/.*depth=\([0-9]*\).*/\1/p' "$work/check"
}

expect_ok() {
  expect_status 0
  expect_clean
  expect_well_formed "$1"
}

without_date() {
  grep -Ev '^<CELL_TEXT STYLE="Array">[A-Z][a-z]{2} [A-Z][a-z]{2} +[0-9]+ [0-9:]+ [0-9]{4}</CELL_TEXT>$' "$1"
}

expect_no_file() {
  [ ! -e "$1" ] || fail "a results file $1 was left behind"
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures expectation(s) failed"
    exit 1
  fi
  exit 0
}

# Small valid traces to combine with hostile ones: one file section (identity
# 1 2) with a test case 2 holding checks 3 and 4; the dynamic trace passes 3.
write_small_traces() {
  printf 'SO "/src/T.java"\nIN "File" 1 "T"\nID 1 2\nIN "TestCase" 2 "c"\nLK 5\nTX 3 "a == b"\nTX 4 "c == d"\nED \n' > small.tsf
  printf 'SF 1 1 2\nCS 1\nNI 2 1\nST 65\nNO 3 "ok"\n' > small.tdf
}
