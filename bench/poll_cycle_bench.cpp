// The cost of one poll cycle against the time the same exchange takes on the
// wire. The driver's ahrsCallback and rawMeasCallback run over the UART link on
// an in-memory serial line that answers each poll request at once with a
// prepared record (bench/support/MemorySerial), so the link's own request
// building, byte-exact reads, packet finder and parser run on real bytes,
// and the driver converts, publishes in the host platform's shared-memory
// blocks and writes its CSV logs as aq9host does. The link alone
// (getAhrsData, getRawMeasData), the attitude block's publication and its
// log line are timed beside the whole cycles.
//
// Figures per cycle: CPU time (the benchmark's CPU column, and "wire%" its
// share of the wire time at 115200 baud: 8.1 ms for the attitude request and
// its 78-byte record, 5.6 ms for the raw one and its 50 bytes) and heap
// allocations of the whole process ("allocs"; bench/support/AllocationCount).
// The goal, printed at the end: under 1 % of the wire time and no allocation;
// the program exits 1 when a cycle misses it.
//
// Run: tools/install-deps.sh libbenchmark-dev
//      cmake -S . -B build-bench -DAQ9_BENCHMARKS=ON && cmake --build build-bench -j2 --target poll_cycle_bench
//      ./build-bench/bench/poll_cycle_bench --benchmark_repetitions=5
#include <benchmark/benchmark.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "AQ9.h"
#include "AQ9UartSensor.h"
#include "AllocationCount.h"
#include "MemorySerial.h"
#include "aq/error_detection.h"
#include "aq/protocol/upack_commands.h"

namespace {

const double kAttitudeWire_s = 8.1e-3;
const double kRawWire_s = 5.6e-3;
const double kGoalPercent = 1.0;
const double kYaw_deg = 60.25;  // the prepared attitude record's yaw

void appendFloats(std::string& p, const std::vector<float>& values)
{
    for (float f : values)
        p.append(reinterpret_cast<const char*>(&f), sizeof f);
}

// The CRC-16 of everything after the sync byte, high byte first.
std::string withCrc(std::string p)
{
    const uint16_t crc = AqCrc16_compute(p.data() + 1, p.size() - 1);
    p.push_back(static_cast<char>(crc >> 8));
    p.push_back(static_cast<char>(crc & 0xFF));
    return p;
}

// Binary output 1 as the link configures it: attitude, rates, acceleration,
// field, temperature, pressure, filter status, attitude uncertainty (78 bytes).
std::string attitudeRecord()
{
    std::string p("\xFA\x11\x28\x15\x00\x01", 6);
    appendFloats(p, {kYaw_deg, 2.5f, -3.1f, 0.01f, -0.02f, 0.03f, 0.12f, -0.3f, -9.78f, 0.21f, 0.05f, 0.43f, 22.1f,
                     101.3f});
    p.append("\x00\x01", 2);
    appendFloats(p, {0.05f, 0.05f, 0.5f});
    return withCrc(p);
}

// Binary output 2: uncompensated field, acceleration, rates, temperature,
// pressure (50 bytes).
std::string rawRecord()
{
    std::string p("\xFA\x04\x3E\x00", 4);
    appendFloats(p, {0.22f, 0.04f, 0.41f, 0.13f, -0.29f, -9.8f, 0.011f, -0.021f, 0.031f, 22.1f, 101.3f});
    return withCrc(p);
}

// The poll as the link sends it: the command text, its CRC check text, CR LF.
std::string pollRequest(const char* text)
{
    uint8_t buf[64];
    size_t length = strlen(text);
    memcpy(buf, text, length);
    if (AqUartPacket_finalizeCommand(AQERRORDETECTIONMODE_CRC, buf, &length, sizeof buf) != E_NONE)
        abort();
    return std::string(reinterpret_cast<const char*>(buf), length);
}

// The driver over the in-memory line, with real blocks and logs under a
// scratch log directory and a queue and block prefix of this process.
struct Rig
{
    SerialDevice line;
    AQ9UartSensor link;
    AQ9Output ahrs;
    AQ9RawMeasOutput raw;
    AQ9 driver;

    Rig() : link(&line), ahrs(SharedData::ReadWrite, 1), raw(SharedData::ReadWrite, 1), driver(&link, &ahrs, &raw, "")
    {
        link.registerPacketFoundHandler();
        if (driver.initializeLogs() != DeviceIF::Ok)
            abort();
    }
};

Rig* rig = nullptr;

double threadCpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

// What the last cycle left: the prepared record, in the link or published.
bool attitudeInLink()
{
    return rig->link._ahrsData.dataGood && rig->link._ahrsData.ypr_deg.c[0] == static_cast<float>(kYaw_deg);
}
bool rawInLink()
{
    return rig->link._rawMeasData.dataGood && rig->link._rawMeasData.pres_kpa == 101.3f;
}
bool attitudePublished()
{
    return rig->ahrs.data.status == DeviceIF::Ok && fabs(rig->ahrs.data.yaw_rad * 180 / M_PI - kYaw_deg) < 1e-4;
}
bool rawPublished()
{
    return rig->raw.data.status == DeviceIF::Ok && fabs(rig->raw.data.uPres_kPa - 101.3) < 1e-4;
}

// One cycle timed: CPU per cycle as a share of the wire time, allocations.
// took() checks after the loop that the cycles took the prepared record.
template <class Cycle>
void timeCycle(benchmark::State& state, double wire_s, bool (*took)(), Cycle cycle)
{
    // Once untimed: the first record of a log writes its header.
    cycle();
    const uint64_t unanswered = MemorySerial_unanswered();
    AllocationCount_start();
    const double cpu0 = threadCpuSeconds();
    for (auto _ : state)
        cycle();
    const double cpu = threadCpuSeconds() - cpu0;
    const uint64_t allocations = AllocationCount_stop();
    if (MemorySerial_unanswered() != unanswered || !took())
        state.SkipWithError("the link did not take the prepared record");
    const double n = static_cast<double>(state.iterations());
    state.counters["wire%"] = 100.0 * cpu / n / wire_s;
    state.counters["allocs"] = static_cast<double>(allocations) / n;
}

void BM_attitude_link(benchmark::State& state)
{
    timeCycle(state, kAttitudeWire_s, attitudeInLink, [] { benchmark::DoNotOptimize(rig->link.getAhrsData()); });
}

void BM_attitude_cycle(benchmark::State& state)
{
    timeCycle(state, kAttitudeWire_s, attitudePublished, [] { rig->driver.ahrsCallback(); });
}

// Two parts of the attitude cycle alone: publishing the block, and the log
// line (of whatever the driver holds; nothing is taken from the line).
bool nothingToTake()
{
    return true;
}

void BM_attitude_publish(benchmark::State& state)
{
    timeCycle(state, kAttitudeWire_s, nothingToTake, [] { rig->ahrs.write(); });
}

void BM_attitude_log(benchmark::State& state)
{
    timeCycle(state, kAttitudeWire_s, nothingToTake, [] { rig->driver.ahrsLog()->write(); });
}

void BM_raw_link(benchmark::State& state)
{
    timeCycle(state, kRawWire_s, rawInLink, [] { benchmark::DoNotOptimize(rig->link.getRawMeasData()); });
}

void BM_raw_cycle(benchmark::State& state)
{
    timeCycle(state, kRawWire_s, rawPublished, [] { rig->driver.rawMeasCallback(); });
}

// What writes a log line runs a fixed count, so a run with repetitions writes
// tens of megabytes, not the gigabyte a free-running count would.
const int kLogLines = 20000;
BENCHMARK(BM_attitude_link)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_attitude_cycle)->Iterations(kLogLines)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_attitude_publish)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_attitude_log)->Iterations(kLogLines)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_raw_link)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_raw_cycle)->Iterations(kLogLines)->Unit(benchmark::kMicrosecond);

// Console output as usual; the whole cycles' figures kept for the verdict
// (the median of repetitions when there are some).
class GoalReporter : public benchmark::ConsoleReporter
{
  public:
    struct Figure
    {
        double cpu_us, wirePercent, allocations;
    };
    std::map<std::string, Figure> figures;

    void ReportRuns(const std::vector<Run>& reports) override
    {
        for (const Run& run : reports)
        {
            const auto wire = run.counters.find("wire%");
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (wire == run.counters.end() || run.error_occurred || (run.run_type == Run::RT_Aggregate && !median))
                continue;
            const std::string name = run.run_name.function_name;
            if (median || figures.count(name) == 0)
                figures[name] = {run.GetAdjustedCPUTime(), wire->second, run.counters.at("allocs")};
        }
        ConsoleReporter::ReportRuns(reports);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    char dir[] = "/tmp/aq9-poll-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr)
    {
        perror("poll_cycle_bench: mkdtemp");
        return 1;
    }
    setenv("AUV_LOG_DIR", dir, 1);
    const std::string prefix = "pollbench" + std::to_string(getpid()) + "-";
    setenv("AQ9_IPC_PREFIX", prefix.c_str(), 1);
    MemorySerial_prepare(pollRequest("$AQBOM,1"), attitudeRecord());
    MemorySerial_prepare(pollRequest("$AQBOM,2"), rawRecord());

    if (!AllocationCount_works())
    {
        fprintf(stderr, "poll_cycle_bench: the allocation counter sees nothing; its figures would be void\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    std::unique_ptr<Rig> owner(new Rig());
    rig = owner.get();
    GoalReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    rig = nullptr;
    owner.reset();
    const std::string remove = std::string("rm -rf ") + dir;
    if (system(remove.c_str()) != 0)
        fprintf(stderr, "poll_cycle_bench: %s left behind\n", dir);

    bool met = true;
    const struct
    {
        const char* name;
        const char* what;
        double wire_ms;
    } cycles[] = {{"BM_attitude_cycle", "attitude", kAttitudeWire_s * 1e3}, {"BM_raw_cycle", "raw", kRawWire_s * 1e3}};
    for (const auto& c : cycles)
    {
        const auto f = reporter.figures.find(c.name);
        if (f == reporter.figures.end())
            continue;
        const bool ok = f->second.wirePercent < kGoalPercent && f->second.allocations == 0;
        met = met && ok;
        printf("%s poll cycle: %.2f us CPU, %.3f %% of its %.1f ms on the wire, %g allocations: goal %s\n", c.what,
               f->second.cpu_us, f->second.wirePercent, c.wire_ms, f->second.allocations, ok ? "met" : "MISSED");
    }
    return met ? 0 : 1;
}
