#!/usr/bin/env bash
# The main job: installs what is missing, builds the filter, prints the
# sample label (samples/label.ras) for the sample TSPL printer
# (samples/tspl-203.ppd) the way CUPS would run it, and renders the printer
# bytes back to a PNG preview with kvrender.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)" --target rastertokvlabel kvfilter_under_test kvrender_tool

mkdir -p out
# The test harness build of the filter writes its diagnostic log and dump to
# out/ instead of /var/log/cups, so this needs no root and touches no system log.
PPD=samples/tspl-203.ppd build/tests/kvfilter_under_test out rastertokvlabel \
  1 "$(id -un)" "sample label" 1 "PrintMode=0" samples/label.ras > out/sample.prn
echo "printer bytes: out/sample.prn ($(stat -c %s out/sample.prn) bytes)"
echo "diagnostic log: out/LxxLog.log, send-data dump: out/LxxSendData.bin"
build/tools/kvrender/kvrender --quiet out/sample.prn out/sample
echo "preview of the printed label: out/sample-1.png (build/tools/kvrender/kvrender out/sample.prn out/sample shows what it found)"
head -c 200 out/sample.prn | tr -c '[:print:]\r\n' '.' | head -12
