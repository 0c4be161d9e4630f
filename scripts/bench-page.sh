#!/usr/bin/env bash
# tallyview's page benchmark, run by make bench after tallyrpt's: for
# generated trace sets (default 20m, about 13,000 cases, and 80m, about
# 53,000), tallyrpt's results file, then tallyview on that results file and
# on the traces themselves (wall seconds and peak RSS from GNU time, page
# size), and the page from the traces in headless Chromium
# (bench/page_bench.mjs): time from navigation to the first painted failure,
# the filter and two searches (input to painted frame; milliseconds: whole,
# of which the page's own filtering, of which building the list of lines),
# Chromium's peak memory (PSS of all its processes) and JavaScript heap.
#
# Usage: bash scripts/bench-page.sh [build-dir]
# Environment:
#   BENCH_PAGE_SIZES="20m 80m"   trace sets (tallyrpt-gentrace --size)
#   BENCH_SEED=1                 generator seed
#   BENCH_VIEW_BEFORE=path       another tallyview to time beside (no browser run)
# Needs Node.js, the npm packages of tests/view/browser and /usr/bin/chromium
# for the browser part, which is skipped with a note otherwise.
set -uo pipefail

build=$(cd "${1:-build}" && pwd) || exit 1
source_dir=$(cd "$(dirname "$0")/.." && pwd)
stage="$build/stage"
sizes=${BENCH_PAGE_SIZES:-20m 80m}
seed=${BENCH_SEED:-1}
before=${BENCH_VIEW_BEFORE:-}
browser="$build/tests/view/browser"

timed() {  # timed TAG command...: prints "seconds MB" of the run, its output in $out/TAG.*
  local tag=$1
  shift
  /usr/bin/time -f '%e %M' -o "$out/$tag.time" "$@" > "$out/$tag.stdout" 2> "$out/$tag.stderr" ||
    { echo "bench-page: $tag failed: $(tail -1 "$out/$tag.stderr")" >&2; return 1; }
  awk '{ printf "%.2f %.0f", $1, $2 / 1024 }' "$out/$tag.time"
}
mb() { awk -v b="$(stat -c %s "$1")" 'BEGIN { printf "%.1f", b / 1e6 }'; }

have_browser=1
if ! command -v node >/dev/null || [ ! -x /usr/bin/chromium ]; then
  have_browser=0
elif [ ! -d "$browser/node_modules/playwright-core" ]; then
  bash "$source_dir/tests/view/browser/npm_ci.sh" "$source_dir/tests/view/browser" "$browser" \
    "$source_dir/scripts/setup.sh" >/dev/null || have_browser=0
fi
[ $have_browser -eq 1 ] && cp "$source_dir/bench/page_bench.mjs" "$browser/"

echo
echo "tallyview page benchmark: sets $sizes, seed $seed; load average $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) CPUs"
rows=()
for size in $sizes; do
  dir="$build/bench-data/page-$size-seed$seed"
  if [ ! -f "$dir/manifest.txt" ] || [ "$stage/bin/tallyrpt-gentrace" -nt "$dir/manifest.txt" ]; then
    rm -rf "$dir"
    "$stage/bin/tallyrpt-gentrace" --size "$size" --seed "$seed" --out "$dir" >/dev/null || continue
  fi
  out="$dir/out"
  mkdir -p "$out"
  mapfile -t tsf < <(ls -v "$dir"/trace*.tsf)
  traces=(-tsf "${tsf[@]}" -tdf "$dir/run.tdf")
  export KORVELDIR="$stage"
  rpt=$(timed tallyrpt "$stage/bin/tallyrpt" "${traces[@]}" -xrd "$out/results.xrd") || continue
  from_xrd=$(timed view-xrd "$stage/bin/tallyview" -o "$out/page-xrd.html" "$out/results.xrd") || continue
  from_traces=$(timed view-traces "$stage/bin/tallyview" "${traces[@]}" -o "$out/page.html" --summary) || continue
  cases=$(sed -n '1s/.*Total: \([0-9]*\).*/\1/p' "$out/view-traces.stdout")
  echo "== $size: $cases cases, results file $(mb "$out/results.xrd") MB; pages $(mb "$out/page-xrd.html") MB" \
       "(results file), $(mb "$out/page.html") MB (traces)"
  echo "   tallyrpt: $rpt (s, MB peak RSS); tallyview on the results file: $from_xrd; on the traces: $from_traces"
  if [ -n "$before" ]; then
    b_xrd=$(timed before-xrd "$before" -o "$out/before-xrd.html" "$out/results.xrd") &&
      b_traces=$(timed before-traces "$before" "${traces[@]}" -o "$out/before.html") &&
      echo "   before: tallyview on the results file: $b_xrd, page $(mb "$out/before-xrd.html") MB;" \
           "on the traces: $b_traces, page $(mb "$out/before.html") MB"
    rm -f "$out/before-xrd.html" "$out/before.html"
  fi
  browser_line="-"
  if [ $have_browser -eq 1 ]; then
    browser_line=$(cd "$browser" && node page_bench.mjs "$out/page.html")
    echo "   Chromium: $browser_line"
  fi
  rows+=("$size|$cases|$(mb "$out/page.html")|$from_xrd|$from_traces|$browser_line")
done

[ $have_browser -eq 1 ] || echo "note: Node.js, its packages or Chromium missing; no browser figures"
echo
printf '%-5s %7s %8s %14s %14s %9s %9s %9s %9s %10s %9s\n' set cases "page MB" "view xrd s/MB" "view tr s/MB" \
  "failure s" "filter ms" "search ms" "heavy ms" "Chrome MB" "heap MB"
for row in "${rows[@]}"; do
  IFS='|' read -r size cases page xrd tr json <<< "$row"
  node -e '
    const [size, cases, page, xrd, tr, json] = process.argv.slice(1);
    let r = {}; try { r = JSON.parse(json); } catch {}
    const ms = (v) => (Array.isArray(v) ? v[0].toFixed(0) : "-");
    const n = (v, d) => (typeof v === "number" ? v.toFixed(d) : "-");
    console.log([size.padEnd(5), cases.padStart(7), page.padStart(8), xrd.replace(" ", "/").padStart(14),
      tr.replace(" ", "/").padStart(14), n(r.firstFailurePageSeconds, 2).padStart(9), ms(r.filterMs).padStart(9),
      ms(r.searchMs).padStart(9), ms(r.heavySearchMs).padStart(9), n(r.chromiumPeakMB, 0).padStart(10),
      n(r.jsHeapMB, 0).padStart(9)].join(" ") + (r.error ? "  error: " + r.error : ""));
  ' "$size" "$cases" "$page" "$xrd" "$tr" "$json" 2>/dev/null ||
    printf '%-5s %7s %8s %14s %14s\n' "$size" "$cases" "$page" "${xrd/ //}" "${tr/ //}"
done
echo "targets at ~53,000 cases: page <= 25 MB, first failure <= 3 s, Chromium < 1 GB, filter and search <= 300 ms;"
echo "at ~13,000 cases everything within 1 s. Times from the page's own clock (navigation start to painted frame)."
