#!/usr/bin/env bash
# Traces that are not what they claim to be: random bytes, real traces cut
# off at every few bytes (so in the middle of keywords, numbers and quoted
# texts), and texts holding NUL and every other control character. The
# readers skip what they do not recognise: every run ends with status 0 and
# a well-formed report in which no control character other than tab, line
# feed and carriage return survives.
examples=$(cd "$(dirname "$0")/../../examples" && pwd)
source "$(dirname "$0")/fault_helpers.bash"
write_small_traces

# Characters XML 1.0 cannot carry, left in the file after deleting the ones
# it can (tab, LF, CR, DEL and every byte from the space up).
forbidden_count() {
  LC_ALL=C tr -d '\t\n\r\040-\377' < "$1" | wc -c
}

expect_clean_report() {
  expect_ok "$1"
  [ -f "$1" ] && [ "$(forbidden_count "$1")" -eq 0 ] && return
  [ -f "$1" ] && fail "control characters reached the report $1"
}

random_bytes() {  # random_bytes <seed> <count>: the same bytes for a seed
  LC_ALL=C awk -v seed="$1" -v n="$2" 'BEGIN { srand(seed); for (i = 0; i < n; i++) printf "%c", int(rand() * 256) }'
}

for seed in 1 2 3; do
  random_bytes "$seed" 262144 > "random$seed"
  case_name "random bytes (seed $seed) as the static trace"
  run_tally -tsf "random$seed" -tdf small.tdf -xrd out.xrd
  expect_clean_report out.xrd
  case_name "random bytes (seed $seed) as the dynamic trace"
  run_tally -tsf small.tsf -tdf "random$seed" -xrd out.xrd
  expect_clean_report out.xrd
  case_name "random bytes (seed $seed) as both traces, twice over"
  run_tally -tsf "random$seed" "random$seed" -tdf "random$seed" -xrd out.xrd
  expect_clean_report out.xrd
done

# Every fifth cut of the example traces; the full other trace beside it.
cut_runs() {  # cut_runs <trace> <static|dynamic>
  local size at
  size=$(wc -c < "$1")
  for ((at = 0; at < size; at += 5)); do
    head -c "$at" "$1" > cut
    case_name "$(basename "$1") cut after $at bytes"
    if [ "$2" = static ]; then
      run_tally -tsf cut "$examples/strings.tsf" -tdf "$examples/example.tdf" -xrd out.xrd
    else
      run_tally -tsf "$examples/calc.tsf" "$examples/strings.tsf" -tdf cut -xrd out.xrd
    fi
    expect_clean_report out.xrd
  done
}
cut_runs "$examples/calc.tsf" static
cut_runs "$examples/example.tdf" dynamic

# Every control character, and NUL, raw in every text field of both traces,
# and as octal escapes in a statement; the static trace has no "SO", so its
# own name (with control characters too) is the source path of the links.
controls=$(LC_ALL=C awk 'BEGIN { for (c = 1; c < 32; c++) if (c != 10 && c != 13) printf "%c", c; printf "%c", 127 }')
escapes=$(LC_ALL=C awk 'BEGIN { for (c = 0; c < 32; c++) printf "\\\\%03o", c }')
static_name=$(printf 'trace\001\033[1m.tsf')
{
  printf 'IN "File" 1 "file%s"\nID 1 2\n' "$controls"
  printf 'IN "TestCase" 2 "case%s"\n' "$controls"
  printf 'TX 3 "raw %s end"\n' "$controls"
  printf 'TX 4 "nul \000 end"\n'
  printf 'TX 5 "escaped %s end"\n' "$escapes"
  printf 'TX 6 "escaped nul \\\\000 end"\n'
  printf 'IN "TestStub" 7 "stub\000%s"\nTX 8 "in stub"\n' "$controls"
  printf 'ED \n'
} > "$static_name"
{
  printf 'SF 1 1 2\nCS 1\nNI 2 1\nST 65\n'
  for id in 3 4 5 6; do
    printf 'NO %x "message %s"\nNO %x "nul \000 message"\n' $id "$controls" $id
  done
  printf 'NI 7 2\nST 9d\nME 8 0\nNO "%s"\nMR \n' "$controls"
} > controls.tdf
results_name=$(printf 'out\001\002&<>".xrd')

case_name "control characters and NUL in every text"
run_tally -tsf "$static_name" -tdf controls.tdf -xrd "$results_name"
expect_clean_report "$results_name"
for text in '<TEXT>raw' '<TEXT>nul' '<TEXT>escaped' 'name="case'; do
  grep -q "$text" "$results_name" 2>/dev/null || fail "the report lost the text starting $text"
done

finish
