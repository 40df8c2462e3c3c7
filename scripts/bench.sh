#!/usr/bin/env bash
# make bench: builds a release build and measures, inside a headless desktop session, what the pet
# costs: CPU (% of one core) and resident memory while the idle row animates, CPU while the pet is
# hidden, the time from exec to the pet's window on screen (read from X events) and to its first
# frame, and the time to open the preferences with 20 pets in the library. BENCH_SECONDS sets the
# window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
if ! scripts/build.sh build/release --target tamsel bench_preferences bench_startup > build/release/bench-build.log 2>&1; then
  tail -30 build/release/bench-build.log; exit 1
fi
exec scripts/headless-session.sh scripts/bench-inside-session.sh "$root/build/release/src/tamsel" \
  "$root/build/release/tools/bench_preferences/bench_preferences"
