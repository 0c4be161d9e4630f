#!/usr/bin/env bash
# Inputs and results that are not plain files, or that the program may not
# use: traces that are FIFOs (read to the end once their writer closes, even
# when it writes in pieces), a results FIFO whose reader goes away, a results
# file over the file-size limit, more traces than descriptors may be open at
# once, files the user may not read or write.
# Each ends with its status and one diagnostic line, never by a signal; a
# results file whose new version could not be written whole is kept as it was.
source "$(dirname "$0")/fault_helpers.bash"
write_small_traces

# Writes a file into a FIFO line by line, pausing between lines, so that the
# reader meets the end of what is there many times before the real end.
slow_writer() {  # slow_writer <file> <fifo>
  while IFS= read -r line; do
    printf '%s\n' "$line"
    sleep 0.05
  done < "$1" > "$2"
}

writer() {  # writer <file> <fifo>: all at once
  cat "$1" > "$2"
}

# Reads the small traces through two FIFOs fed by the given writer.
read_through_fifos() {  # read_through_fifos <writer> <results>
  "$1" small.tsf static.fifo &
  "$1" small.tdf dynamic.fifo &
  run_tally -tsf static.fifo -tdf dynamic.fifo -xrd "$2"
  wait
  expect_status 0
  expect_clean
  expect_well_formed "$2"
  grep -q '<TEXT>a == b</TEXT>' "$2" || fail "the check read from the FIFOs is missing"
}

mkfifo static.fifo dynamic.fifo
case_name "both traces are FIFOs"
read_through_fifos writer fifo.xrd

case_name "FIFO traces written slowly, line by line"
read_through_fifos slow_writer slow.xrd

case_name "FIFO traces whose writers close without writing"
: > static.fifo &
: > dynamic.fifo &
run_tally -tsf static.fifo -tdf dynamic.fifo -xrd silent.xrd
wait
expect_ok silent.xrd

# A report far larger than a pipe holds: 3000 passed checks.
awk 'BEGIN {
  print "IN \"File\" 1 \"Big\""; print "ID 1 2"; print "IN \"TestCase\" 2 \"c\""
  for (i = 3; i < 3003; i++) printf "TX %d \"statement %d\"\n", i, i
  print "ED "
}' > big.tsf
awk 'BEGIN {
  print "SF 1 1 2"; print "CS 1"; print "NI 2 1"; print "ST 65"
  for (i = 3; i < 3003; i++) printf "NO %x\n", i
}' > big.tdf

case_name "results FIFO read to the end"
mkfifo results.fifo
cat results.fifo > received.xrd &
run_tally -tsf big.tsf -tdf big.tdf -xrd results.fifo
wait
expect_ok received.xrd

case_name "results FIFO whose reader leaves early"
head -c 100 results.fifo > /dev/null &
run_tally -tsf big.tsf -tdf big.tdf -xrd results.fifo
wait
expect_status 255
expect_diagnostic "tallyrpt - error: results.fifo, write failed."
[ -p results.fifo ] || fail "the FIFO itself was removed"

case_name "results file over the file-size limit"
echo "old content" > limited.xrd
(ulimit -f 64; run_tally -tsf big.tsf -tdf big.tdf -xrd limited.xrd; exit "$status")
status=$?
expect_status 255
expect_diagnostic "tallyrpt - error: limited.xrd, write failed."
[ "$(cat limited.xrd)" = "old content" ] || fail "the old results file was not kept"

case_name "more static traces than the descriptor limit allows open at once"
for i in $(seq 200); do cp small.tsf "many$i.tsf"; done
(ulimit -n 64; run_tally -tsf many*.tsf -tdf small.tdf -xrd many.xrd; exit "$status")
status=$?
expect_ok many.xrd

if [ "$(id -u)" -eq 0 ]; then
  echo "running as root: the permission cases are skipped"
  finish
fi

case_name "unreadable static trace"
cp small.tsf locked.tsf
chmod 000 locked.tsf
run_tally -tsf locked.tsf -tdf small.tdf -xrd locked.xrd
expect_status 255
expect_diagnostic "tallyrpt - error: locked.tsf, file format not recognized."
expect_no_file locked.xrd

case_name "unreadable dynamic trace"
cp small.tdf locked.tdf
chmod 000 locked.tdf
run_tally -tsf small.tsf -tdf locked.tdf -xrd locked.xrd
expect_status 255
expect_diagnostic "tallyrpt - error: locked.tdf, file format not recognized."
expect_no_file locked.xrd

case_name "results in a folder without write permission"
mkdir closed
chmod 555 closed
run_tally -tsf small.tsf -tdf small.tdf -xrd closed/out.xrd
expect_status 255
expect_diagnostic "tallyrpt - error: closed/out.xrd, permission denied;"
expect_no_file closed/out.xrd

case_name "read-only results file"
echo "kept" > readonly.xrd
chmod 444 readonly.xrd
run_tally -tsf small.tsf -tdf small.tdf -xrd readonly.xrd
expect_status 255
expect_diagnostic "tallyrpt - error: readonly.xrd, permission denied;"
[ "$(cat readonly.xrd)" = kept ] || fail "the read-only results file was changed"

finish
