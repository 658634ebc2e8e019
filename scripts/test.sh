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
# Each target starts from its recorded seeds; new finds go to build/fuzz/corpus only, so the
# seed folders stay as recorded.
for fuzzer in build/fuzz/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  log="build/fuzz/$name.log"
  seeds=()
  [ -d "fuzz/seeds/$name" ] && seeds=("fuzz/seeds/$name")
  echo "== $name for 15 s"
  if ! "$fuzzer" -max_total_time=15 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="build/fuzz/$name-" "$corpus" "${seeds[@]}" > "$log" 2>&1; then
    tail -n 60 "$log"
    exit 1
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units' "$log" || tail -n 4 "$log"
done
echo "All tests passed."
