#!/usr/bin/env bash
# Installs what is missing, builds in build/ and runs the verification bench.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target imubench
set +e
./build/aq9/bench/imubench -v "$@" | tee build/imubench.out
status=${PIPESTATUS[0]}
set -e
summary=$(grep -E '^(OK|Errors) \(' build/imubench.out | tail -n 1)
echo "imubench: ${summary:-no summary} (exit status $status)"
exit "$status"
