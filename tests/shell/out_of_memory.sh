#!/usr/bin/env bash
# Memory exhaustion under an address-space limit: the run must end with the
# fatal line and status 1, whichever allocation fails first.
source "$(dirname "$0")/fault_helpers.bash"

# Find the smallest limit (in steps of 16 MB) under which the program starts
# and shows its usage text, so the test does not depend on library sizes.
base=""
for kb in $(seq 65536 16384 1048576); do
  (ulimit -v "$kb"; KORVELDIR="$stage" "$binary") > /dev/null 2>&1
  [ $? -eq 255 ] && base=$kb && break
done
[ -n "$base" ] || { echo "the program did not start under any limit up to 1 GB"; exit 1; }

# A static trace with far more nodes than 96 MB above that limit can hold.
awk 'BEGIN {
  print "IN \"File\" 1 \"Big\""
  for (i = 2; i <= 3000000; i++)
    printf "TX %d \"statement number %d, long enough to take some room in memory\"\n", i, i
  print "ED"
}' > big.tsf
: > empty.tdf

case_name "out of memory at 96 MB above the smallest limit"
(ulimit -v $((base + 98304)); run_tally -tsf big.tsf -tdf empty.tdf -xrd out.xrd; exit "$status")
status=$?
expect_status 1
expect_diagnostic "tallyrpt - fatal: out of memory"
finish
