#!/usr/bin/env bash
# A results file is replaced whole or not at all. A run stopped mid-write
# (KILL, TERM) or cut by a file-size limit leaves the previous file as it
# was, with nothing beside it; two runs writing one path leave one complete
# report; a symbolic link has its target replaced; the old file's
# permissions are kept; a studio header that is the results file is read
# before anything is written; a header that never ends is read in part.
source "$(dirname "$0")/fault_helpers.bash"
write_small_traces


expect_alone() {  # expect_alone <file...>: nothing else in the scratch folder's results area
  local left
  left=$(cd area && ls -A | sort | tr '\n' ' ')
  [ "$left" = "$* " ] || fail "the results folder holds: $left"
}

mkdir area
"$stage/bin/tallyrpt-gentrace" --size 10m --seed 3 --out big > /dev/null || fail "no generated traces"
big_args=(-tsf big/trace*.tsf -tdf big/run.tdf)

# Starts a large run writing area/o.xrd and stops it once 8 MiB have been
# written; its process number is left in $pid.
start_and_stop_mid_write() {
  env -u LC_ALL -u ZEPH_STUDIO_HEADER_FILE KORVELDIR="$stage" LANG=C.UTF-8 \
    "$binary" "${big_args[@]}" -xrd area/o.xrd > /dev/null 2>&1 &
  pid=$!
  local written=0 line
  while [ "$written" -lt $((8 << 20)) ] && kill -0 "$pid" 2> /dev/null; do
    while read -r line; do
      case $line in wchar:*) written=${line#wchar: } ;; esac
    done < "/proc/$pid/io" 2> /dev/null
  done
  kill -STOP "$pid" 2> /dev/null
}

for signal in KILL TERM; do
  case_name "a run ended by SIG$signal mid-write"
  printf 'the previous report\n' > area/o.xrd
  chmod 640 area/o.xrd
  start_and_stop_mid_write
  [ "$(cat area/o.xrd)" = "the previous report" ] || fail "the old file changed while the new one was written"
  kill -"$signal" "$pid"
  kill -CONT "$pid" 2> /dev/null
  wait "$pid" 2> /dev/null
  status=$?
  [ "$status" -gt 128 ] || fail "the run was not stopped in time (status $status); use a larger set"
  [ "$(cat area/o.xrd)" = "the previous report" ] || fail "the old file did not survive"
  [ "$signal" = KILL ] || expect_alone o.xrd
done

case_name "a file-size limit reached part way"
(ulimit -f 1024; run_tally "${big_args[@]}" -xrd area/o.xrd; exit "$status")
status=$?
expect_status 255
expect_diagnostic "tallyrpt - error: area/o.xrd, write failed."
[ "$(cat area/o.xrd)" = "the previous report" ] || fail "the old file did not survive"
expect_alone o.xrd

case_name "a large old file, its cached pages dropped while the new one is written"
truncate -s 80M area/o.xrd
(ulimit -f 1024; run_tally "${big_args[@]}" -xrd area/o.xrd; exit "$status")
status=$?
expect_status 255
[ "$(stat -c %s area/o.xrd)" = $((80 << 20)) ] || fail "the old file did not survive a failed run"
expect_alone o.xrd
run_tally -tsf small.tsf -tdf small.tdf -xrd area/o.xrd
expect_status 0
expect_well_formed area/o.xrd
expect_alone o.xrd
printf 'the previous report\n' > area/o.xrd
chmod 640 area/o.xrd

case_name "a complete run keeps the old file's permissions"
run_tally -tsf small.tsf -tdf small.tdf -xrd area/o.xrd
expect_status 0
expect_well_formed area/o.xrd
[ "$(stat -c %a area/o.xrd)" = 640 ] || fail "mode $(stat -c %a area/o.xrd), expected 640"
expect_alone o.xrd

case_name "a new results file gets the mode the umask gives"
(umask 027; run_tally -tsf small.tsf -tdf small.tdf -xrd area/new.xrd; exit "$status")
[ "$(stat -c %a area/new.xrd)" = 640 ] || fail "mode $(stat -c %a area/new.xrd), expected 640"
rm area/new.xrd

case_name "two runs writing one path at once"
# Two reports of the same traces in another order, written at the same
# time: the file must end up as one of them.
mapfile -t reversed < <(ls big/trace*.tsf | sort -r)
other_args=(-tsf "${reversed[@]}" -tdf big/run.tdf)
run_tally "${big_args[@]}" -xrd area/o.xrd
without_date area/o.xrd > whole_a
run_tally "${other_args[@]}" -xrd area/o.xrd
without_date area/o.xrd > whole_b
pids=()
for args in big_args other_args; do
  declare -n chosen=$args
  env -u LC_ALL -u ZEPH_STUDIO_HEADER_FILE KORVELDIR="$stage" LANG=C.UTF-8 \
    "$binary" "${chosen[@]}" -xrd area/o.xrd 2> /dev/null &
  pids+=($!)
done
for pid in "${pids[@]}"; do
  wait "$pid" || fail "a run ended with status $?"
done
without_date area/o.xrd > whole
cmp -s whole whole_a || cmp -s whole whole_b || fail "the results file is neither report whole"
expect_alone o.xrd

case_name "a symbolic link as the results path"
printf 'old\n' > area/real.xrd
ln -s real.xrd area/link.xrd
run_tally -tsf small.tsf -tdf small.tdf -xrd area/link.xrd
expect_status 0
[ -L area/link.xrd ] || fail "the link was replaced"
expect_well_formed area/real.xrd
rm area/link.xrd area/real.xrd

case_name "a studio header that is the results file"
printf '$PROJECT_NAME=Kept Project\n' > area/o.xrd
ZEPH_STUDIO_HEADER_FILE=area/o.xrd KORVELDIR="$stage" LANG=C.UTF-8 \
  "$binary" -tsf small.tsf -tdf small.tdf -xrd area/o.xrd 2> /dev/null ||
  fail "status $?"
grep -q '>Kept Project</CELL_TEXT>' area/o.xrd || fail "the project name was not read before writing"

case_name "a studio header that never ends"
ZEPH_STUDIO_HEADER_FILE=/dev/zero KORVELDIR="$stage" LANG=C.UTF-8 \
  timeout 60 "$binary" -tsf small.tsf -tdf small.tdf -xrd area/o.xrd 2> /dev/null
status=$?
expect_status 0
expect_well_formed area/o.xrd

finish
