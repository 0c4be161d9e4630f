#!/usr/bin/env bash
# Single lines of 50 MB, generated on the fly, in every kind of field of both
# traces: a statement text, a keyword with no space after it, blanks before a
# quoted field, a message, a number. Fields are cut to their fixed bounds
# and the rest of the line is read through, so each run ends normally, in
# seconds, with a well-formed report.
source "$(dirname "$0")/fault_helpers.bash"
write_small_traces

size=$((50 * 1024 * 1024))
repeat() {  # repeat <character>: $size copies
  head -c "$size" /dev/zero | tr '\0' "$1"
}

case_name "50 MB statement text"
{
  printf 'IN "File" 1 "T"\nID 1 2\nIN "TestCase" 2 "c"\nTX 3 "'
  repeat a
  printf '"\nTX 4 "after"\nED \n'
} > text.tsf
printf 'SF 1 1 2\nCS 1\nNI 2 1\nST 65\nNO 3\nNO 4\n' > text.tdf
run_tally -tsf text.tsf -tdf text.tdf -xrd text.xrd
expect_ok text.xrd
longest=$(grep -o '<TEXT>a*</TEXT>' text.xrd | awk '{ print length($0) }' | sort -n | tail -n 1)
[ -n "$longest" ] && [ "$longest" -le 2100 ] || fail "the long text was not cut (${longest:-missing})"
grep -q '<TEXT>after</TEXT>' text.xrd || fail "the record after the long line was lost"

case_name "50 MB keyword without a space"
{ cat small.tsf; repeat K; printf '\n'; } > keyword.tsf
{ cat small.tdf; repeat K; printf '\n'; } > keyword.tdf
run_tally -tsf keyword.tsf -tdf keyword.tdf -xrd keyword.xrd
expect_ok keyword.xrd

case_name "50 MB of blanks before a quoted field"
{ printf 'IN '; repeat ' '; printf '"File" 1 "T"\n'; cat small.tsf; } > blanks.tsf
run_tally -tsf blanks.tsf -tdf small.tdf -xrd blanks.xrd
expect_ok blanks.xrd

case_name "50 MB message"
{ cat small.tdf; printf 'NO 3 "'; repeat m; printf '"\nNO 4\n'; } > message.tdf
run_tally -tsf small.tsf -tdf message.tdf -xrd message.xrd
expect_ok message.xrd
grep -q '<TEXT>c == d</TEXT>' message.xrd || fail "the record after the long message was lost"

case_name "50 MB number"
{ cat small.tdf; printf 'ST '; repeat 9; printf '\nNO 4\n'; } > number.tdf
run_tally -tsf small.tsf -tdf number.tdf -xrd number.xrd
expect_ok number.xrd

finish
