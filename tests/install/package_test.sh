#!/usr/bin/env bash
# The Debian package: built with CPack into a scratch folder, its control
# fields and contents checked, unpacked with dpkg -x into a scratch root and
# the unpacked program run on the example traces in three languages, with
# KORVELDIR naming the unpacked /usr/lib/tallyrpt.
#
# Usage: package_test.sh <build dir> <source dir> <cpack>
# Status 77 (skipped) where dpkg is not available.
set -u
build=$1
source=$2
cpack=$3

command -v dpkg-deb > /dev/null && command -v dpkg > /dev/null || { echo "dpkg not available"; exit 77; }

work=$(mktemp -d /tmp/tally_package_XXXXXX)
trap 'rm -rf "$work"' EXIT

if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  exit 1
fi
debs=("$work"/out/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "expected one .deb, found: ${debs[*]}"
  exit 1
fi
deb=${debs[0]}
failed=0

[ "$(dpkg-deb -f "$deb" Package)" = tallyrpt ] || { echo "package name: $(dpkg-deb -f "$deb" Package)"; failed=1; }
depends=$(dpkg-deb -f "$deb" Depends)
has_dependency() {
  local IFS=, entry
  for entry in $depends; do
    entry=${entry# }
    [ "${entry%% *}" = "$1" ] && return 0
  done
  return 1
}
for package in libqt6core6 libqt6core5compat6; do
  has_dependency $package || { echo "Depends lacks $package: $depends"; failed=1; }
done

# Contents: the links, the programs, the catalogues and the manual pages.
dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' > "$work/contents"
expected=()
for program in tallyrpt tallyview; do
  expected+=(
    "./usr/bin/$program -> ../lib/tallyrpt/bin/$program"
    "./usr/lib/tallyrpt/bin/$program"
    "./usr/share/man/man1/$program.1.gz"
  )
done
for prefix_name in zephident_ modbas_ tallygen_ tallyview_; do
  for lang in fr de; do
    expected+=("./usr/lib/tallyrpt/lib/locale/$prefix_name$lang.qm")
  done
done
for entry in "${expected[@]}"; do
  grep -qxF -- "$entry" "$work/contents" || { echo "package lacks $entry"; failed=1; }
done
if grep -q '^\./usr/lib/locale/' "$work/contents"; then
  echo "package installs into /usr/lib/locale"
  failed=1
fi

dpkg -x "$deb" "$work/root"
bash "$(dirname "$0")/run_installed.sh" "$work/root/usr/bin/tallyrpt" "$work/root/usr/lib/tallyrpt" \
  "$source/examples" "$work/run" || failed=1

[ $failed -eq 0 ] || { echo "package contents:"; cat "$work/contents"; }
exit $failed
