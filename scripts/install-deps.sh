#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/packages.txt (plus any given as arguments) that
# are not installed yet. Runs apt-get update once, only when something is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wanted=$(grep -v '^\s*#' "$here/packages.txt" | grep -v '^\s*$')
wanted="$wanted $*"
missing=()
for pkg in $wanted; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
