#!/usr/bin/env bash
# The Debian package: built with CPack into a scratch folder, its control
# fields checked, unpacked with dpkg -x into a scratch root and the unpacked
# tree checked by check_layout, KORVELDIR naming the unpacked private tree.
#
# Usage: package_test.sh <build dir> <source dir> <cpack> <KORVELDIR below the prefix>
# Status 77 (skipped) where dpkg is not available.
set -u
build=$1
source=$2
cpack=$3
home=$4
source "$(dirname "$0")/check_layout.bash"

command -v dpkg-deb > /dev/null && command -v dpkg > /dev/null || { echo "dpkg not available"; exit 77; }

work=$(mktemp -d /tmp/tally_package_XXXXXX)
trap 'rm -rf "$work"' EXIT

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; exit 1; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "expected one .deb, found: ${debs[*]}"; exit 1; }
deb=${debs[0]}
failed=0

[ "$(dpkg-deb -f "$deb" Package)" = tallyrpt ] || { echo "package name: $(dpkg-deb -f "$deb" Package)"; failed=1; }
depends=", $(dpkg-deb -f "$deb" Depends | sed 's/ *([^)]*)//g; s/, */, /g'),"
for package in libqt6core6 libqt6core5compat6; do
  [[ $depends == *", $package,"* ]] || { echo "Depends lacks $package: $depends"; failed=1; }
done

dpkg -x "$deb" "$work/root"
check_layout "$work/root/usr"
[ $failed -eq 0 ] || { echo "package contents:"; dpkg-deb -c "$deb"; }
exit $failed
