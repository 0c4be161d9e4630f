#!/usr/bin/env bash
# cmake --install of the build tree: into a scratch prefix, and with DESTDIR
# below a scratch root; each tree is checked by check_layout.
#
# Usage: install_tree_test.sh <build dir> <source dir> <KORVELDIR below the prefix>
set -u
build=$1
source=$2
home=$3
source "$(dirname "$0")/check_layout.bash"

work=$(mktemp -d /tmp/tally_install_XXXXXX)
trap 'rm -rf "$work"' EXIT
failed=0

cmake --install "$build" --prefix "$work/prefix" > "$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
check_layout "$work/prefix"

DESTDIR="$work/root" cmake --install "$build" --prefix /usr > "$work/destdir.log" 2>&1 \
  || { cat "$work/destdir.log"; exit 1; }
check_layout "$work/root/usr"
exit $failed
