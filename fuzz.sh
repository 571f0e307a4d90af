#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ (build-fuzz/: clang, libFuzzer, ASan and
# UBSan) and runs each one for the given number of seconds (default 60),
# starting from its committed corpus (fuzz/corpus/<target>/). Prints, per
# target, the executions, the coverage reached (edges and features), the
# corpus size and the findings. A finding (crash, sanitizer report, time-out,
# memory blow-up) is saved under build-fuzz/findings/<target>/ and makes the
# script fail. Inputs the run adds go to build-fuzz/corpus/<target>/, never
# into the committed corpus: once a finding's fault is fixed, copy its input
# into fuzz/corpus/<target>/ (named found-<what it shows>) so the replay in
# ./test.sh runs it ever after.
# Usage: ./fuzz.sh [seconds] [target ...]
set -euo pipefail
cd "$(dirname "$0")"
case "${1:-}" in
  -h|--help) awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"; exit 0 ;;
esac
seconds=${1:-60}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "fuzz.sh: seconds must be a positive whole number, not '$seconds'" >&2
  echo "Try './fuzz.sh --help'." >&2
  exit 2
fi
shift $(( $# > 0 ? 1 : 0 ))
tools/install-deps.sh --fuzz
dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -DAQ9_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j2 >/dev/null
read -r -a all <<<"$(tr ';' ' ' <"$dir/fuzz_targets.txt")"
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

failed=0
printf '%-17s %8s %12s %9s %7s %8s %8s  %s\n' target seconds executions exec/s edges features corpus findings
for t in "${targets[@]}"; do
  if [ ! -x "$dir/fuzz/$t" ]; then
    echo "fuzz.sh: no fuzz target '$t' (targets: ${all[*]})" >&2
    exit 2
  fi
  work="$dir/corpus/$t"
  findings="$dir/findings/$t"
  log="$dir/logs/$t.log"
  mkdir -p "$work" "$findings" "$dir/logs"
  status=0
  "$dir/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=3 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$work" "fuzz/corpus/$t" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ -z "$runs" ]; then
    runs=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
  fi
  last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1)
  edges=$(sed -n 's/.*cov: \([0-9]*\).*/\1/p' <<<"$last")
  features=$(sed -n 's/.*ft: \([0-9]*\).*/\1/p' <<<"$last")
  corpus=$(sed -n 's/.*corp: \([0-9]*\).*/\1/p' <<<"$last")
  found=$(find "$findings" -type f | wc -l)
  if [ "$status" -ne 0 ] || [ "$found" -gt 0 ]; then
    failed=1
  fi
  note=""
  [ "$status" -ne 0 ] && note=" (exit $status, see $log)"
  printf '%-17s %8s %12s %9s %7s %8s %8s  %s\n' "$t" "$seconds" "${runs:-?}" "$(( ${runs:-0} / seconds ))" \
    "${edges:-?}" "${features:-?}" "${corpus:-?}" "$found$note"
done
if [ "$failed" -ne 0 ]; then
  echo "Findings are in $dir/findings/; each file reproduces with: $dir/fuzz/<target> <file>"
  exit 1
fi
echo "No findings."
