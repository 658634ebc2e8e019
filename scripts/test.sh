#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything with AddressSanitizer,
# UndefinedBehaviorSanitizer and -Werror, runs every test, then builds the fuzz targets
# and runs each for a short while. Fails when any step fails or no test ran.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen

cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs" --timeout 600

cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs" --target fuzzers
for fuzzer in build/fuzz/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  corpus="build/fuzz/corpus/$(basename "$fuzzer")"
  mkdir -p "$corpus"
  echo "== $(basename "$fuzzer") for 20 s"
  "$fuzzer" -max_total_time=20 -rss_limit_mb=2048 -print_final_stats=1 "$corpus" 2>&1 | tail -n 4
done
echo "All tests passed."
