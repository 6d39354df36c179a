#!/usr/bin/env bash
# Resource check of the filter: for every built PPD (and none), the inputs of
# under 10 KB that make the largest pages it accepts (header only, white,
# black, striped, RGBA, as many pages as fit, pages cut after a header), each
# with the print modes that choose different conversions. Every run is the real
# filter; the kernel measures its peak memory and CPU time. Fails when a run
# crashes or takes more than 256 MB or 5 s of CPU. About 10 minutes on 2 cores.
#   tools/check-bounds.sh [PPD-NAME-SUBSTRING] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

only="${1:-}"
build="${2:-build}"
bash tools/setup.sh
cmake -S . -B "$build" -G Ninja -DKV_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target kvcheck_bounds kvfilter_under_test kvppd
"$build/tests/kvcheck_bounds" ${only:+"$only"}
