#!/usr/bin/env bash
# make test: install what is missing, build with AddressSanitizer + UndefinedBehaviorSanitizer,
# and run the whole suite inside a headless desktop session.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAMSEL_SANITIZE=ON >/dev/null
scripts/build.sh build/asan
exec scripts/headless-session.sh ctest --test-dir build/asan --output-on-failure -j "$(nproc)" "$@"
