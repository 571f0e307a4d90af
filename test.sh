#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice:
# a normal build (build/) and an AddressSanitizer + UBSan build (build-asan/);
# then a 60-second soak of aq9host against the simulator's wire faults on the
# normal build (tools/soak.sh), and replays every fuzz target over its
# committed corpus (build-fuzz/, clang), so every input that once found a
# fault runs again. Fuzzing itself: ./fuzz.sh.
set -euo pipefail
case "${1:-}" in
  "") ;;
  -h|--help) awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"; exit 0 ;;
  *) echo "$(basename "$0"): takes no arguments, not '$1'; try '$0 --help'" >&2; exit 2 ;;
esac
cd "$(dirname "$0")"
# chromium: the browser test of korvan-serve loads a page, and the calibration
# picture tests render aq9cal's and aq9host's SVG, in headless Chromium.
tools/install-deps.sh --fuzz chromium
jobs=$(nproc)
for variant in normal asan; do
  if [ "$variant" = normal ]; then dir=build; flags=(-DAQ9_SANITIZE=OFF); else dir=build-asan; flags=(-DAQ9_SANITIZE=ON); fi
  echo "=== $variant build ($dir)"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" >/dev/null
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$jobs")
done
echo "=== 60-second soak (build/soak)"
tools/soak.sh 60
echo "=== fuzz corpus replay (build-fuzz)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DAQ9_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$jobs"
(cd build-fuzz && ctest --output-on-failure -j"$jobs")
echo "All tests passed in both builds, the soak ran clean, and every fuzz corpus replays clean."
