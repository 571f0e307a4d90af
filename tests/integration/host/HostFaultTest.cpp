// aq9host against a simulator that misbehaves on the wire for two seconds,
// one run per fault kind, all side by side: the driver keeps running, every
// record it publishes is a true one (none from a failed poll), and it
// publishes again soon after the wire is sound again.
#include <math.h>
#include <signal.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "HostProcess.h"

// CppUTest last: its allocation macros must not reach the standard headers.
#include "CppUTest/TestHarness.h"

namespace {

const double kFaultStart_s = 4.0;  // on the simulator's clock, after its start
const double kFaultLength_s = 2.0;
// The simulator's "slow" replies arrive this much later, so its wire is
// sound again only then.
const double kSlowDelay_s = 2.5;
// A poll sent just before the fault ended waits out the link's record read
// time-out (1 s) before the next one goes out; then two poll periods.
const double kRecovery_s = 1.0 + 2 * 0.1 + 0.3;  // 0.3: scheduling slack

struct Row
{
    const char* kind;
    double soundAgain_s;  // when the wire is sound again, after the fault's start
};

const Row kRows[] = {
    {"silent", kFaultLength_s},    {"garbage", kFaultLength_s},
    {"bad-crc", kFaultLength_s},   {"drop-bytes", kFaultLength_s},
    {"slow", kFaultLength_s + kSlowDelay_s},
};

double angleDeg(double rad)
{
    return rad * 57.29577951308232;
}

// Every published attitude record is the still, level vehicle at heading 060
// in the site's field, whatever the wire did.
void checkRecords(const CsvLog& log, const char* kind, double site)
{
    const int yaw = log.column("vYaw"), pitch = log.column("vPitch"), roll = log.column("vRoll");
    const int mx = log.column("vMagX"), temp = log.column("vTemp");
    CHECK_TEXT(yaw >= 0 && mx >= 0 && temp >= 0 && log.rows.size() > 20, kind);
    for (const std::vector<double>& r : log.rows)
    {
        const double field = sqrt(r[mx] * r[mx] + r[mx + 1] * r[mx + 1] + r[mx + 2] * r[mx + 2]);
        CHECK_TEXT(fabs(angleDeg(r[yaw]) - 60) < 1 && fabs(angleDeg(r[pitch])) < 1 && fabs(angleDeg(r[roll])) < 1,
                   kind);
        CHECK_TEXT(fabs(field - site) < 0.01 * site && r[temp] > 15 && r[temp] < 30, kind);
    }
}

// Records stamped inside the fault's window: none can be whole, so a record
// there is one the driver published from a failed poll (or the window was
// placed wrong).
int recordsBetween(const CsvLog& log, double from, double to)
{
    const int t = log.column("time");
    int n = 0;
    for (const std::vector<double>& r : log.rows)
        n += r[t] > from && r[t] < to;
    return n;
}

// Seconds from the moment the wire is sound again to the first record after it.
double recovery(const CsvLog& log, double soundAgain)
{
    const int t = log.column("time");
    for (const std::vector<double>& r : log.rows)
        if (r[t] > soundAgain)
            return r[t] - soundAgain;
    return INFINITY;
}

}  // namespace

TEST_GROUP(HostFaults){};

TEST(HostFaults, under_each_wire_fault_the_driver_runs_on_publishes_only_true_records_and_recovers)
{
    const size_t n = sizeof kRows / sizeof kRows[0];
    HostProcess hosts[n];
    for (size_t i = 0; i < n; i++)
    {
        char fault[64];
        snprintf(fault, sizeof fault, "--fault %s@%g+%g", kRows[i].kind, kFaultStart_s, kFaultLength_s);
        hosts[i].start({"--sim", "--sim-args", std::string("--motion still --seed 3 ") + fault, "--duration", "9"});
    }
    sleepSeconds(kFaultStart_s + 1.5);
    for (size_t i = 0; i < n; i++)
        CHECK_TEXT(hosts[i].running(), kRows[i].kind);
    for (size_t i = 0; i < n; i++)
    {
        const Row& row = kRows[i];
        const double simStart = simStartRealtime(hosts[i].simState());
        const double site = stateNumber(fileText(hosts[i].simState()), {"lastPoll", "siteFieldG"});
        LONGS_EQUAL_TEXT(0, hosts[i].wait(30), (std::string(row.kind) + ": " + hosts[i].err()).c_str());
        const CsvLog ahrs = readCsv(hosts[i].latest() + "/aqAhrs.csv");
        checkRecords(ahrs, row.kind, site);
        const double start = simStart + kFaultStart_s;
        LONGS_EQUAL_TEXT(0, recordsBetween(ahrs, start + 0.05, start + kFaultLength_s), row.kind);
        const double late = recovery(ahrs, start + row.soundAgain_s);
        char what[128];
        snprintf(what, sizeof what, "%s: first record %.3f s after the wire is sound", row.kind, late);
        CHECK_TEXT(late <= kRecovery_s, what);
        CHECK_TEXT(recovery(readCsv(hosts[i].latest() + "/aqMeas.csv"), start + row.soundAgain_s) <= kRecovery_s,
                   row.kind);
    }
}
