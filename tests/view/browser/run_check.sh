#!/usr/bin/env bash
# One of the two checks that need npm packages, on pages and JUnit files that
# tallyview makes from real results files:
#   page   the HTML page in headless Chromium (check_page.mjs), for the
#          example traces and for tests/view/data/mixed.xrd; screenshots are
#          kept in <work>/screenshots (as opened, and all expanded);
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
(cd "$out" && KORVELDIR="$stage" "$tallyrpt" -tsf "$source/examples/calc.tsf" "$source/examples/strings.tsf" \
   -tdf "$source/examples/example.tdf" -xrd examples.xrd 2>/dev/null) || { echo "tallyrpt failed on the examples"; exit 1; }
cp "$source/tests/view/data/mixed.xrd" "$out/mixed.xrd"

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
  status=0
  node "$work/check_page.mjs" "$out/examples.html" examples 4 1 "$work/screenshots/tallyview-examples.png" || status=1
  node "$work/check_page.mjs" "$out/mixed.html" mixed 3 2 "$work/screenshots/tallyview-mixed.png" || status=1
  exit $status
fi

status=0
for name in examples mixed; do
  "$tallyview" --junit -o "$out/$name.junit.xml" "$out/$name.xrd" || { echo "tallyview failed on $name"; exit 1; }
done
node "$work/check_junit.mjs" "$out/examples.junit.xml" 5 1 0 || status=1
node "$work/check_junit.mjs" "$out/mixed.junit.xml" 5 2 1 || status=1
exit $status
