#!/usr/bin/env bash
# Installs the Debian packages this project builds, tests and runs with.
# Safe to run again: packages already present are skipped.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libcups2-dev libcupsimage2-dev zlib1g-dev libcjson-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  cups cups-client cups-filters cups-ppdc ghostscript
  clang libclang-rt-dev
  libpng-dev zint qrencode zbar-tools libzxing-dev
  netpbm time
  libpappl-dev libjpeg-dev cups-ipp-utils chromium chromium-driver
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
