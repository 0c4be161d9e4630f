#!/usr/bin/env bash
# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer
# (gcc), in its own build tree ($BUILD-san, default build-san). Every report
# is fatal: a run with any sanitizer finding fails its test, leaks included.
#
# Three tests are left out here. The shell tests of memory exhaustion and of
# a run without threads limit the address space with ulimit -v, which the
# sanitizers' shadow memory cannot live under; the death test makes requests
# that AddressSanitizer's allocator reports itself instead of failing them to
# the program.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD:-build}-san
jobs=${JOBS:-$(nproc)}

bash scripts/setup.sh

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLY_SANITIZE=ON \
  > "$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j "$jobs"

# Any finding ends the program with status 23, which no test expects; leaks
# are looked for at exit.
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=0:exitcode=23:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:exitcode=23
export LSAN_OPTIONS=exitcode=23

cd "$build"
ctest --output-on-failure -j "$jobs" -E '^(shell\.out_of_memory|shell\.no_threads|MemAllocDeathTest\..*)$'
