#!/usr/bin/env bash
# Short fuzzing run of every libFuzzer target (fuzz/<name>.cpp), about 20
# seconds each, when clang is installed. A crash or sanitizer report fails.
#   tools/fuzz-smoke.sh [SECONDS] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-20}"
if ! command -v clang >/dev/null || ! command -v clang++ >/dev/null; then
  echo "fuzz-smoke: clang not installed, skipped"
  exit 0
fi

build="${2:-build-fuzz}"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DKV_BUILD_FUZZ=ON -DKV_BUILD_TESTS=OFF \
  -DKV_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=$(cd fuzz && ls *.cpp | sed 's/\.cpp$//; s/^/fuzz_/')
# shellcheck disable=SC2086
cmake --build "$build" -j "$(nproc)" --target $targets

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for t in $targets; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  echo "fuzz-smoke: $t for ${seconds}s"
  "$build/fuzz/$t" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 "$corpus" \
    >"$build/$t.log" 2>&1 || { tail -50 "$build/$t.log"; echo "fuzz-smoke: $t FAILED"; exit 1; }
done
echo "fuzz-smoke: all targets ran clean"
