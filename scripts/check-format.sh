#!/usr/bin/env bash
# Fails when a tracked C++ file is not clang-format clean.
set -uo pipefail
fmt=${1:-clang-format}
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests tools fuzz -name '*.cpp' -o -name '*.h')
bad=0
for f in $files; do
  [ -f "$f" ] || continue
  if ! "$fmt" --dry-run -Werror "$f" >/dev/null 2>&1; then
    echo "not clang-format clean: $f"; bad=1
  fi
done
exit $bad
