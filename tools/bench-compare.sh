#!/usr/bin/env bash
# Times whole filter processes on the performance workloads against the peers
# that do the same job, and prints the ratios (ours / peer, lower is better):
#
#   - 50 pages of a 4 x 6 inch label at 203 dpi: ours reads it as 8-bit grey,
#     CUPS's rastertolabel (ZPL, zebra.ppd made by ppdc from CUPS's sample
#     driver file) the same page as 1-bit; ours in mode 0 (ZPL, ZPL Z64, TSPL)
#     and in the default mode (ZPL, TSPL);
#   - one A4 page at 300 dpi in modes 7 and 8 against netpbm's
#     `pamditherbw -fs` on the same page as a PGM;
#   - one label page for the device models L50, L60 and L50C (absolute time);
#   - peak memory of a 50-page and a 2,000-page label job.
#
# Each pair runs in alternation, peer then ours, RUNS times (default 5); the
# figures are medians, in milliseconds, of the whole process's wall time and
# of its CPU time (user + system). The filter writes its log and dump where it
# always does (/var/log/cups when writable).
#
#   tools/bench-compare.sh [--no-memory]     RUNS=9 tools/bench-compare.sh
#   KV_FILTER=/other/rastertokvlabel tools/bench-compare.sh   (time another build)
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${RUNS:-5}
MEMORY=1
[ "${1:-}" = "--no-memory" ] && MEMORY=0

BUILD=build
cmake -S . -B "$BUILD" -G Ninja >/dev/null
cmake --build "$BUILD" -j2 --target rastertokvlabel bench_make_workload kvppd >/dev/null

FILTER=${KV_FILTER:-$PWD/$BUILD/filter/rastertokvlabel}
MAKE=$PWD/$BUILD/bench/bench_make_workload
PPDS=$PWD/$BUILD/ppd/ppd
RASTERTOLABEL=$(cups-config --serverbin)/filter/rastertolabel
for tool in "$RASTERTOLABEL" ppdc pamditherbw /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench-compare: $tool missing (tools/setup.sh installs it)" >&2; exit 1; }
done

WORK=$(mktemp -d /tmp/kvbench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

# Workloads.
"$MAKE" label grey 50 "$WORK/label-grey.ras"
"$MAKE" label onebit 50 "$WORK/label-1bit.ras"
"$MAKE" label grey 1 "$WORK/label-page.ras"
"$MAKE" a4 grey 1 "$WORK/a4.ras"
"$MAKE" a4 pgm 1 "$WORK/a4.pgm"
ppdc -d "$WORK" "$(cups-config --datadir)/drv/sample.drv" 2>/dev/null
ZEBRA=$WORK/zebra.ppd
# Z64: the same ZPL printer with compression on; A4: a 300 dpi TSPL printer
# whose maximum print width and largest media take the whole A4 page.
sed 's/^\*KVAttr CompressiePrint: "0"/*KVAttr CompressiePrint: "1"/' "$PPDS/kvzpl2.ppd" > "$WORK/kvzpl2-z64.ppd"
sed -e 's/^\*KVAttr PrinterMaxWidthMM: "104"/*KVAttr PrinterMaxWidthMM: "216"/' \
    -e 's/^\*MaxMediaWidth: .*/*MaxMediaWidth: "612.283"/' \
    -e 's/^\*ParamCustomPageSize Width: 1 points \([0-9.]*\) .*/*ParamCustomPageSize Width: 1 points \1 612.283/' \
    "$PPDS/kvtspl3.ppd" > "$WORK/kvtspl3-a4.ppd"

# One run: "wall cpu" in milliseconds, cpu being user + system time of the
# process (ENV=... command args, output to a file).
run_ms() {
  local TIMEFORMAT='%3R %3U %3S' t
  t=$( { time env "$@" > "$WORK/out.bin" 2> /dev/null; } 2>&1 )
  echo "$t" | awk '{ printf "%.1f %.1f\n", $1 * 1000, ($2 + $3) * 1000 }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
row() { printf '| %-34s | %9s | %9s | %5s | %9s | %9s | %5s | %-6s |\n' "$@"; }

# pair NAME GOAL "PEER COMMAND" "OUR COMMAND": alternating runs, medians, ratios.
pair() {
  local name=$1 goal=$2 peer=$3 ours=$4 p=() o=() i
  for ((i = 0; i < RUNS; i++)); do
    # shellcheck disable=SC2086
    p+=("$(run_ms $peer)")
    # shellcheck disable=SC2086
    o+=("$(run_ms $ours)")
  done
  local pw ow pc oc
  pw=$(printf '%s\n' "${p[@]}" | cut -d' ' -f1 | median)
  ow=$(printf '%s\n' "${o[@]}" | cut -d' ' -f1 | median)
  pc=$(printf '%s\n' "${p[@]}" | cut -d' ' -f2 | median)
  oc=$(printf '%s\n' "${o[@]}" | cut -d' ' -f2 | median)
  row "$name" "$ow" "$pw" "$(ratio "$ow" "$pw")" "$oc" "$pc" "$(ratio "$oc" "$pc")" "$goal"
}

# single NAME GOAL "COMMAND": median wall and CPU time.
single() {
  local name=$1 goal=$2 cmd=$3 t=() i
  for ((i = 0; i < RUNS; i++)); do
    # shellcheck disable=SC2086
    t+=("$(run_ms $cmd)")
  done
  row "$name" "$(printf '%s\n' "${t[@]}" | cut -d' ' -f1 | median)" "-" "-" \
    "$(printf '%s\n' "${t[@]}" | cut -d' ' -f2 | median)" "-" "-" "$goal"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) CPUs), $RUNS runs per figure"
echo
echo "Wall: elapsed time of the whole process; CPU: its user + system time (less"
echo "sensitive to other load on the machine). Ratios are ours / peer."
echo
row "job" "ours wall" "peer wall" "ratio" "ours CPU" "peer CPU" "ratio" "goal"
echo "|------------------------------------|-----------|-----------|-------|-----------|-----------|-------|--------|"
PEER_LABEL="PPD=$ZEBRA $RASTERTOLABEL 1 user title 1 none $WORK/label-1bit.ras"
ours() { echo "PPD=$1 $FILTER 1 user title 1 $2 $3"; }
pair "50 labels, ZPL, mode 0"          "<=0.4" "$PEER_LABEL" "$(ours "$PPDS/kvzpl2.ppd" PrintMode=0 "$WORK/label-grey.ras")"
pair "50 labels, ZPL Z64, mode 0"      "<=0.4" "$PEER_LABEL" "$(ours "$WORK/kvzpl2-z64.ppd" PrintMode=0 "$WORK/label-grey.ras")"
pair "50 labels, TSPL, mode 0"         "<=0.4" "$PEER_LABEL" "$(ours "$PPDS/kvtspl2.ppd" PrintMode=0 "$WORK/label-grey.ras")"
pair "50 labels, ZPL, default mode"    "<=0.6" "$PEER_LABEL" "$(ours "$PPDS/kvzpl2.ppd" none "$WORK/label-grey.ras")"
pair "50 labels, TSPL, default mode"   "<=0.6" "$PEER_LABEL" "$(ours "$PPDS/kvtspl2.ppd" none "$WORK/label-grey.ras")"
PEER_A4="pamditherbw -fs $WORK/a4.pgm"
pair "A4 300 dpi, mode 7 vs pamditherbw" "<=0.3" "$PEER_A4" "$(ours "$WORK/kvtspl3-a4.ppd" PrintMode=7 "$WORK/a4.ras")"
pair "A4 300 dpi, mode 8 vs pamditherbw" "<=0.3" "$PEER_A4" "$(ours "$WORK/kvtspl3-a4.ppd" PrintMode=8 "$WORK/a4.ras")"
single "device page L50 (4 x 6 in)"    "<=30ms" "$(ours "$PPDS/kvl50.ppd" none "$WORK/label-page.ras")"
single "device page L60 (4 x 6 in)"    "<=30ms" "$(ours "$PPDS/kvl60.ppd" none "$WORK/label-page.ras")"
single "device page L50C (4 x 6 in)"   "<=30ms" "$(ours "$PPDS/kvl50c.ppd" none "$WORK/label-page.ras")"
echo
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

if [ "$MEMORY" = 1 ]; then
  # Peak resident memory (kB) of a 50-page and a 2,000-page label job; the
  # long job's pages are written compressed and streamed to the filter.
  peak() { /usr/bin/time -f %M env PPD="$PPDS/kvzpl2.ppd" "$FILTER" 1 user title 1 PrintMode=0 2>&1 >/dev/null | tail -1; }
  m50=$("$MAKE" label grey 50 /dev/stdout compressed | peak)
  m2000=$("$MAKE" label grey 2000 /dev/stdout compressed | peak)
  echo
  echo "peak memory, ZPL mode 0: 50 pages ${m50} kB, 2,000 pages ${m2000} kB"
fi
