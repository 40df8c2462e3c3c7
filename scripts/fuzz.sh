#!/usr/bin/env bash
# make fuzz: build the libFuzzer targets with clang (AddressSanitizer + UndefinedBehaviorSanitizer)
# and run each for FUZZ_SECONDS (default 60), starting from the seeds in fuzz/corpus/<target>/.
# New inputs go to build/fuzz/corpus/<target>/, crashes to build/fuzz/artifacts/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${FUZZ_SECONDS:-60}
targets=(fuzz_manifest fuzz_zipimport)

scripts/install-deps.sh clang libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAMSEL_FUZZ=ON -DTAMSEL_SANITIZE=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build/fuzz --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/support/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen
status=0
for target in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$target
  artifacts=build/fuzz/artifacts/$target/
  log=build/fuzz/$target.log
  mkdir -p "$corpus" "$artifacts"
  echo "Running $target for ${seconds}s"
  if build/fuzz/fuzz/"$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts" \
      "$corpus" "fuzz/corpus/$target" >"$log" 2>&1; then
    runs=$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')
    echo "$target: ${runs:-?} inputs ran without a crash"
  else
    status=1
    echo "$target: FAILED, see $log and $artifacts"
    grep -m5 -E 'ERROR|SUMMARY|Test unit written' "$log" || true
  fi
done
exit $status
