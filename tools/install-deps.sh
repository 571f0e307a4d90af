#!/usr/bin/env bash
# Installs the Debian packages the build needs, only when one is missing.
# Usage: tools/install-deps.sh [--fuzz] [extra-package ...]
#   --fuzz  also clang and the compiler runtime of its version (libFuzzer and
#           the sanitizers), for fuzz.sh and the corpus replay of test.sh.
set -euo pipefail

# Installs the named packages that are not installed yet.
install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
  fi
}

case "${1:-}" in
  -h|--help) awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"; exit 0 ;;
  -*) [ "$1" = --fuzz ] || { echo "install-deps.sh: unknown option '$1'; try '$0 --help'" >&2; exit 2; } ;;
esac
fuzz=0
if [ "${1:-}" = "--fuzz" ]; then
  fuzz=1
  shift
fi
# python3: the host platform tests read the CSV logs back with its csv module,
# and tools/parser_cases.py lists the protocol parsers for the tests.
install_missing cmake g++ make pkg-config libcpputest-dev python3 "$@"
if [ "$fuzz" -eq 1 ]; then
  install_missing clang
  # libFuzzer comes with the compiler runtime of clang's own major version.
  install_missing "libclang-rt-$(clang -dumpversion | cut -d. -f1)-dev"
fi
