#!/usr/bin/env bash
# The manual page renders without a groff warning, and names the directory
# that KORVELDIR must name for the package as the build installs it.
#
# Usage: manual_page_test.sh <page> <KORVELDIR below the prefix>
# Status 77 (skipped) where groff is not available.
set -u
page=$1
home=$2

command -v groff > /dev/null || { echo "groff not available"; exit 77; }

failed=0
warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
if [ -n "$warnings" ]; then
  echo "groff warnings:"
  echo "$warnings"
  failed=1
fi
text=$(groff -man -Tutf8 "$page" 2> /dev/null | sed 's/\x1b\[[0-9;]*m//g; s/.\x08//g')
for section in NAME SYNOPSIS DESCRIPTION OPTIONS ENVIRONMENT FILES "EXIT STATUS" EXAMPLES; do
  grep -qx "$section" <<< "$text" || { echo "no $section section"; failed=1; }
done
grep -qF "/usr/$home" <<< "$text" || { echo "the page does not name /usr/$home"; failed=1; }
exit $failed
