#!/usr/bin/env bash
# Memory exhaustion under an address-space limit: the run must end with the
# fatal line and status 1, whichever allocation fails first.
set -u
binary=$1
stage=$2

work=$(mktemp -d /tmp/tally_oom_XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Find the smallest limit (in steps of 16 MB) under which the program starts
# and shows its usage text, so the test does not depend on library sizes.
base=""
for kb in $(seq 65536 16384 1048576); do
  if (ulimit -v "$kb"; KORVELDIR="$stage" "$binary") > /dev/null 2>&1; [ $? -eq 255 ]; then
    base=$kb
    break
  fi
done
if [ -z "$base" ]; then
  echo "the program did not start under any limit up to 1 GB"
  exit 1
fi

# A static trace with far more nodes than 96 MB above that limit can hold.
awk 'BEGIN {
  print "IN \"File\" 1 \"Big\""
  for (i = 2; i <= 3000000; i++)
    printf "TX %d \"statement number %d, long enough to take some room in memory\"\n", i, i
  print "ED"
}' > big.tsf
: > empty.tdf

(ulimit -v $((base + 98304)); KORVELDIR="$stage" exec "$binary" -tsf big.tsf -tdf empty.tdf -xrd out.xrd) 2> err
status=$?

failed=0
if [ $status -ne 1 ]; then
  echo "expected status 1, got $status"
  failed=1
fi
if [ "$(tail -n 1 err)" != "tallyrpt - fatal: out of memory" ]; then
  echo "expected the fatal line last on standard error, got:"
  cat err
  failed=1
fi
if [ "$(wc -l < err)" -ne 3 ]; then
  echo "expected the banner and the fatal line only, got:"
  cat err
  failed=1
fi
exit $failed
