#!/usr/bin/env bash
# Long traces are read, and large reports written, with a second thread. When
# no thread can be started the run must still succeed with the same report:
# a stack limit of 4 GB makes every new thread ask for a 4 GB stack, which an
# address-space limit of 3 GB refuses, while the main thread runs as usual.
source "$(dirname "$0")/fault_helpers.bash"

# Past the read-ahead threshold in both traces, and over 1 MiB of report.
awk 'BEGIN {
  print "IN \"File\" 1 \"Big\"\nID 1 2\nIN \"TestCase\" 2 \"c\""
  for (i = 3; i < 30000; i++)
    printf "LK %d\nTX %d \"%s(%d)\"\n", i, i, (i % 10 ? "x ==" : "verifyLogMessage"), i
  print "ED "
}' > big.tsf
awk 'BEGIN {
  print "SF 1 1 2\nCS 1\nNI 2 1\nST 65"
  for (i = 3; i < 30000; i++)
    printf "NO %x \"message %d\"\n", i, i
}' > big.tdf


case_name "with threads"
run_tally -tsf big.tsf -tdf big.tdf -xrd out.xrd
expect_status 0
expect_clean
mv out.xrd threaded.xrd

# Under an address-space limit the C library cannot give the read-ahead
# thread a heap of its own; unless all threads share one, every block that
# thread allocates becomes a mapping of its own (a page fault each, and most
# of the run spent in the kernel). The faults of a limited run must stay
# close to those of a free one.
case_name "read-ahead thread under an address-space limit"
minor_faults() {  # minor_faults <limit or unlimited>: the run's minor page faults
  (ulimit -v "$1"; env -u LC_ALL KORVELDIR="$stage" LANG=C.UTF-8 \
    /usr/bin/time -f '%R' -o faults "$binary" -tsf big.tsf -tdf big.tdf -xrd limited.xrd 2> /dev/null)
  tail -n 1 faults
}
free_faults=$(minor_faults unlimited)
limited_faults=$(minor_faults 116000)
[ "$limited_faults" -le $((free_faults * 2)) ] ||
  fail "$limited_faults page faults under the limit against $free_faults without it"

case_name "without threads"
if ! (ulimit -s 4000000 && ulimit -v 3000000) 2> /dev/null; then
  echo "skipped: the stack or address-space limit cannot be set here"
  finish
fi
(ulimit -s 4000000; ulimit -v 3000000; run_tally -tsf big.tsf -tdf big.tdf -xrd out.xrd; exit $status)
status=$?
expect_ok out.xrd
[ "$(stat -c %s out.xrd)" -gt 1048576 ] || fail "the report is smaller than one write chunk"
cmp -s <(without_date threaded.xrd) <(without_date out.xrd) || fail "the report differs from the threaded run's"
finish
