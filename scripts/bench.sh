#!/usr/bin/env bash
# Measures tallyrpt on generated trace sets (sizes S, M and L) and prints:
#   - per size: input and output size, tree nodes, median wall and CPU time,
#     the byte floor of the same job and the ratio to it, peak RSS and bytes
#     of RSS per static node;
#   - per stage: median seconds and rates (static and dynamic reading in MB of
#     their trace per second, writing in MB of results file per second);
#   - growth from S to M to L, and the peak RSS growth when the same
#     executions are repeated ten times;
#   - the targets, met or not, on the largest size.
# The byte floor is `wc -l` over every input and over the results file just
# written: every byte touched once, from the page cache, in the same run.
#
# Usage: bash scripts/bench.sh [build-dir]       (make bench)
# Any build folder works, also one of an older revision: stage times are taken
# from its TALLYRPT_STAGE_TIMES lines when it prints them.
# Then tallyview's page benchmark (scripts/bench-page.sh; BENCH_PAGE=0 skips it).
# Environment:
#   BENCH_SIZES="S M L"   sizes to run (any of S, M, L or a byte count)
#   BENCH_SEED=1          generator seed
#   BENCH_RUNS=3          timed runs per size (after one warm-up run)
#   BENCH_REPEAT=10       repeat count of the memory-growth set (0: skip it)
#   BENCH_REPEAT_SIZE=M   size of the memory-growth set
#   BENCH_DATA=DIR        where trace sets are kept (default <build>/bench-data);
#                         sets found there are used as they are
# Every timed job (tallyrpt or the floor) starts after a sync, with nothing
# left to write back from the job before it. On a machine shared with other
# work, read ratios rather than absolute times; the load average is printed
# before and after.
set -uo pipefail

build=$(cd "${1:-build}" && pwd) || exit 1
stage="$build/stage"
tallyrpt="$stage/bin/tallyrpt"
gentrace="$stage/bin/tallyrpt-gentrace"
data=${BENCH_DATA:-$build/bench-data}
shared_data=${BENCH_DATA:+1}
sizes=${BENCH_SIZES:-S M L}
seed=${BENCH_SEED:-1}
runs=${BENCH_RUNS:-3}
repeat=${BENCH_REPEAT:-10}
repeat_size=${BENCH_REPEAT_SIZE:-M}

# Targets on the largest size run.
target_static_rate=400    # MB/s
target_dynamic_rate=450   # MB/s
target_floor_ratio=8
target_bytes_per_node=120 # peak RSS per static node
target_repeat_growth=5    # percent

for program in "$tallyrpt" "$gentrace"; do
  if [ ! -x "$program" ]; then
    echo "bench: $program is missing; build first (make build)" >&2
    exit 1
  fi
done

# Peak RSS comes from GNU time (Debian package "time"), installed by the
# set-up script like every other package.
if [ ! -x /usr/bin/time ]; then
  bash "$(dirname "$0")/setup.sh" time
  [ -x /usr/bin/time ] || { echo "bench: /usr/bin/time could not be installed" >&2; exit 1; }
fi

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }
manifest_value() { awk -v k="$2" '$1 == k { print $2 }' "$1/manifest.txt"; }
mb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1e6 }'; }
load() { cut -d' ' -f1-3 /proc/loadavg; }
# Time the processors of a virtual machine spent running others (steal), in
# clock ticks, summed over every processor.
steal_ticks() { awk '$1 == "cpu" { print $9 + 0; exit }' /proc/stat; }
ticks_per_second=$(getconf CLK_TCK 2>/dev/null || echo 100)

# Same seed, same bytes: two small sets compared file by file.
check_determinism() {
  local tmp
  tmp=$(mktemp -d /tmp/tally_bench_XXXXXX)
  "$gentrace" --size S --seed "$seed" --out "$tmp/a" >/dev/null &&
    "$gentrace" --size S --seed "$seed" --out "$tmp/b" >/dev/null || { rm -rf "$tmp"; return 1; }
  local status=0 file
  for file in "$tmp"/a/*; do
    cmp -s "$file" "$tmp/b/$(basename "$file")" || { echo "bench: $(basename "$file") differs" >&2; status=1; }
  done
  rm -rf "$tmp"
  return $status
}

# Prints the folder of a trace set, generating it when needed: when missing,
# or (in the build's own folder) older than the generator.
dataset() {
  local size=$1 rep=$2 dir
  dir="$data/$size-seed$seed"
  [ "$rep" -gt 1 ] && dir="$dir-r$rep"
  if [ ! -f "$dir/manifest.txt" ] || { [ -z "$shared_data" ] && [ "$gentrace" -nt "$dir/manifest.txt" ]; }; then
    rm -rf "$dir"
    mkdir -p "$dir"
    local t0 t1
    t0=$(now)
    "$gentrace" --size "$size" --seed "$seed" --repeat "$rep" --out "$dir" >&2 || return 1
    t1=$(now)
    elapsed "$t0" "$t1" > "$dir/generation-seconds"
  fi
  echo "$dir"
}

static_traces() { ls -v "$1"/trace*.tsf; }

# Results and logs of a build go to a folder of its own, so that two builds
# can share the trace sets.
out_dir() { echo "$1/out-$(echo "$build" | cksum | cut -d' ' -f1)"; }

# One run of tallyrpt on a set: prints "wall_seconds rss_kbytes cpu_seconds
# steal_percent" (the share of the machine's processor time, during the run,
# that its host gave to others); its diagnostics and stage times stay in
# <out>/stderr.<tag>.
run_tallyrpt() {
  local dir=$1 tag=$2 t0 t1 status out s0 s1
  out=$(out_dir "$dir")
  mkdir -p "$out"
  local -a tsf
  mapfile -t tsf < <(static_traces "$dir")
  s0=$(steal_ticks)
  t0=$(now)
  TALLYRPT_STAGE_TIMES=1 KORVELDIR="$stage" /usr/bin/time -v -o "$out/time.$tag" \
    "$tallyrpt" -tsf "${tsf[@]}" -tdf "$dir/run.tdf" -xrd "$out/results.xrd" 2> "$out/stderr.$tag"
  status=$?
  t1=$(now)
  s1=$(steal_ticks)
  if [ $status -ne 0 ]; then
    echo "bench: tallyrpt ended with status $status on $dir:" >&2
    grep -v '^stage \|^after ' "$out/stderr.$tag" | tail -5 >&2
    return 1
  fi
  echo "$(elapsed "$t0" "$t1") $(awk -F': ' '/Maximum resident set size/ { rss = $2 }
    /User time|System time/ { cpu += $2 } END { printf "%d %.2f", rss, cpu }' "$out/time.$tag") $(
    awk -v a="$t0" -v b="$t1" -v s="$((s1 - s0))" -v hz="$ticks_per_second" -v n="$(nproc)" \
      'BEGIN { printf "%.0f", (b > a ? 100 * s / hz / ((b - a) * n) : 0) }')"
}

# The byte floor of the same job: every input and the results file, each
# byte looked at once (wc -l), from the page cache.
run_floor() {
  local dir=$1 t0 t1
  local -a tsf
  mapfile -t tsf < <(static_traces "$dir")
  t0=$(now)
  wc -l "${tsf[@]}" "$dir/run.tdf" "$(out_dir "$dir")/results.xrd" > /dev/null
  t1=$(now)
  elapsed "$t0" "$t1"
}

echo "tallyrpt benchmark of $build"
echo "machine: $(nproc) CPUs ($(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)), $(awk '/MemTotal/ { printf "%.1f GB", $2 / 1048576 }' /proc/meminfo) of memory, transparent huge pages: $(sed -n 's/.*\[\(.*\)\].*/\1/p' /sys/kernel/mm/transparent_hugepage/enabled 2>/dev/null || echo unknown)"
echo "sizes $sizes, seed $seed, $runs timed runs each after one warm-up; load average at start: $(load)"
if check_determinism; then
  echo "generator: same seed gives the same traces"
else
  echo "bench: the generator is not deterministic" >&2
  exit 1
fi

declare -A wall rss cpu steal floor input static_in dynamic_in output static_nodes tree_nodes gen_time stage_time
stage_names=("static reading" "dynamic reading" "roll-up" "writing" "freeing")
done_sizes=()
for size in $sizes; do
  dir=$(dataset "$size" 1) || { echo "bench: generation of $size failed" >&2; continue; }
  gen_time[$size]=$(cat "$dir/generation-seconds" 2>/dev/null || echo "?")
  echo "== $size: $(mb "$(manifest_value "$dir" static_bytes)") MB static, $(mb "$(manifest_value "$dir" dynamic_bytes)") MB dynamic (generated in ${gen_time[$size]} s)"
  run_tallyrpt "$dir" warmup > /dev/null || continue
  walls=() rsss=() cpus=() steals=() floors=() failed=0
  for i in $(seq 1 "$runs"); do
    # Each timed job starts with no write-back pending from the one before,
    # so that neither pays for the other's output reaching the disk.
    sync
    result=$(run_tallyrpt "$dir" "$i") || { failed=1; break; }
    read -r run_wall run_rss run_cpu run_steal <<< "$result"
    walls+=("$run_wall")
    rsss+=("$run_rss")
    cpus+=("$run_cpu")
    steals+=("$run_steal")
    sync
    floors+=("$(run_floor "$dir")")
    echo "   run $i: $run_wall s wall, $run_cpu s CPU, peak RSS $run_rss kB, byte floor ${floors[-1]} s, host's share $run_steal%"
  done
  [ $failed -eq 0 ] || continue
  out=$(out_dir "$dir")
  wall[$size]=$(printf '%s\n' "${walls[@]}" | median)
  rss[$size]=$(printf '%s\n' "${rsss[@]}" | median)
  cpu[$size]=$(printf '%s\n' "${cpus[@]}" | median)
  steal[$size]=$(printf '%s\n' "${steals[@]}" | median)
  floor[$size]=$(printf '%s\n' "${floors[@]}" | median)
  static_in[$size]=$(manifest_value "$dir" static_bytes)
  dynamic_in[$size]=$(manifest_value "$dir" dynamic_bytes)
  input[$size]=$(( static_in[$size] + dynamic_in[$size] ))
  output[$size]=$(stat -c %s "$out/results.xrd")
  static_nodes[$size]=$(manifest_value "$dir" static_nodes)
  tree_nodes[$size]=$(manifest_value "$dir" tree_nodes)
  for name in "${stage_names[@]}"; do
    stage_time[$size,$name]=$(for i in $(seq 1 "$runs"); do
      sed -n "s/^stage $name: \([0-9.]*\) s$/\1/p" "$out/stderr.$i"
    done | median)
  done
  done_sizes+=("$size")
done
echo "load average after the timed runs: $(load)"

echo
if [ ${#done_sizes[@]} -eq 0 ]; then
  echo "bench: no size finished" >&2
  exit 1
fi
echo "Medians of $runs runs. Byte floor: wc -l over the inputs and the results file. B/node: peak RSS per static node."
printf '%-5s %8s %9s %10s %10s %8s %7s %8s %8s %7s %8s %7s\n' \
  size "input MB" "output MB" "static" "tree nodes" "wall s" "CPU s" "MB/s" "floor s" "xfloor" "RSS MB" "B/node"
for size in "${done_sizes[@]}"; do
  awk -v s="$size" -v in_b="${input[$size]}" -v out_b="${output[$size]}" -v sn="${static_nodes[$size]}" \
      -v tn="${tree_nodes[$size]}" -v w="${wall[$size]}" -v c="${cpu[$size]}" -v f="${floor[$size]}" \
      -v r="${rss[$size]}" 'BEGIN {
    printf "%-5s %8.1f %9.1f %10d %10d %8.3f %7.2f %8.1f %8.3f %7.1f %8.1f %7.0f\n",
      s, in_b / 1e6, out_b / 1e6, sn, tn, w, c, (w > 0 ? in_b / 1e6 / w : 0), f, (f > 0 ? w / f : 0),
      r / 1024, (sn > 0 ? r * 1024 / sn : 0) }'
done

echo
echo "Stages (median seconds, and rates: reading in MB of its trace per second, writing in MB of results file per second):"
printf '%-5s %22s %22s %9s %22s %9s\n' size "static reading" "dynamic reading" "roll-up" "writing" "freeing"
for size in "${done_sizes[@]}"; do
  awk -v s="$size" -v st="${stage_time[$size,static reading]:-}" -v dy="${stage_time[$size,dynamic reading]:-}" \
      -v ro="${stage_time[$size,roll-up]:-}" -v wr="${stage_time[$size,writing]:-}" \
      -v fr="${stage_time[$size,freeing]:-}" -v sb="${static_in[$size]}" -v db="${dynamic_in[$size]}" \
      -v ob="${output[$size]}" '
    function pair(t, bytes) { return t == "" ? "-" : (t > 0 ? sprintf("%.3f (%.0f MB/s)", t, bytes / 1e6 / t) : sprintf("%.3f", t)) }
    BEGIN {
      printf "%-5s %22s %22s %9s %22s %9s\n", s, pair(st, sb), pair(dy, db), (ro == "" ? "-" : ro),
        pair(wr, ob), (fr == "" ? "-" : fr) }'
done

# Growth from one size to the next: time against input.
previous=""
for size in "${done_sizes[@]}"; do
  if [ -n "$previous" ]; then
    awk -v a="$previous" -v b="$size" -v wa="${wall[$previous]}" -v wb="${wall[$size]}" \
        -v ca="${cpu[$previous]}" -v cb="${cpu[$size]}" -v ia="${input[$previous]}" -v ib="${input[$size]}" \
        -v ra="${rss[$previous]}" -v rb="${rss[$size]}" 'BEGIN {
      printf "growth %s -> %s: x%.2f input, x%.2f wall, x%.2f CPU, x%.2f peak RSS\n",
        a, b, ib / ia, (wa > 0 ? wb / wa : 0), (ca > 0 ? cb / ca : 0), (ra > 0 ? rb / ra : 0) }'
  fi
  previous=$size
done

# Memory growth: the same executions R times over the same static tree.
repeat_growth=""
if [ "$repeat" -gt 1 ] && [ -n "${rss[$repeat_size]:-}" ]; then
  echo
  dir=$(dataset "$repeat_size" "$repeat") || exit 1
  base="$data/$repeat_size-seed$seed"
  if result=$(run_tallyrpt "$dir" 1); then
    read -r run_wall run_rss run_cpu _ <<< "$result"
    repeat_growth=$(awk -v r1="${rss[$repeat_size]}" -v rr="$run_rss" 'BEGIN { printf "%.1f", (rr / r1 - 1) * 100 }')
    awk -v r1="${rss[$repeat_size]}" -v rr="$run_rss" -v rep="$repeat" -v size="$repeat_size" \
        -v c1="${cpu[$repeat_size]}" -v cr="$run_cpu" -v wr="$run_wall" \
        -v d1="$(manifest_value "$base" dynamic_bytes)" -v dr="$(manifest_value "$dir" dynamic_bytes)" \
        -v m1="$(manifest_value "$base" messages)" -v mr="$(manifest_value "$dir" messages)" 'BEGIN {
      printf "repeat-%d dynamic trace over the %s static tree: %.1f MB dynamic input (x%.1f), %.3f s wall, %.2f s CPU (x%.1f)\n",
        rep, size, dr / 1e6, dr / d1, wr, cr, (c1 > 0 ? cr / c1 : 0)
      printf "peak RSS %.1f MB against %.1f MB: growth %+.1f%%, for %d messages against %d\n",
        rr / 1024, r1 / 1024, (rr / r1 - 1) * 100, mr, m1
    }'
  fi
fi

# The targets, on the largest size run.
largest=${done_sizes[-1]}
echo
echo "Targets on $largest (the host gave others ${steal[$largest]}% of this machine's processor time during its runs, median):"
awk -v st="${stage_time[$largest,static reading]:-}" -v dy="${stage_time[$largest,dynamic reading]:-}" \
    -v sb="${static_in[$largest]}" -v db="${dynamic_in[$largest]}" -v w="${wall[$largest]}" \
    -v f="${floor[$largest]}" -v r="${rss[$largest]}" -v sn="${static_nodes[$largest]}" -v g="$repeat_growth" \
    -v ts="$target_static_rate" -v td="$target_dynamic_rate" -v tf="$target_floor_ratio" \
    -v tb="$target_bytes_per_node" -v tg="$target_repeat_growth" '
  function verdict(ok) { return ok ? "met" : "missed" }
  BEGIN {
    if (st != "" && st > 0)
      printf "  static reading  %6.0f MB/s   (at least %d): %s\n", sb / 1e6 / st, ts, verdict(sb / 1e6 / st >= ts)
    if (dy != "" && dy > 0)
      printf "  dynamic reading %6.0f MB/s   (at least %d): %s\n", db / 1e6 / dy, td, verdict(db / 1e6 / dy >= td)
    if (f > 0)
      printf "  whole run       %6.1f x floor (at most %d): %s\n", w / f, tf, verdict(w / f <= tf)
    printf "  peak RSS        %6.0f B/node  (at most %d): %s\n", r * 1024 / sn, tb, verdict(r * 1024 / sn <= tb)
    if (g != "")
      printf "  repeat growth   %+6.1f%%       (under %d%%): %s\n", g, tg, verdict(g < tg)
  }'

# tallyview's page beside tallyrpt's figures (BENCH_PAGE=0 leaves it out).
if [ "${BENCH_PAGE:-1}" != 0 ]; then
  bash "$(dirname "$0")/bench-page.sh" "$build"
fi
