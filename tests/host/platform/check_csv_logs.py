"""Reads the data logs DataLogTest wrote with the csv module and checks them.

Usage: check_csv_logs.py <AUV_LOG_DIR>. Exit status 0 when every check holds;
otherwise the first failed check is printed and the status is 1.
"""
import csv
import os
import sys
import time


def rows(path):
    with open(path, newline="") as f:
        return list(csv.reader(f))


def main(root):
    latest = os.path.join(root, "latest")
    data = rows(os.path.join(latest, "testLog.csv"))
    assert data[0] == ["time", "vRoll", "vRate", "vBits"], data[0]
    assert len(data) == 3, data
    stamp = float(data[1][0])
    assert abs(stamp - time.time()) < 120, stamp
    assert [float(v) for v in data[1][1:3]] == [0.1, -1e-300], data[1]
    assert [float(v) for v in data[2][1:3]] == [-3.141592653589793, 1.0 / 3.0], data[2]
    assert [data[1][3], data[2][3]] == ["42", "-7"], data
    columns = rows(os.path.join(latest, "testLog.columns.csv"))
    assert columns == [
        ["name", "kind", "units", "long_name"],
        ["time", "timestamp", "s", "seconds since 1970-01-01 00:00 UTC"],
        ["vRoll", "angle", "Rad", "Estimated roll, vehicle frame"],
        ["vRate", "double", "Rad/s", 'Say "rate"'],
        ["vBits", "integer", "NA", "Status bits"],
    ], columns
    # The second run of the same log got the next name and kept the extension.
    again = rows(os.path.join(latest, "testLog.1.csv"))
    assert again == [["vRoll", "vRate", "vBits"], ["2.5", "0", "1"]], again
    assert rows(os.path.join(latest, "testLog.1.columns.csv"))[1][0] == "vRoll"
    # A log closed without a record leaves nothing behind.
    left = sorted(os.listdir(latest))
    assert left == ["testLog.1.columns.csv", "testLog.1.csv", "testLog.columns.csv", "testLog.csv"], left


if __name__ == "__main__":
    try:
        main(sys.argv[1])
    except (AssertionError, OSError, ValueError, IndexError) as e:
        print("check failed:", repr(e))
        sys.exit(1)
