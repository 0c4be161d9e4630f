#!/usr/bin/env bash
# Measures tallyrpt on generated trace sets (sizes S, M, L) and prints one
# table: input and output size, tree nodes, median wall time of several runs
# against the I/O floor of the same job (reading the inputs, copying the
# results file), peak RSS per tree node, the time growth from M to L, the
# per-stage split and the RSS growth when the same executions are repeated.
#
# Usage: bash scripts/bench.sh [build-dir]       (make bench)
# Then tallyview's page benchmark (scripts/bench-page.sh; BENCH_PAGE=0 skips it).
# Environment:
#   BENCH_SIZES="S M L"   sizes to run (any of S, M, L or a byte count)
#   BENCH_SEED=1          generator seed
#   BENCH_RUNS=3          timed runs per size (after one warm-up run)
#   BENCH_REPEAT=10       repeat count of the memory-growth set (0: skip it)
#   BENCH_REPEAT_SIZE=M   size of the memory-growth set
# Every timed job (tallyrpt or the floor) starts after a sync, with nothing
# left to write back from the job before it.
# Trace sets are cached in <build>/bench-data/<size>-seed<N>[-r<R>] and made
# again only when missing or older than the generator.
set -uo pipefail

build=$(cd "${1:-build}" && pwd) || exit 1
stage="$build/stage"
tallyrpt="$stage/bin/tallyrpt"
gentrace="$stage/bin/tallyrpt-gentrace"
data="$build/bench-data"
sizes=${BENCH_SIZES:-S M L}
seed=${BENCH_SEED:-1}
runs=${BENCH_RUNS:-3}
repeat=${BENCH_REPEAT:-10}
repeat_size=${BENCH_REPEAT_SIZE:-M}

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

# Prints the folder of a trace set, generating it when needed.
dataset() {
  local size=$1 rep=$2 dir
  dir="$data/$size-seed$seed"
  [ "$rep" -gt 1 ] && dir="$dir-r$rep"
  if [ ! -f "$dir/manifest.txt" ] || [ "$gentrace" -nt "$dir/manifest.txt" ]; then
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

# One run of tallyrpt on a set: prints "wall_seconds rss_kbytes cpu_seconds"; its
# diagnostics and stage times stay in $dir/out/stderr.<tag>.
run_tallyrpt() {
  local dir=$1 tag=$2 t0 t1 status
  mkdir -p "$dir/out"
  local -a tsf
  mapfile -t tsf < <(static_traces "$dir")
  t0=$(now)
  TALLYRPT_STAGE_TIMES=1 KORVELDIR="$stage" /usr/bin/time -v -o "$dir/out/time.$tag" \
    "$tallyrpt" -tsf "${tsf[@]}" -tdf "$dir/run.tdf" -xrd "$dir/out/results.xrd" 2> "$dir/out/stderr.$tag"
  status=$?
  t1=$(now)
  if [ $status -ne 0 ]; then
    echo "bench: tallyrpt ended with status $status on $dir:" >&2
    grep -v '^stage ' "$dir/out/stderr.$tag" | tail -5 >&2
    return 1
  fi
  echo "$(elapsed "$t0" "$t1") $(awk -F': ' '/Maximum resident set size/ { rss = $2 }
    /User time|System time/ { cpu += $2 } END { printf "%d %.2f", rss, cpu }' "$dir/out/time.$tag")"
}

# The I/O floor of the same job: read every input, copy the results file.
run_floor() {
  local dir=$1 t0 t1
  local -a tsf
  mapfile -t tsf < <(static_traces "$dir")
  t0=$(now)
  cat "${tsf[@]}" "$dir/run.tdf" > /dev/null
  cp "$dir/out/results.xrd" "$dir/out/results-copy.xrd"
  t1=$(now)
  rm -f "$dir/out/results-copy.xrd"
  elapsed "$t0" "$t1"
}

# Tree nodes: a count printed by tallyrpt when it has one, else the
# generator's count (static nodes plus the copies its placement model expects).
node_count() {
  local dir=$1 printed
  printed=$(sed -n 's/^\(stage \)\{0,1\}\(tree \)\{0,1\}nodes[: ]*\([0-9][0-9]*\).*/\3/p' "$dir/out/stderr.1" | tail -1)
  if [ -n "$printed" ]; then
    echo "$printed tallyrpt"
  else
    echo "$(manifest_value "$dir" tree_nodes) generator"
  fi
}

echo "tallyrpt benchmark: sizes $sizes, seed $seed, $runs runs each after one warm-up, $(nproc) CPUs"
read -r load _ < /proc/loadavg
if awk -v l="$load" -v n="$(nproc)" 'BEGIN { exit !(l > n) }'; then
  echo "note: load average $load on $(nproc) CPUs; wall times are inflated, the CPU column less so"
fi
if check_determinism; then
  echo "generator: same seed gives the same traces"
else
  echo "bench: the generator is not deterministic" >&2
  exit 1
fi

declare -A wall rss cpu floor input output nodes node_source gen_time stage_line
stage_names=("static reading" "dynamic reading" "roll-up" "writing" "freeing")
done_sizes=()
for size in $sizes; do
  dir=$(dataset "$size" 1) || { echo "bench: generation of $size failed" >&2; continue; }
  gen_time[$size]=$(cat "$dir/generation-seconds" 2>/dev/null || echo "?")
  echo "== $size: $(mb "$(manifest_value "$dir" static_bytes)") MB static, $(mb "$(manifest_value "$dir" dynamic_bytes)") MB dynamic (generated in ${gen_time[$size]} s)"
  run_tallyrpt "$dir" warmup > /dev/null || continue
  walls=() rsss=() cpus=() floors=() failed=0
  for i in $(seq 1 "$runs"); do
    # Each timed job starts with no write-back pending from the one before,
    # so that neither pays for the other's output reaching the disk.
    sync
    result=$(run_tallyrpt "$dir" "$i") || { failed=1; break; }
    read -r run_wall run_rss run_cpu <<< "$result"
    walls+=("$run_wall")
    rsss+=("$run_rss")
    cpus+=("$run_cpu")
    sync
    floors+=("$(run_floor "$dir")")
    echo "   run $i: $run_wall s wall, $run_cpu s CPU, peak RSS $run_rss kB, floor ${floors[-1]} s"
  done
  [ $failed -eq 0 ] || continue
  wall[$size]=$(printf '%s\n' "${walls[@]}" | median)
  rss[$size]=$(printf '%s\n' "${rsss[@]}" | median)
  cpu[$size]=$(printf '%s\n' "${cpus[@]}" | median)
  floor[$size]=$(printf '%s\n' "${floors[@]}" | median)
  input[$size]=$(( $(manifest_value "$dir" static_bytes) + $(manifest_value "$dir" dynamic_bytes) ))
  output[$size]=$(stat -c %s "$dir/out/results.xrd")
  read -r nodes[$size] node_source[$size] < <(node_count "$dir")
  line=""
  for name in "${stage_names[@]}"; do
    value=$(for i in $(seq 1 "$runs"); do
      sed -n "s/^stage $name: \([0-9.]*\) s$/\1/p" "$dir/out/stderr.$i"
    done | median)
    line+=$(printf ' %10s' "${value:--}")
  done
  stage_line[$size]=$line
  done_sizes+=("$size")
done

echo
if [ ${#done_sizes[@]} -eq 0 ]; then
  echo "bench: no size finished" >&2
  exit 1
fi
printf '%-5s %9s %9s %10s %8s %7s %8s %8s %7s %9s %8s %7s\n' \
  size "input MB" "output MB" nodes "wall s" "CPU s" "MB/s" "floor s" xfloor "RSS MB" "B/node" "gen s"
for size in "${done_sizes[@]}"; do
  awk -v s="$size" -v in_b="${input[$size]}" -v out_b="${output[$size]}" -v n="${nodes[$size]}" \
      -v w="${wall[$size]}" -v c="${cpu[$size]}" -v f="${floor[$size]}" -v r="${rss[$size]}" \
      -v g="${gen_time[$size]}" 'BEGIN {
    printf "%-5s %9.1f %9.1f %10d %8.3f %7.2f %8.1f %8.3f %7.1f %9.1f %8.0f %7s\n",
      s, in_b / 1e6, out_b / 1e6, n, w, c, (w > 0 ? in_b / 1e6 / w : 0), f, (f > 0 ? w / f : 0),
      r / 1024, (n > 0 ? r * 1024 / n : 0), g }'
done
for size in "${done_sizes[@]}"; do
  if [ "${node_source[$size]}" = generator ]; then
    echo "nodes: counted by the generator (static nodes plus the copies the dynamic trace makes); tallyrpt prints no count"
    break
  fi
done
if [ -n "${wall[M]:-}" ] && [ -n "${wall[L]:-}" ]; then
  awk -v m="${wall[M]}" -v l="${wall[L]}" -v cm="${cpu[M]}" -v cl="${cpu[L]}" \
      -v im="${input[M]}" -v il="${input[L]}" 'BEGIN {
    printf "growth time(L)/time(M): %.2f wall, %.2f CPU, for %.2f times the input\n",
      (m > 0 ? l / m : 0), (cm > 0 ? cl / cm : 0), il / im }'
fi

echo
printf '%-5s' "stage"
for name in "${stage_names[@]}"; do printf ' %10s' "${name% reading}"; done
echo "   (median seconds; reading stages are static, dynamic)"
for size in "${done_sizes[@]}"; do
  printf '%-5s%s\n' "$size" "${stage_line[$size]}"
done

# Memory growth: the same executions R times over the same static tree.
if [ "$repeat" -gt 1 ] && [ -n "${rss[$repeat_size]:-}" ]; then
  echo
  dir=$(dataset "$repeat_size" "$repeat") || exit 1
  base="$data/$repeat_size-seed$seed"
  if result=$(run_tallyrpt "$dir" 1); then
    read -r run_wall run_rss run_cpu <<< "$result"
    awk -v r1="${rss[$repeat_size]}" -v rr="$run_rss" -v rep="$repeat" -v size="$repeat_size" \
        -v c1="${cpu[$repeat_size]}" -v cr="$run_cpu" -v wr="$run_wall" \
        -v d1="$(manifest_value "$base" dynamic_bytes)" -v dr="$(manifest_value "$dir" dynamic_bytes)" \
        -v m1="$(manifest_value "$base" messages)" -v mr="$(manifest_value "$dir" messages)" 'BEGIN {
      printf "repeat-%d dynamic trace over the %s static tree: %.1f MB dynamic input (x%.1f), %.3f s wall, %.2f s CPU (x%.1f)\n",
        rep, size, dr / 1e6, dr / d1, wr, cr, (c1 > 0 ? cr / c1 : 0)
      printf "peak RSS %.1f MB against %.1f MB: growth x%.2f, %.2f bytes of RSS per extra byte of dynamic trace\n",
        rr / 1024, r1 / 1024, rr / r1, (dr > d1 ? (rr - r1) * 1024 / (dr - d1) : 0)
      printf "messages attached: %d against %d (every \"NO\" with an identifier leaves one), %.0f bytes of RSS per extra message\n",
        mr, m1, (mr > m1 ? (rr - r1) * 1024 / (mr - m1) : 0)
    }'
  fi
fi

# tallyview's page beside tallyrpt's figures (BENCH_PAGE=0 leaves it out).
if [ "${BENCH_PAGE:-1}" != 0 ]; then
  bash "$(dirname "$0")/bench-page.sh" "$build"
fi
