#!/usr/bin/env bash
# Runs tallyrpt on the example traces with the build tree's installation, then
# tallyview on its results file: an HTML page and a JUnit XML file beside it.
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

page="$out/report.html"
junit="$out/report.junit.xml"
"$stage/bin/tallyview" -o "$page" "$report" || exit 1
"$stage/bin/tallyview" --junit -o "$junit" "$report" || exit 1
echo "HTML page written to $page"
echo "JUnit XML written to $junit"
