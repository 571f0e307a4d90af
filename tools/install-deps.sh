#!/usr/bin/env bash
# Installs the Debian packages the build needs, only when one is missing.
# Usage: tools/install-deps.sh [extra-package ...]
set -euo pipefail
# python3: the host platform tests read the CSV logs back with its csv module.
packages=(cmake g++ make pkg-config libcpputest-dev python3 "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
