#!/usr/bin/env bash
# One of the two checks that need npm packages, on pages and JUnit files that
# tallyview makes from real results files:
#   page   the HTML page in headless Chromium (check_page.mjs), for the
#          example traces (through a results file, and read by tallyview
#          itself against a baseline where the failed check passed), for
#          tests/view/data/mixed.xrd and for a generated run of some 2,700
#          cases (tallyrpt-gentrace); screenshots are kept in
#          <work>/screenshots (as opened, and all expanded; the page from the
#          traces also under "failed only");
#   junit  the JUnit file read by two JUnit parsers from npm
#          (check_junit.mjs), whose counts must be the report's.
# Chromium is Debian's, installed by the set-up script when missing; where it
# cannot be installed the page check is skipped (status 77).
#
# Arguments: page|junit tallyrpt tallyview stage-dir source-dir work-folder
set -u
check=$1
tallyrpt=$(realpath "$2")
tallyview=$(realpath "$3")
stage=$(realpath "$4")
source=$(realpath "$5")
work=$6

if ! command -v node >/dev/null || [ ! -d "$work/node_modules/playwright-core" ]; then
  echo "SKIPPED: Node.js or the npm packages are missing (see the view.npm_ci test)."
  exit 77
fi

out="$work/$check"
rm -rf "$out"
mkdir -p "$out" "$work/screenshots"
cp "$source/tests/view/browser/"*.mjs "$work/"

# The example traces (4 passed, 1 failed) and the hand-made mixed file
# (3 passed, 2 failed, one case not executed).
# tallyview also reads the example traces itself, against a baseline where
# the failed check passed.
cp "$source/examples/"*.tsf "$source/examples/example.tdf" "$source/tests/view/data/mixed.xrd" "$out/"
sed 's/^ST 97$/ST 65/' "$source/examples/example.tdf" > "$out/passing.tdf"
traces=(-tsf calc.tsf strings.tsf -tdf example.tdf)
(cd "$out" && KORVELDIR="$stage" "$tallyrpt" "${traces[@]}" -xrd examples.xrd 2>/dev/null) \
  || { echo "tallyrpt failed on the examples"; exit 1; }

if [ "$check" = page ]; then
  if [ ! -x /usr/bin/chromium ]; then
    bash "$source/scripts/setup.sh" chromium >/dev/null 2>&1 || true
  fi
  if [ ! -x /usr/bin/chromium ]; then
    echo "SKIPPED: Debian's chromium is not installed and could not be installed (apt-get install chromium)."
    exit 77
  fi
  for name in examples mixed; do
    "$tallyview" -o "$out/$name.html" "$out/$name.xrd" || { echo "tallyview failed on $name"; exit 1; }
  done
  printf '$PROJECT_NAME=Calculator\n' > "$out/studio.hdr"
  (cd "$out" && KORVELDIR="$stage" ZEPH_STUDIO_HEADER_FILE=studio.hdr \
     "$tallyview" "${traces[@]}" --baseline-tdf passing.tdf -o traces.html) \
    || { echo "tallyview failed on the traces"; exit 1; }
  # A generated run of a few thousand cases, read from its traces.
  large="$out/large"
  "$stage/bin/tallyrpt-gentrace" --size 4m --seed 7 --out "$large" >/dev/null || { echo "gentrace failed"; exit 1; }
  mapfile -t large_tsf < <(ls -v "$large"/trace*.tsf)
  counts=$(KORVELDIR="$stage" "$tallyview" -tsf "${large_tsf[@]}" -tdf "$large/run.tdf" -o "$out/large.html" --summary |
           sed -n '1s/^Passed: \([0-9]*\), Failed: \([0-9]*\),.*/\1 \2/p')
  [ -n "$counts" ] || { echo "tallyview failed on the generated run"; exit 1; }
  status=0
  node "$work/check_page.mjs" "$out/large.html" large $counts "$work/screenshots/tallyview-large.png" || status=1
  node "$work/check_page.mjs" "$out/examples.html" examples 4 1 "$work/screenshots/tallyview-examples.png" || status=1
  node "$work/check_page.mjs" "$out/mixed.html" mixed 3 2 "$work/screenshots/tallyview-mixed.png" || status=1
  node "$work/check_page.mjs" "$out/traces.html" traces 4 1 "$work/screenshots/tallyview-traces.png" || status=1
  exit $status
fi

status=0
for name in examples mixed; do
  "$tallyview" --junit -o "$out/$name.junit.xml" "$out/$name.xrd" || { echo "tallyview failed on $name"; exit 1; }
done
node "$work/check_junit.mjs" "$out/examples.junit.xml" 5 1 0 || status=1
node "$work/check_junit.mjs" "$out/mixed.junit.xml" 5 2 1 || status=1
# From the traces: the case that never ran is skipped, and the failure says why.
(cd "$out" && KORVELDIR="$stage" "$tallyview" "${traces[@]}" --junit -o traces.junit.xml) \
  || { echo "tallyview failed on the traces"; exit 1; }
node "$work/check_junit.mjs" "$out/traces.junit.xml" 5 1 1 "no exception for a division by zero" || status=1
# The cases' own <system-out> (outside the common schema) is read all the same.
(cd "$out" && KORVELDIR="$stage" "$tallyview" "${traces[@]}" --junit --case-output --passed-output \
   -o case-output.junit.xml) || { echo "tallyview failed on the traces"; exit 1; }
node "$work/check_junit.mjs" "$out/case-output.junit.xml" 5 1 1 || status=1
exit $status
