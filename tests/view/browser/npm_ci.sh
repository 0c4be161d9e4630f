#!/usr/bin/env bash
# Installs the packages of package-lock.json into the build tree (never the
# source tree), once per lock file: a later run with the same lock file does
# nothing. Node.js and npm come from the machine, or from Debian's packages
# through the project's set-up script; where neither can be had the browser
# checks are skipped (status 77).
#
# Arguments: source-folder-of-package.json work-folder setup-script
set -u
source=$1
work=$2
setup=$3

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  bash "$setup" nodejs npm >/dev/null 2>&1 || true
fi
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "SKIPPED: Node.js and npm are not installed and could not be installed;" \
       "the browser and JUnit-consumer checks of tallyview cannot run."
  exit 77
fi

mkdir -p "$work"
cp "$source/package.json" "$source/package-lock.json" "$work/"
stamp="$work/node_modules/.installed-lock.json"
if [ -f "$stamp" ] && cmp -s "$work/package-lock.json" "$stamp"; then
  echo "packages already installed"
  exit 0
fi
cd "$work" || exit 1
if ! npm ci --no-audit --no-fund --loglevel=error; then
  echo "npm ci failed in $work"
  exit 1
fi
cp package-lock.json "$stamp"
echo "packages installed in $work/node_modules"
