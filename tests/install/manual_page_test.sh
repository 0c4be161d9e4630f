#!/usr/bin/env bash
# The manual pages render without a groff warning, have the usual sections
# and name the directory that KORVELDIR must name for the package as the
# build installs it.
#
# Usage: manual_page_test.sh <KORVELDIR below the prefix> <page>...
# Status 77 (skipped) where groff is not available.
set -u
home=$1
shift

command -v groff > /dev/null || { echo "groff not available"; exit 77; }

failed=0
for page in "$@"; do
  warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
  if [ -n "$warnings" ]; then
    echo "$page: groff warnings:"
    echo "$warnings"
    failed=1
  fi
  text=$(groff -man -Tutf8 "$page" 2> /dev/null | sed 's/\x1b\[[0-9;]*m//g; s/.\x08//g')
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS ENVIRONMENT FILES "EXIT STATUS" EXAMPLES "SEE ALSO"; do
    grep -qx "$section" <<< "$text" || { echo "$page: no $section section"; failed=1; }
  done
  grep -qF "/usr/$home" <<< "$text" || { echo "$page: the page does not name /usr/$home"; failed=1; }
done
exit $failed
