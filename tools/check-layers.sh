#!/usr/bin/env bash
# The layer check: every folder includes only the headers of the folders it may
# use (DEVELOPING.md, "Layers"), and the outside libraries only where they are
# named below. Prints each include that breaks the table and exits 1; exits 0
# when the tree keeps to it.
#   tools/check-layers.sh
set -uo pipefail
cd "$(dirname "$0")/.."

# folder | project folders it may include from (its own is always allowed) | outside headers it may include
rules=(
  "base|-|-"
  "image|base|-"
  "image/device|image base|-"
  "protocol|base|-"
  "protocol/device|protocol image/device image base|-"
  "protocol/host|protocol base|cjson"
  "libkvprotocol|protocol/host protocol/device protocol base|-"
  "languages|protocol/device protocol image/device image base|zlib"
  "filter|languages base|cups"
  "render|protocol base|zlib png"
  "tools/kvproto|protocol/host protocol base|cjson"
  "tools/kvrender|render base|-"
  "app|languages protocol/host protocol image base|pappl cups cjson"
  "tests|*|*"
  "bench|*|*"
  "fuzz|*|*"
)

# The rule of a folder: the longest folder of the table that holds it.
rule_for() {
  local dir=$1 best="" r
  for r in "${rules[@]}"; do
    local folder=${r%%|*}
    if [[ $dir == "$folder" || $dir == "$folder"/* ]] && ((${#folder} > ${#best})); then best=$folder; fi
  done
  [[ -n $best ]] && for r in "${rules[@]}"; do [[ ${r%%|*} == "$best" ]] && echo "$r"; done
}

# Outside headers by the library they belong to.
outside_library() {
  case $1 in
    zlib.h) echo zlib ;;
    png.h | pngconf.h) echo png ;;
    cjson/*) echo cjson ;;
    cups/*) echo cups ;;
    pappl/*) echo pappl ;;
    *) echo "" ;;
  esac
}

failures=0
while IFS= read -r file; do
  dir=$(dirname "$file")
  rule=$(rule_for "$dir")
  if [[ -z $rule ]]; then
    echo "check-layers: $file: folder $dir is in no row of the layer table"
    failures=$((failures + 1))
    continue
  fi
  IFS='|' read -r folder allowed outside <<<"$rule"
  [[ $allowed == "*" ]] && continue
  while IFS= read -r line; do
    number=${line%%:*}
    header=$(sed -E 's/^[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"].*/\1/' <<<"$line")
    if [[ $line == *'#include "'* || $line == *'# include "'* ]]; then
      hdir=$(dirname "$header")
      ok=0
      [[ $hdir == "$folder" ]] && ok=1
      for a in $allowed; do [[ $hdir == "$a" ]] && ok=1; done
      if ((ok == 0)); then
        echo "check-layers: $file:$number: includes \"$header\"; $folder/ may use: ${allowed/-/nothing else}"
        failures=$((failures + 1))
      fi
    else
      lib=$(outside_library "$header")
      [[ -z $lib ]] && continue
      if [[ " $outside " != *" $lib "* ]]; then
        echo "check-layers: $file:$number: includes <$header>; $lib is not used in $folder/"
        failures=$((failures + 1))
      fi
    fi
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' "$file" || true)
done < <(git ls-files -- '*.c' '*.cpp' '*.h' '*.hpp' | grep -v '^fuzz/corpus/')

if ((failures > 0)); then
  echo "check-layers: $failures include(s) outside the layer table"
  exit 1
fi
echo "check-layers: every include keeps to the layer table"
