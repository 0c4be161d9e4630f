#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, skipping the
# ones already present. Quick when nothing is missing. Extra package names
# given as arguments are installed the same way (used by the optional
# targets: sanitizers, fuzzing, browser checks).
set -euo pipefail

packages=(
  cmake g++ make
  qt6-base-dev qt6-5compat-dev qt6-tools-dev qt6-l10n-tools
  libgtest-dev libxml2-utils
  zlib1g-dev libxml2-dev  # tallyview: the page's packed data; reading results files
  time      # /usr/bin/time: page faults and peak memory in shell tests and benchmarks
  chromium  # tallyview's page is checked in headless Chromium by make test
  "$@"
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
