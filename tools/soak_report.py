#!/usr/bin/env python3
"""Judges a soak run of tools/soak.sh from the files it left in its directory,
prints the summary and exits 1 when the run failed (see soak.sh for the rules).

Times: soak.csv and records.csv carry CLOCK_REALTIME seconds; faults.csv the
simulator's clock, whose start is its state file's time of writing less the
run time written in it. The report shows times as seconds after the first
published record."""
import argparse
import bisect
import csv
import datetime
import json
import os
import re
import statistics
import sys
from collections import defaultdict


class Fault:
    def __init__(self, kind, start, end, sound):
        self.kind, self.start, self.end, self.sound = kind, start, end, sound


def read_rows(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f))


def sim_start(state_path):
    """CLOCK_REALTIME of the simulator's start."""
    with open(state_path) as f:
        wall = json.load(f)["wallTime"]
    return os.stat(state_path).st_mtime_ns / 1e9 - wall


def loop_end(host_err):
    """When the driver's loop stopped (its log line's UTC stamp), or None."""
    stamp = re.compile(r"^(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d+)Z AQ9 - loop stopped")
    with open(host_err, errors="replace") as f:
        for line in f:
            m = stamp.match(line)
            if m:
                t = datetime.datetime.fromisoformat(m.group(1)).replace(tzinfo=datetime.timezone.utc)
                return t.timestamp()
    return None


def faults_of(directory, start, slow_delay):
    faults = []
    for r in read_rows(os.path.join(directory, "faults.csv")):
        s = start + float(r["start_s"])
        e = s + float(r["length_s"])
        faults.append(Fault(r["kind"], s, e, e + (slow_delay if r["kind"] == "slow" else 0.0)))
    return faults


def record_times(directory):
    """Times of the Ok records aq9watch saw, per block."""
    times = defaultdict(list)
    for r in read_rows(os.path.join(directory, "records.csv")):
        if r["status"] == "Ok":
            times[r["block"]].append(float(r["time"]))
    for t in times.values():
        t.sort()
    return times


def machine_waits(samples):
    """Sample times, and by then the seconds aq9host and aq9sim together, and
    aq9watch, had waited, runnable, for a CPU (their schedstat), and the
    hypervisor had held each CPU (steal); None when soak.csv lacks them."""
    keys = ("host_runq_ms", "sim_runq_ms", "watch_runq_ms", "steal_ms")
    if not samples or any(k not in samples[0] for k in keys):
        return None
    times, polling, watching, steal = [], [], [], []
    for s in samples:
        if all(s[k] for k in keys):
            times.append(float(s["time"]))
            polling.append((float(s["host_runq_ms"]) + float(s["sim_runq_ms"])) / 1000.0)
            watching.append(float(s["watch_runq_ms"]) / 1000.0)
            steal.append(float(s["steal_ms"]) / 1000.0)
    return (times, polling, watching, steal) if times else None


def waited(wait, prev, nxt):
    """The machine's part between the samples that bracket [prev, nxt]: the
    run-queue wait of the poll's two ends together (each waits on the other),
    or of the watcher (which misses records when it waits), or the steal
    time, whichever is longest."""
    times = wait[0]
    i = max(bisect.bisect_right(times, prev) - 1, 0)
    j = min(bisect.bisect_left(times, nxt), len(times) - 1)
    return max(series[j] - series[i] for series in wait[1:])


def judge_gaps(times, end, faults, a, wait=None):
    """Stops in publishing no fault explains: those during which the machine
    held the processes back (waited()) at least as long as the stop went
    beyond the limit (listed apart), and the others. Also,
    per fault, the time from the wire being sound again to the next record."""
    normal = 2 * a.period + a.slack
    after_fault = a.read_timeout + 2 * a.period + a.slack
    bad, busy = [], []
    recovery = {}
    for i, f in enumerate(faults):
        k = bisect.bisect_right(times, f.sound)
        if k < len(times):
            recovery[i] = times[k] - f.sound
    points = times + ([end] if end is not None and times and end > times[-1] else [])
    for prev, nxt in zip(points, points[1:]):
        if nxt - prev <= normal:
            continue
        explained = any(prev < f.sound and nxt > f.start and prev >= f.start - normal and
                        nxt <= f.sound + after_fault for f in faults)
        if explained:
            continue
        if wait is not None and waited(wait, prev, nxt) >= nxt - prev - normal:
            busy.append((prev, nxt))
        else:
            bad.append((prev, nxt))
    return bad, busy, recovery


def growth_windows(duration):
    """The two windows compared, in seconds after the first record."""
    settle = 60.0 if duration >= 180 else duration / 3.0
    middle = settle + (duration - settle) / 2.0
    return (settle, middle), (middle, float(duration))


def window_median(samples, key, window, t0):
    values = [float(s[key]) for s in samples if window[0] <= float(s["time"]) - t0 < window[1]]
    return (statistics.median(values), len(values)) if values else (None, 0)


def judge_growth(samples, t0, duration, rss_slack_kb):
    """Table rows (key, first, early median, late median, max) and failures."""
    early, late = growth_windows(duration)
    rows, failures = [], []
    for key, unit, slack in (("rss_kB", " kB", rss_slack_kb), ("fds", "", 0.0)):
        m1, n1 = window_median(samples, key, early, t0)
        m2, n2 = window_median(samples, key, late, t0)
        if n1 < 5 or n2 < 5:
            failures.append("too few samples to judge %s (%d and %d)" % (key, n1, n2))
            continue
        rows.append((key, float(samples[0][key]), m1, m2, max(float(s[key]) for s in samples)))
        if m2 - m1 > slack:
            failures.append("%s grew from a median of %g%s to %g%s (at most %g allowed)" % (
                key, m1, unit, m2, unit, slack))
    return rows, failures


def main():
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--dir", required=True)
    p.add_argument("--duration", type=float, required=True)
    p.add_argument("--host-status", type=int, required=True)
    p.add_argument("--watch-status", type=int, required=True)
    p.add_argument("--period", type=float, required=True)
    p.add_argument("--read-timeout", type=float, required=True)
    p.add_argument("--slack", type=float, required=True)
    p.add_argument("--slow-delay", type=float, required=True)
    p.add_argument("--rss-slack-kb", type=float, required=True)
    a = p.parse_args()

    failures = []
    if a.host_status != 0:
        failures.append("aq9host exited with status %d (see host.err)" % a.host_status)
    if a.watch_status != 0:
        failures.append("aq9watch exited with status %d (see watch.err)" % a.watch_status)
    samples = read_rows(os.path.join(a.dir, "soak.csv"))
    times = record_times(a.dir)
    state = os.path.join(a.dir, "logs", "latest", "aq9sim-state.json")
    if not os.path.exists(state) or not times.get("ahrs") or not samples:
        failures.append("nothing was published (see host.err)")
        print("soak: FAILED: " + "; ".join(failures))
        return 1
    t0 = times["ahrs"][0]
    faults = faults_of(a.dir, sim_start(state), a.slow_delay)
    end = loop_end(os.path.join(a.dir, "host.err"))
    rel = lambda t: t - t0

    print("soak: %.0f s of polling, %d samples, %d faults (%s)" % (
        (end or float(samples[-1]["time"])) - t0, len(samples), len(faults),
        ", ".join("%s %d" % (k, sum(f.kind == k for f in faults))
                  for k in dict.fromkeys(f.kind for f in faults))))

    # Memory and descriptors.
    early, late = growth_windows(a.duration)
    rows, growth = judge_growth(samples, t0, a.duration, a.rss_slack_kb)
    failures += growth
    print("  %-8s %8s %16s %16s %8s %8s" % ("", "first", "median %g-%g s" % early,
                                          "median %g-%g s" % late, "max", "growth"))
    for key, first, m1, m2, top in rows:
        print("  %-8s %8g %16g %16g %8g %+8g" % (key, first, m1, m2, top, m2 - m1))

    # Publishing.
    wait = machine_waits(samples)
    if wait is not None:
        print("  waited for a CPU (run queue): aq9host and aq9sim %.3f s in all, aq9watch %.3f s; steal time "
              "%.3f s per CPU" % tuple(w[-1] - w[0] for w in wait[1:]))
    last = samples[-1]
    missed = [s["missed_periods"] for s in samples if s["missed_periods"]]
    for block, header in (("ahrs", "ahrs_published"), ("raw", "raw_published")):
        t = times.get(block, [])
        bad, busy, recovery = judge_gaps(t, end, faults, a, wait)
        inside = sum(1 for f in faults for x in t if f.start + 0.05 < x < f.end)
        reach = a.read_timeout + 2 * a.period + a.slack
        sound_gaps = [y - x for x, y in zip(t, t[1:])
                      if not any(x < f.sound + reach and y > f.start for f in faults)]
        # The counter includes the block's two writes before the first record.
        counted = int(last[header]) - 2
        seen = sum(1 for x in t if x <= float(last["time"]))
        print("  %s: %d records seen by aq9watch (by the last sample %d, the block's counter %d); longest gap "
              "away from faults %.3f s; %d records stamped inside a fault" % (
                  block, len(t), seen, counted, max(sound_gaps, default=0.0), inside))
        worst = {}
        for i, r in recovery.items():
            worst[faults[i].kind] = max(worst.get(faults[i].kind, -1e9), r)
        print("    first record after the wire is sound again, worst per fault: " +
              ", ".join("%s %.3f s" % (k, v) for k, v in worst.items()))
        if busy:
            print("    stops away from faults while the machine held the processes back as long (not "
                  "failed): %d, the longest %.3f s" % (len(busy), max(y - x for x, y in busy)))
        for x, y in bad:
            failures.append("%s: nothing published from %.3f s to %.3f s (%.3f s)" % (block, rel(x), rel(y),
                                                                                     y - x))
    print("  missed poll periods in all: %s" % (missed[-1] if missed else "-"))
    if end is None:
        failures.append("the driver's loop never reported its end (see host.err)")

    if failures:
        for f in failures[:20]:
            print("soak: FAILED: " + f)
        if len(failures) > 20:
            print("soak: ... and %d more" % (len(failures) - 20))
        return 1
    print("soak: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
