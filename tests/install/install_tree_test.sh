#!/usr/bin/env bash
# cmake --install of the build tree: into a scratch prefix, and with DESTDIR
# below a scratch root. Checks the layout (program in the private tree, a
# relative link in bin, catalogues under lib/locale of the private tree and
# nothing in the C library's locale directory, the manual page) and runs the
# installed program through the link in three languages.
#
# Usage: install_tree_test.sh <build dir> <source dir> <KORVELDIR below the prefix>
set -u
build=$1
source=$2
home=$3

work=$(mktemp -d /tmp/tally_install_XXXXXX)
trap 'rm -rf "$work"' EXIT
failed=0

check_layout() {
  local prefix=$1 program link
  for program in tallyrpt tallyview; do
    link="$prefix/bin/$program"
    if [ ! -L "$link" ]; then
      echo "$link is not a symbolic link"
      failed=1
    elif [ "$(readlink -f "$link")" != "$(readlink -f "$prefix/$home/bin/$program")" ]; then
      echo "$link leads to $(readlink "$link"), not to $home/bin/$program"
      failed=1
    elif [ "$(readlink "$link" | cut -c1)" = / ]; then
      echo "$link is an absolute link; it breaks when the tree is moved or unpacked elsewhere"
      failed=1
    fi
    gzip -t "$prefix/share/man/man1/$program.1.gz" 2> /dev/null \
      || { echo "no manual page share/man/man1/$program.1.gz"; failed=1; }
  done
  link="$prefix/bin/tallyrpt"
  for prefix_name in zephident_ modbas_ tallygen_ tallyview_; do
    for lang in fr de; do
      [ -s "$prefix/$home/lib/locale/$prefix_name$lang.qm" ] \
        || { echo "missing catalogue $home/lib/locale/$prefix_name$lang.qm"; failed=1; }
    done
  done
  if [ -e "$prefix/lib/locale" ]; then
    echo "something was installed into lib/locale of the prefix"
    failed=1
  fi
  bash "$(dirname "$0")/run_installed.sh" "$link" "$prefix/$home" "$source/examples" "$work/run" \
    || failed=1
}

if ! cmake --install "$build" --prefix "$work/prefix" > "$work/install.log" 2>&1; then
  cat "$work/install.log"
  exit 1
fi
check_layout "$work/prefix"

if ! DESTDIR="$work/root" cmake --install "$build" --prefix /usr > "$work/destdir.log" 2>&1; then
  cat "$work/destdir.log"
  exit 1
fi
check_layout "$work/root/usr"

exit $failed
