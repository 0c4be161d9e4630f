#!/usr/bin/env bash
# The dynamic reader's stack of method contexts under hostile traces: a
# million "ME" records that are never returned from, and "MR" records with
# nothing to return to. Neither may crash, hang or change what the other
# records report.
source "$(dirname "$0")/fault_helpers.bash"
write_small_traces

case_name "reference run"
run_tally -tsf small.tsf -tdf small.tdf -xrd reference.xrd
expect_status 0
expect_well_formed reference.xrd

case_name "1000000 ME records without MR"
{
  cat small.tdf
  awk 'BEGIN { for (i = 0; i < 1000000; i++) print "ME 4 0" }'
  # A result for the last method entered: check 4 is counted.
  printf 'ST 65\nNO "done"\n'
} > entries.tdf
run_tally -tsf small.tsf -tdf entries.tdf -xrd entries.xrd
expect_ok entries.xrd
grep -q '<TEXT>c == d</TEXT>' entries.xrd || fail "the result of the innermost method was lost"

case_name "MR on an empty stack"
{
  printf 'MR \nMR \n'
  cat small.tdf
  awk 'BEGIN { for (i = 0; i < 1000000; i++) print "MR " }'
} > returns.tdf
run_tally -tsf small.tsf -tdf returns.tdf -xrd returns.xrd
expect_ok returns.xrd
without_date reference.xrd > reference.body
without_date returns.xrd | sed 's#returns.xrd#reference.xrd#g' > returns.body
cmp -s reference.body returns.body || fail "returns with nothing to return to changed the report"

case_name "ME and MR interleaved, more returns than entries"
{
  cat small.tdf
  awk 'BEGIN { for (i = 0; i < 200000; i++) print (i % 3 ? "MR " : "ME 4 0") }'
} > mixed.tdf
run_tally -tsf small.tsf -tdf mixed.tdf -xrd mixed.xrd
expect_ok mixed.xrd

finish
