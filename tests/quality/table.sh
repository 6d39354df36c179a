#!/usr/bin/env bash
# Collects the print-quality gate's rows into one Markdown table and prints it.
#   table.sh RESULTS_DIR LABEL_COLUMNS...
set -euo pipefail
dir="$1"
shift
out="$dir/quality-table.md"
{
  echo "| PPD | mode | page (dots) | $(IFS='|'; echo "$*" | sed 's/|/ | /g') | 50 % patch | gradient: grey -> dots |"
  printf '|---|---|---|'
  for _ in "$@"; do printf -- '---|'; done
  echo '---|---|'
  cat "$dir"/*.row 2>/dev/null | sort -t'|' -k2,2 -k3,3
} > "$out"
cat "$out"
