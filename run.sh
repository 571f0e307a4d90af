#!/usr/bin/env bash
# The driver end to end on this machine, as a new user first sees it:
# installs what is missing, builds the four programs it runs, then runs the
# driver task (aq9host) against the simulated sensor (aq9sim) with badly
# placed iron near its magnetometer, calibrates it over a simulated tumble,
# loads the result and shows the heading error and the field magnitude before
# and after. Last it builds the rest of build/ (tests, bench, archiver), so
# ctest works afterwards; the demonstration itself does not wait for that.
# Exit status 0 only when every step succeeded. The verification bench is
# ./build/aq9/bench/imubench (README).
set -euo pipefail
case "${1:-}" in
  "") ;;
  -h|--help) awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"; exit 0 ;;
  *) echo "$(basename "$0"): takes no arguments, not '$1'; try '$0 --help'" >&2; exit 2 ;;
esac
cd "$(dirname "$0")"
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target aq9host aq9sim aq9cmd aq9watch >/dev/null

apps=build/apps
demo=build/demo
rm -rf "$demo"
mkdir -p "$demo"
logs="$demo/logs/latest"
state="$logs/aq9sim-state.json"
# A queue and block prefix of its own, so the demonstration never meets
# another run of the programs on this machine.
export AQ9_IPC_PREFIX="demo-$$-"

# Iron near the magnetometer: a soft-iron matrix with a rotation part and a
# hard-iron offset (milligauss); the vehicle tumbles five times faster than
# real time, so a calibration run needs seconds rather than minutes.
sim_args="--motion tumble --time-scale 5 --seed 7 --hard-iron 180,-60,25"
sim_args+=" --soft-iron 1.08,0.05,0.02,0.03,0.93,-0.03,0.02,-0.01,1.01"

step() { printf '\n== %s\n' "$*"; }
fail() { printf '\nrun.sh: %s\n' "$*" >&2; exit 1; }
# A number from the simulator's state file, by its key path.
state_value() {
  python3 -c 'import json, sys
v = json.load(open(sys.argv[1]))
for k in sys.argv[2:]:
    v = v[k]
print(v)' "$state" "$@"
}

step "Starting the driver (aq9host) against the simulated sensor; its log goes to $demo/aq9host.log"
"$apps/aq9host" --sim --sim-args "$sim_args" --cfg config/aq9-demo.cfg --site 36.8,-121.9 \
  --log-dir "$demo/logs" 2>"$demo/aq9host.log" &
host=$!
trap 'kill "$host" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  "$apps/aq9watch" --once >/dev/null 2>&1 && break
  kill -0 "$host" 2>/dev/null || fail "aq9host ended during start-up; see $demo/aq9host.log"
  sleep 0.2
done
"$apps/aq9watch" --once >/dev/null 2>&1 || fail "the driver does not publish; see $demo/aq9host.log"
# The simulator writes its state once a second.
for _ in $(seq 30); do site=$(state_value lastPoll siteFieldG 2>/dev/null) && break; sleep 0.1; done
[ -n "${site:-}" ] || fail "no state from the simulator in $state"

step "5 s of polling with the distorted magnetometer: the site's field is $site G; |B| and the heading error (hdg err) are off"
sleep 5

before="|B| $(state_value lastPoll fieldG) G, heading error $(state_value lastPoll magHeadingErrorDeg) deg"

step "Calibration run: aq9cmd start-cal, 12 s of tumbling through every attitude (kept: samples the engine keeps)"
"$apps/aq9cmd" start-cal >/dev/null
sleep 12
"$apps/aq9cmd" finish-cal >/dev/null
report="$logs/aq9_Hard-Soft-Iron-Calibration.dat"
for _ in $(seq 50); do [ -s "$report" ] && break; sleep 0.1; done
grep -q 'Mag_C00' "$report" && ! grep -q -e 'ERROR' -e 'Not loaded' "$report" ||
  fail "the calibration did not succeed: $(tail -n 3 "$report" 2>/dev/null)"

step "aq9cmd finish-cal: solved, loaded into the sensor and saved to its EEPROM (WriteHSIToEEPROM = true):"
sed -n '/--Soft Iron Matrix--/,/^$/p;/--Hard Iron Vector--/,/^$/p' "$report"

sleep 1  # the simulator's state (hdg err) follows once a second
step "5 s with the calibration: |B| is the site's $site G and the heading error is gone"
sleep 5
kill -INT "$host"
status=0
wait "$host" || status=$?
trap - EXIT
[ "$status" -eq 0 ] || fail "aq9host ended with status $status; see $demo/aq9host.log"

field=$(state_value lastPoll fieldG)
heading=$(state_value lastPoll magHeadingErrorDeg)
python3 -c 'import sys; f, s, h = map(float, sys.argv[1:]); sys.exit(abs(f / s - 1) > 0.01 or abs(h) > 1)' \
  "$field" "$site" "$heading" || fail "after the calibration |B| = $field G (site $site G), heading error $heading deg"
step "Site field $site G. Before: $before. After: |B| $field G, heading error $heading deg"

step "Where everything is"
echo "  settings snapshot:  $logs/aq9.dat"
echo "  data logs:          $logs/aqAhrs.csv, $logs/aqMeas.csv (columns in *.columns.csv)"
echo "  calibration report: $report"
picture="${report%.dat}.svg"
[ -f "$picture" ] || fail "aq9host drew no picture of the calibration run ($picture); see $demo/aq9host.log"
echo "  its picture:        $picture (open it in a browser)"
echo "  driver's log:       $demo/aq9host.log"
echo "  simulator's state:  $state"
step "Building the rest of build/ (tests, bench, the other programs), so ctest --test-dir build works next"
cmake --build build -j"$(nproc)" >/dev/null
echo "Next: README.md (aq9host with a real sensor, aq9cmd, aq9watch, aq9cfg, aq9cal); the bench: ./build/aq9/bench/imubench -v"
