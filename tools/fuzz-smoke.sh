#!/usr/bin/env bash
# Fuzzing run of every libFuzzer target (fuzz/<name>.cpp), when clang is
# installed. For each target, first every committed seed in fuzz/corpus/<name>/
# is replayed once (each crash input ever found is kept there), then the target
# is fuzzed for SECONDS (default 60; 600 for a release) from those seeds and
# the working corpus of earlier runs. A crash, a sanitizer report, an input
# slower than 10 s or an allocation above 256 MB fails the run; the input is
# left in BUILD_DIR/artifacts/ to be added to fuzz/corpus/<name>/.
#   tools/fuzz-smoke.sh [SECONDS] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
if ! command -v clang >/dev/null || ! command -v clang++ >/dev/null; then
  echo "fuzz-smoke: clang not installed, skipped"
  exit 0
fi

build="${2:-build-fuzz}"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DKV_BUILD_FUZZ=ON -DKV_BUILD_TESTS=OFF \
  -DKV_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
names=$(cd fuzz && ls *.cpp | sed 's/\.cpp$//')
# shellcheck disable=SC2046
cmake --build "$build" -j "$(nproc)" --target $(printf 'fuzz_%s ' $names)

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
limits=(-timeout=10 -malloc_limit_mb=256 -max_len=4096)
mkdir -p "$build/artifacts"
for name in $names; do
  t="fuzz_$name"
  seeds="fuzz/corpus/$name"
  log="$build/$t.log"
  if [ -d "$seeds" ] && [ -n "$(ls -A "$seeds")" ]; then
    echo "fuzz-smoke: $t replays $(ls "$seeds" | wc -l) seeds"
    find "$seeds" -type f -print0 | xargs -0 "$build/fuzz/$t" "${limits[@]}" -artifact_prefix="$build/artifacts/$t-" >"$log" 2>&1 ||
      { tail -50 "$log"; echo "fuzz-smoke: $t FAILED on a committed seed"; exit 1; }
  fi
  corpus="$build/corpus/$t"
  mkdir -p "$corpus" "$seeds"
  echo "fuzz-smoke: $t for ${seconds}s"
  "$build/fuzz/$t" -max_total_time="$seconds" "${limits[@]}" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$t-" "$corpus" "$seeds" >"$log" 2>&1 ||
    { tail -50 "$log"; echo "fuzz-smoke: $t FAILED; keep the input from $build/artifacts/ in $seeds/"; exit 1; }
  grep -h '^stat::number_of_executed_units' "$log" | sed "s/^/fuzz-smoke: $t /"
done
echo "fuzz-smoke: all targets ran clean"
