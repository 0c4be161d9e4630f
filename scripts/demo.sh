#!/usr/bin/env bash
# Runs tallyrpt on the example traces with the build tree's installation.
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
