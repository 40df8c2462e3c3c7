#!/usr/bin/env bash
# make deb: install what is missing, build a release build of the program alone and pack it into
# build/package/tamsel_<version>_<arch>.deb; prints the package's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
scripts/build.sh build/release --target tamsel
(cd build/release && cpack -G DEB -B "$root/build/package" >/dev/null)
ls -t "$root"/build/package/tamsel_*.deb | head -1
