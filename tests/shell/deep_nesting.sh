#!/usr/bin/env bash
# Trees nested a million levels deep, generated on the fly: scopes inside
# scopes, and checks inside checks. Reading, the roll-up and the report must
# neither recurse that deep nor slow down with depth: each run ends normally
# with a well-formed report of the whole depth.
source "$(dirname "$0")/fault_helpers.bash"

depth=1000000

# One file section, then $depth test suites, each inside the one before, and
# one check at the bottom.
awk -v n=$depth 'BEGIN {
  print "IN \"File\" 1 \"Deep\""
  print "ID 1 2"
  for (i = 2; i <= n + 1; i++)
    printf "IN \"TestSuite\" %x \"s\"\n", i
  printf "LK 7\nTX %d \"deepest check\"\nED \n", n + 2
}' > scopes.tsf

case_name "scopes $depth deep, the bottom check passed"
printf 'SF 1 1 2\nCS 1\nNI %x 1\nST 65\nNO %x\n' $((depth + 1)) $((depth + 2)) > bottom.tdf
run_tally -tsf scopes.tsf -tdf bottom.tdf -xrd scopes.xrd
expect_ok scopes.xrd
# XROD, APIDOC, DOCUMENT, then per suite one XROD:NODE with its title, and
# the table of the bottom suite: far deeper than the number of suites.
[ "$(checked_depth)" -gt $depth ] || fail "report only $(checked_depth) deep"
grep -q '<CELL_TEXT STYLE="Array Passed">Passed</CELL_TEXT>' scopes.xrd || fail "the bottom check is not reported passed"

case_name "scopes $depth deep, nothing executed"
: > empty.tdf
run_tally -tsf scopes.tsf -tdf empty.tdf -xrd unexecuted.xrd
expect_ok unexecuted.xrd
grep -q 'XROD:NODE' unexecuted.xrd && fail "an unexecuted tree was reported"

# Checks inside checks: each "SI" makes the check just added the current
# scope, so the next one goes inside it.
awk -v n=$depth 'BEGIN {
  print "IN \"File\" 1 \"Deep\""
  print "ID 1 2"
  print "IN \"TestCase\" 2 \"c\""
  for (i = 3; i <= n + 2; i++)
    printf "TX %d \"check %d\"\nSI %x\n", i, i, i
  print "ED "
}' > checks.tsf

case_name "checks $depth deep, a failure at the bottom"
# Passed at the top, failed at the bottom: the failure must climb all the
# way to the test case.
printf 'SF 1 1 2\nCS 1\nNI 2 1\nST 65\nNO 3\nNI %x 1\nST 97\nNO %x\n' $((depth + 1)) $((depth + 2)) > checks.tdf
run_tally -tsf checks.tsf -tdf checks.tdf -xrd checks.xrd
expect_ok checks.xrd
grep -q 'name="c" type="Test Case" state="ko"' checks.xrd || fail "the failure did not reach the test case"

finish
