# Sourced by the installation and package tests: check_layout <prefix> checks
# an installed tree (program in the private tree, a relative link in bin,
# manual pages, catalogues under lib/locale of the private tree and nothing
# in the C library's locale directory) and runs the installed program through
# the link in three languages. Sets failed=1 on any fault.
# Needs $home (KORVELDIR below the prefix), $source and $work.
check_layout() {
  local prefix=$1 program link prefix_name lang
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
  for prefix_name in zephident_ modbas_ tallygen_ tallyview_; do
    for lang in fr de; do
      [ -s "$prefix/$home/lib/locale/$prefix_name$lang.qm" ] \
        || { echo "missing catalogue $home/lib/locale/$prefix_name$lang.qm"; failed=1; }
    done
  done
  [ ! -e "$prefix/lib/locale" ] || { echo "something was installed into lib/locale of the prefix"; failed=1; }
  bash "$(dirname "${BASH_SOURCE[0]}")/run_installed.sh" "$prefix/bin/tallyrpt" "$prefix/$home" \
    "$source/examples" "$work/run" || failed=1
}
