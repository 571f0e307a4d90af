#!/usr/bin/env python3
"""The soak's verdicts on made-up runs: stops in publishing that a wire fault
or the machine (run-queue waits, steal) explains pass, others fail; memory
or descriptors that grow after the settling time fail, a one-off step while
settling or a passing descriptor does not."""
import os
import sys
import unittest
from types import SimpleNamespace

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import soak_report  # noqa: E402

LIMITS = SimpleNamespace(period=0.1, read_timeout=1.0, slack=0.1)


def polls(start, stop):
    """A record every 0.1 s in [start, stop)."""
    return [round(start + 0.1 * k, 3) for k in range(int(round((stop - start) / 0.1)))]


def fault(kind, start, length, delay=0.0):
    return soak_report.Fault(kind, start, start + length, start + length + delay)


def waiting(seconds, start, stop, who="poll"):
    """Samples of the machine's waits: `seconds` between start and stop, of
    the poll's two ends, of the watcher or of steal time."""
    times = [float(t) for t in range(31)]
    grown = [seconds if t >= stop else 0.0 if t <= start else seconds / 2 for t in range(31)]
    series = [[0.0] * 31 for _ in range(3)]
    series[["poll", "watch", "steal"].index(who)] = grown
    return (times, *series)


class Gaps(unittest.TestCase):
    # label, record times, end of the loop, faults, stops expected (as their first record)
    ROWS = [
        ("steady", polls(0, 30), 30.0, [], []),
        ("one lost record", polls(0, 5) + polls(5.1, 30), 30.0, [], []),
        ("three lost records", polls(0, 5) + polls(5.3, 30), 30.0, [], [4.9]),
        ("silent, back at once", polls(0, 10) + polls(12.0, 30), 30.0, [fault("silent", 10, 2)], []),
        ("silent, back after the read time-out", polls(0, 10) + polls(13.25, 30), 30.0,
         [fault("silent", 10, 2)], []),
        ("silent, back too late", polls(0, 10) + polls(13.5, 30), 30.0, [fault("silent", 10, 2)], [9.9]),
        ("stopped before the fault", polls(0, 9) + polls(12.0, 30), 30.0, [fault("garbage", 10, 2)], [8.9]),
        ("slow, sound 2.5 s after its end", polls(0, 10) + polls(15.7, 30), 30.0,
         [fault("slow", 10, 2, 2.5)], []),
        ("stopped away from a fault", polls(0, 20) + polls(21, 30), 30.0, [fault("silent", 10, 2)], [19.9]),
        ("stopped before the end", polls(0, 28), 30.0, [], [27.9]),
    ]

    def test_table(self):
        for label, times, end, faults, stops in self.ROWS:
            bad, busy, _ = soak_report.judge_gaps(times, end, faults, LIMITS)
            self.assertEqual([round(b[0], 3) for b in bad], stops, label)
            self.assertEqual(busy, [], label)

    def test_a_stop_while_the_machine_held_the_processes_back_is_the_machines(self):
        stop = polls(0, 20) + polls(20.5, 30)  # 0.6 s, 0.3 s beyond the limit
        for label, wait, machines in [("waited 0.4 s", waiting(0.4, 20, 21), 1),
                                      ("the watcher waited 0.4 s", waiting(0.4, 20, 21, "watch"), 1),
                                      ("0.4 s of steal", waiting(0.4, 20, 21, "steal"), 1),
                                      ("waited 0.2 s", waiting(0.2, 20, 21), 0),
                                      ("waited long before", waiting(0.4, 5, 6), 0)]:
            bad, busy, _ = soak_report.judge_gaps(stop, 30.0, [], LIMITS, wait)
            self.assertEqual((len(busy), len(bad)), (machines, 1 - machines), label)

    def test_recovery_is_measured_from_the_wire_being_sound(self):
        _, _, recovery = soak_report.judge_gaps(polls(0, 10) + polls(15.7, 30), 30.0, [fault("slow", 10, 2, 2.5)],
                                             LIMITS)
        self.assertAlmostEqual(recovery[0], 1.2, places=6)


def samples(rss, fds, seconds=60):
    """One sample a second from t = 0; rss and fds are functions of t."""
    return [{"time": str(t), "rss_kB": str(rss(t)), "fds": str(fds(t))} for t in range(seconds)]


class Growth(unittest.TestCase):
    # label, rss(t), fds(t), run length, failing keys
    ROWS = [
        ("flat", lambda t: 4000, lambda t: 14, 60, []),
        ("a step while settling", lambda t: 4000 + 400 * (t > 10), lambda t: 14 + (t > 5), 60, []),
        ("a descriptor open now and then", lambda t: 4000, lambda t: 14 + (t % 5 == 0), 60, []),
        ("rss leaking 5 kB/s", lambda t: 4000 + 5 * t, lambda t: 14, 60, ["rss_kB"]),
        ("one descriptor more late on", lambda t: 4000, lambda t: 14 + (t >= 45), 60, ["fds"]),
        ("a long run settles for a minute", lambda t: 4000 + 500 * (t > 50), lambda t: 14, 600, []),
        ("a long run leaking 0.3 kB/s", lambda t: 4000 + 0.3 * t, lambda t: 14, 600, ["rss_kB"]),
    ]

    def test_table(self):
        for label, rss, fds, seconds, failing in self.ROWS:
            _, failures = soak_report.judge_growth(samples(rss, fds, seconds), 0.0, seconds, 64)
            self.assertEqual([f.split()[0] for f in failures], failing, label)


if __name__ == "__main__":
    unittest.main()
