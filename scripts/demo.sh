#!/usr/bin/env bash
# Runs tallyrpt on the example traces with the build tree's installation, then
# tallyview on the same traces: an HTML page and a JUnit XML file beside the
# report, and the summary on the terminal.
set -uo pipefail

build=${1:-build}
stage="$build/stage"
out="$build/demo"
mkdir -p "$out"
report="$out/report.xrd"
rm -f "$report"

KORVELDIR="$stage" "$stage/bin/tallyrpt" \
  -tsf examples/*.tsf -tdf examples/example.tdf -xrd "$report"
status=$?

if [ $status -eq 0 ] && [ -s "$report" ]; then
  echo "Report written to $report"
else
  echo "tallyrpt ended with status $status; no report was written." >&2
  exit 1
fi

# tallyview from the traces themselves: the page and the JUnit file show
# every failed check's messages and the cases that never ran.
page="$out/report.html"
junit="$out/report.junit.xml"
traces=(-tsf examples/*.tsf -tdf examples/example.tdf)
KORVELDIR="$stage" "$stage/bin/tallyview" "${traces[@]}" -o "$page" || exit 1
KORVELDIR="$stage" "$stage/bin/tallyview" "${traces[@]}" --junit -o "$junit" || exit 1
echo "HTML page written to $page"
echo "JUnit XML written to $junit"
echo "Summary (tallyview --summary):"
KORVELDIR="$stage" "$stage/bin/tallyview" "${traces[@]}" --summary | sed 's/^/  /'
