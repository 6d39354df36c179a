#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
#   tools/test.sh              normal build in build/
#   tools/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=OFF
build=build
if [ "${1:-}" = "--sanitize" ]; then
  sanitize=ON
  build=build-asan
fi

bash tools/setup.sh
cmake -S . -B "$build" -G Ninja -DKV_WERROR=ON -DKV_SANITIZE="$sanitize" \
  -DKV_BUILD_BENCH="$([ "$sanitize" = ON ] && echo OFF || echo ON)" >/dev/null
cmake --build "$build" -j "$(nproc)"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
