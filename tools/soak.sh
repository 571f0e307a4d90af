#!/usr/bin/env bash
# A long run of aq9host against aq9sim while the simulator cycles through its
# wire faults (silent, garbage, bad-crc, drop-bytes, slow: one every 9 s, 2 s
# each, the first 15 s after the simulator starts). Once a second the host
# process's resident memory (VmRSS), its open descriptors, the records
# published in each shared-memory block (the blocks' sequence counters), the
# missed poll periods (from its status line), the time aq9host, aq9sim and
# aq9watch have waited for a CPU and the machine's steal time go into
# soak.csv; aq9watch --csv records every
# published record with its time. The run fails when
#   - aq9host fails or ends early (a failed start-up, say);
#   - memory or descriptors grow after the first minute: the rest of the run
#     is split in halves and the median of the later half may exceed the
#     median of the earlier one by at most 64 kB of memory and no descriptor.
#     Runs shorter than 3 minutes have no room after a first minute: there
#     the last third is compared with the middle third the same way;
#   - publishing stops for longer than two poll periods (0.2 s at the 10 Hz
#     the driver polls by default) outside a fault window, with 0.1 s of
#     slack for timers and scheduling. From a fault's start, publishing must
#     resume within the link's 1 s read time-out plus two poll periods (and
#     the slack) of the wire being sound again, as in aq9host's fault tests:
#     a poll sent just before the fault ended waits out that read. The wire is
#     sound again when the fault ends, or 2.5 s later after "slow" (its late
#     replies are still coming until then). A stop during which aq9host and
#     aq9sim together, or aq9watch (which then misses records), waited,
#     runnable, for a CPU (their run-queue time, sampled with the rest), or
#     the hypervisor held the machine's CPUs (steal time), at least as long
#     as it went beyond the limit is the machine's doing: it is listed, and
#     does not fail the run. Stalls of other kinds (a congested disk, say)
#     are not discounted: such a stop fails the run, with its times.
# Leaks the growth check sees: in a 60 s run about 3 kB/s (160 bytes per
# poll), in 30 minutes about 75 B/s.
# Everything goes to OUT (default BUILD/soak; emptied first, when it is an
# earlier soak's): soak.csv, records.csv (aq9watch), faults.csv (the fault
# windows on the simulator's clock), host.out, host.err, the driver's logs in
# logs/latest/, summary.txt.
# The queues and blocks of the run carry a prefix of their own
# (AQ9_IPC_PREFIX), so a soak runs beside any other aq9host.
# Usage: tools/soak.sh [--build DIR] [--out DIR] DURATION
#   DURATION  seconds of polling, at least 30 (./test.sh runs 60)
#   --build   the build tree with aq9host, aq9sim and aq9watch (default build)
#   --out     where the results go (default BUILD/soak)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage_hint() { echo "Try 'tools/soak.sh --help'." >&2; }
bad() { echo "soak.sh: $1" >&2; usage_hint; exit 2; }

build="$root/build"
out=""
duration=""
while [ $# -gt 0 ]; do
  case "$1" in
    -h|--help) awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"; exit 0 ;;
    --build) [ $# -ge 2 ] || bad "--build needs a directory"; build=$2; shift 2 ;;
    --out) [ $# -ge 2 ] || bad "--out needs a directory"; out=$2; shift 2 ;;
    -*) bad "unknown option '$1'" ;;
    *) [ -z "$duration" ] || bad "one DURATION only, not also '$1'"; duration=$1; shift ;;
  esac
done
[ -n "$duration" ] || bad "DURATION is missing"
if ! [[ "$duration" =~ ^[0-9]+$ ]] || [ "$duration" -lt 30 ]; then
  bad "DURATION must be a whole number of seconds, at least 30, not '$duration'"
fi
out=${out:-$build/soak}
for p in apps/aq9host apps/aq9watch sim/aq9sim; do
  if [ ! -x "$build/$p" ]; then
    echo "soak.sh: $build/$p is missing; build it first: cmake --build $build --target aq9host aq9watch aq9sim" >&2
    exit 1
  fi
done

# The fault plan: kinds in turn, on the simulator's clock. None starts later
# than 8 s before the planned end, so the last one's recovery is seen.
kinds=(silent garbage bad-crc drop-bytes slow)
first=15 spacing=9 length=2
# OUT is emptied: only when it is empty already or an earlier soak's.
if [ -d "$out" ] && [ -n "$(ls -A "$out")" ] && [ ! -e "$out/faults.csv" ]; then
  bad "$out holds files that are not an earlier soak's; name another --out"
fi
rm -rf "$out"
mkdir -p "$out"
echo "kind,start_s,length_s" >"$out/faults.csv"
sim_args="--motion seaway --seed 11"
i=0
for ((start = first; start <= duration - 8; start += spacing)); do
  kind=${kinds[$((i % ${#kinds[@]}))]}
  echo "$kind,$start,$length" >>"$out/faults.csv"
  sim_args+=" --fault $kind@$start+$length"
  i=$((i + 1))
done

export AQ9_IPC_PREFIX="soak$$-"
host_pid="" watch_pid=""
cleanup() {
  [ -n "$watch_pid" ] && kill "$watch_pid" 2>/dev/null || true
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null || true
  return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "soak: aq9host --sim for $duration s, $i wire faults, results in $out"
"$build/apps/aq9host" --sim --sim-args "$sim_args" --duration "$duration" --log-dir "$out/logs" \
  >"$out/host.out" 2>"$out/host.err" &
host_pid=$!

# aq9watch needs the blocks; aq9host makes them before the driver starts.
for _ in $(seq 1 200); do
  [ -e "/dev/shm/${AQ9_IPC_PREFIX}aq9Output" ] || ! kill -0 "$host_pid" 2>/dev/null && break
  sleep 0.05
done
"$build/apps/aq9watch" --csv >"$out/records.csv" 2>"$out/watch.err" &
watch_pid=$!

# The count of records published in a block: its sequence counter (bytes 8-11
# of the header) goes up by two per record.
# Empty once the block has gone.
published() {
  local n
  n=$(od -An -tu4 -j8 -N4 "/dev/shm/${AQ9_IPC_PREFIX}$1" 2>/dev/null | tr -d ' ') || true
  [ -n "$n" ] && echo $((n / 2))
  return 0
}

# The milliseconds a process has waited, runnable, for a CPU (its schedstat).
runq_ms() {
  [ -n "$1" ] && awk '{ printf "%.3f", $2 / 1e6 }' "/proc/$1/schedstat" 2>/dev/null
  return 0
}

# The milliseconds the hypervisor has taken from each of this machine's CPUs
# (steal time, /proc/stat), on average.
ticks=$(getconf CLK_TCK)
cpus=$(nproc)
steal_ms() {
  awk -v t="$ticks" -v n="$cpus" '/^cpu / { printf "%.1f", $9 * 1000 / t / n }' /proc/stat
}

columns="time,elapsed_s,rss_kB,fds,ahrs_published,raw_published,missed_periods"
echo "$columns,host_runq_ms,sim_runq_ms,watch_runq_ms,steal_ms" >"$out/soak.csv"
t0=$(date +%s.%N)
sim_pid=""
while kill -0 "$host_pid" 2>/dev/null; do
  [ -n "$sim_pid" ] || sim_pid=$(pgrep -P "$host_pid" -x aq9sim | head -n 1 || true)
  rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$host_pid/status" 2>/dev/null || true)
  fds=$(find "/proc/$host_pid/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l || true)
  # The status line's missed periods: the column before the heading error.
  missed=$(tail -n 1 "$out/host.out" | awk '$1 ~ /^[0-9]+s$/ { print $(NF - 1) }')
  ahrs=$(published aq9Output)
  raw=$(published aq9RawMeasOutput)
  # Taken after the counters: every record they count is stamped before it.
  now=$(date +%s.%N)
  # A process that is ending has no memory figure left, nor blocks.
  if [ -n "$rss" ] && [ -n "$ahrs" ] && [ -n "$raw" ]; then
    elapsed=$(awk -v a="$now" -v b="$t0" 'BEGIN { printf "%.3f", a - b }')
    echo "$now,$elapsed,$rss,$fds,$ahrs,$raw,${missed:-},$(runq_ms "$host_pid"),$(runq_ms "$sim_pid")," \
      "$(runq_ms "$watch_pid"),$(steal_ms)" | tr -d ' ' >>"$out/soak.csv"
  fi
  # On the next whole second of the run.
  sleep "$(awk -v a="$(date +%s.%N)" -v b="$t0" 'BEGIN { d = a - b; printf "%.3f", int(d) + 1 - d }')"
done
host_status=0
wait "$host_pid" || host_status=$?
host_pid=""
# aq9watch ends by itself when the blocks go.
for _ in $(seq 1 50); do
  kill -0 "$watch_pid" 2>/dev/null || break
  sleep 0.1
done
watch_status=0
kill -0 "$watch_pid" 2>/dev/null && { kill "$watch_pid"; echo "soak: aq9watch did not end with the driver" >&2; }
wait "$watch_pid" || watch_status=$?
watch_pid=""

python3 "$root/tools/soak_report.py" --dir "$out" --duration "$duration" --host-status "$host_status" \
  --watch-status "$watch_status" --period 0.1 --read-timeout 1.0 --slack 0.1 --slow-delay 2.5 \
  --rss-slack-kb 64 | tee "$out/summary.txt"
exit "${PIPESTATUS[0]}"
