#!/usr/bin/env bash
# tallyview on each golden results file of tests/e2e/cases and on the
# results file tallyrpt writes for the example traces. For each: both
# outputs are written with status 0, the JUnit file is valid against the
# JUnit schema, its tests and failures add up to the report's Total and
# Failed, and the page shows the report's counts.
#
# Arguments: tallyrpt tallyview stage-dir test-korvel-dir (unused) source-dir schema
set -u

tallyrpt=$(realpath "$1")
tallyview=$(realpath "$2")
stage=$(realpath "$3")
source=$(realpath "$5")
schema=$6

if [ ! -f "$schema" ]; then
  echo "JUnit schema not found at $schema (shared/schemas beside the clone)"
  exit 1
fi

work=$(mktemp -d /tmp/tallyview_e2e_XXXXXX)
trap 'rm -rf "$work"' EXIT
failed=0
sets=0

fail() {
  echo "FAIL [$1]: $2"
  failed=1
}

# The summary count in row $2 from the end of the information table.
summary_count() {
  xmllint --xpath "string(//SECTION[starts-with(@TAG,'filex')]/TABLE/ROW[last()-$2]/CELL_TEXT[2])" "$1" 2>/dev/null
}

check_results() {
  local name=$1 results=$2 dir=$3
  "$tallyview" -o "$dir/page.html" "$results" || { fail "$name" "tallyview --html ended with $?"; return; }
  "$tallyview" --junit -o "$dir/junit.xml" "$results" || { fail "$name" "tallyview --junit ended with $?"; return; }
  xmllint --noout --schema "$schema" "$dir/junit.xml" 2>"$dir/schema.log" \
    || fail "$name" "JUnit file not valid: $(cat "$dir/schema.log")"

  local failed_count total tests skipped failures
  failed_count=$(summary_count "$results" 1)
  total=$(summary_count "$results" 0)
  tests=$(xmllint --xpath 'sum(//testsuite/@tests)' "$dir/junit.xml")
  skipped=$(xmllint --xpath 'sum(//testsuite/@skipped)' "$dir/junit.xml")
  failures=$(xmllint --xpath 'sum(//testsuite/@failures)' "$dir/junit.xml")
  [ -n "$total" ] || fail "$name" "no summary in the results file"
  [ "$((tests - skipped))" = "$total" ] || fail "$name" "JUnit counts $tests tests, $skipped skipped; the report's total is $total"
  [ "$failures" = "$failed_count" ] || fail "$name" "JUnit counts $failures failures; the report says $failed_count"
  grep -q "id=\"count-total\">$total<" "$dir/page.html" || fail "$name" "the page does not show the total $total"
  grep -q "id=\"count-failed\">$failed_count<" "$dir/page.html" || fail "$name" "the page does not show $failed_count failed"
  sets=$((sets + 1))
}

# The golden results files of the end-to-end cases (what tallyrpt writes
# for their traces, as those cases check).
for expected in "$source"/tests/e2e/cases/*/expected.xrd; do
  name=$(basename "$(dirname "$expected")")
  mkdir -p "$work/$name"
  check_results "$name" "$expected" "$work/$name"
done

# The example traces of make demo: 4 passed, 1 failed.
mkdir -p "$work/examples"
(cd "$source/examples" && KORVELDIR="$stage" "$tallyrpt" -tsf calc.tsf strings.tsf -tdf example.tdf \
   -xrd "$work/examples/report.xrd" 2>/dev/null) || fail examples "tallyrpt ended with $?"
check_results examples "$work/examples/report.xrd" "$work/examples"
grep -q 'id="count-passed">4<' "$work/examples/page.html" || fail examples "4 passed expected on the page"

# tallyview on the same traces itself: a valid JUnit file, with the case that
# never ran as a skipped one.
(cd "$source/examples" && KORVELDIR="$stage" "$tallyview" -tsf calc.tsf strings.tsf -tdf example.tdf --junit \
   -o "$work/examples/traces.junit.xml") || fail traces "tallyview ended with $?"
xmllint --noout --schema "$schema" "$work/examples/traces.junit.xml" 2>"$work/schema.log" \
  || fail traces "JUnit file not valid: $(cat "$work/schema.log")"
[ "$(xmllint --xpath 'sum(//testsuite/@skipped)' "$work/examples/traces.junit.xml")" = 1 ] \
  || fail traces "the case that never ran is not skipped"

# The translated report gives a translated page.
if [ -f "$work/translated_report/page.html" ]; then
  grep -q '<span class="label">Réussis</span>' "$work/translated_report/page.html" \
    || fail translated_report "the page does not use the report's French labels"
fi

echo "$sets results files checked"
[ "$sets" -ge 2 ] || fail all "too few results files were checked"
exit $failed
