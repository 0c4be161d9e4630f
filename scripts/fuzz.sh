#!/usr/bin/env bash
# Runs every fuzz harness (tests/fuzz) with libFuzzer for FUZZ_SECONDS seconds
# each (default 60), one after the other, and fails if any of them finds a
# crash, a sanitizer report, a leak, a broken invariant or an input that
# takes more than 10 seconds.
#
# Builds with clang in its own tree ($BUILD-fuzz, default build-fuzz), with
# AddressSanitizer and UndefinedBehaviorSanitizer. First replays the seed
# corpora and saved regressions (CTest fuzz.*), then fuzzes each harness on
# a fresh copy of its seed corpus inside the build tree, so nothing found is
# written into the sources. A crash input is left as
# $BUILD-fuzz/fuzz-runs/<harness>/crash-*; to keep it as a regression test,
# copy it to tests/fuzz/regressions/<harness>/.
#
# FUZZ_HARNESSES picks some harnesses ("static_reader whole_run");
# FUZZ_ARGS passes more libFuzzer options (for example "-jobs=2 -workers=2"
# for a long run on two cores).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD:-build}-fuzz
seconds=${FUZZ_SECONDS:-60}
jobs=${JOBS:-$(nproc)}
harnesses=${FUZZ_HARNESSES:-static_reader dynamic_reader studio_header decode_text whole_run}
extra_args=${FUZZ_ARGS:-}

bash scripts/setup.sh clang-14 libclang-rt-14-dev

CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTALLY_SANITIZE=ON -DTALLY_FUZZ=ON > "$build.configure.log" 2>&1 \
  || { cat "$build.configure.log"; exit 1; }
targets=()
for harness in $harnesses; do
  targets+=(--target "fuzz_$harness")
done
cmake --build "$build" -j "$jobs" "${targets[@]}"

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

(cd "$build" && ctest --output-on-failure -R "^fuzz\\.($(echo $harnesses | tr ' ' '|'))\$")

# Longest input per harness: traces and whole runs get room for several
# records, a header for lines longer than its 2046-byte read.
max_len() {
  case $1 in
    whole_run) echo 16384 ;;
    static_reader|dynamic_reader|studio_header) echo 8192 ;;
    *) echo 4096 ;;
  esac
}

# libFuzzer stops at an input that runs over the time limit; a host that
# pauses the whole machine for a while looks just the same. Such an input is
# run once more: only a time-out that repeats is a finding.
stalled() {  # stalled <harness> <work folder>
  local inputs other
  inputs=$(ls "$2"/timeout-* 2> /dev/null) || return 1
  for other in "$2"/crash-* "$2"/leak-* "$2"/oom-*; do
    [ -e "$other" ] && return 1
  done
  # shellcheck disable=SC2086
  timeout 10 "$build/tests/fuzz/fuzz_$1" $inputs > "$2/rerun.log" 2>&1
}

failed=()
for harness in $harnesses; do
  work=$build/fuzz-runs/$harness
  rm -rf "$work"
  mkdir -p "$work/corpus"
  cp tests/fuzz/corpus/"$harness"/* "$work/corpus/"
  echo "fuzzing $harness for $seconds s"
  # shellcheck disable=SC2086
  if "$build/tests/fuzz/fuzz_$harness" "$work/corpus" \
       -max_total_time="$seconds" -timeout=10 -max_len="$(max_len "$harness")" \
       -dict="tests/fuzz/dictionaries/$harness.dict" -artifact_prefix="$work/" \
       -print_final_stats=1 $extra_args > "$work/log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$work/log" | sed "s/^/  /" || true
  elif stalled "$harness" "$work"; then
    echo "  $harness stopped at a time-out that did not repeat on a second run (the"
    echo "  machine stalled, not the program); the input is kept in $work"
  else
    echo "  $harness FAILED; the end of its log ($work/log):"
    tail -n 40 "$work/log"
    failed+=("$harness")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]}"
  exit 1
fi
echo "fuzzing: no faults in $harnesses"
