#!/usr/bin/env bash
# make run: install what is missing, build a release build and start Tamsel. Without a display,
# start a private headless desktop, run for TAMSEL_RUN_SECONDS (default 20), save a screenshot
# under build/ and print its path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
scripts/build.sh build/release --target tamsel
exe=$root/build/release/src/tamsel
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$exe"
fi
exec scripts/headless-session.sh scripts/run-and-screenshot.sh "$exe" "$root/build"
