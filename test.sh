#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice:
# a normal build (build/) and an AddressSanitizer + UBSan build (build-asan/).
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh chromium  # the browser test of korvan-serve loads a page in headless Chromium
jobs=$(nproc)
for variant in normal asan; do
  if [ "$variant" = normal ]; then dir=build; flags=(-DAQ9_SANITIZE=OFF); else dir=build-asan; flags=(-DAQ9_SANITIZE=ON); fi
  echo "=== $variant build ($dir)"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" >/dev/null
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$jobs")
done
echo "All tests passed in both builds."
