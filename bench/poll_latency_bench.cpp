// End-to-end latency of a poll: from the moment the request has been written
// to the serial port to the moment the record is published in shared memory
// (its time stamp, taken as it is published). The driver runs as in aq9host:
// the UART link on the host platform's real port, opened on the pseudo-
// terminal of aq9sim, which answers at once, so the wire costs nothing and
// the figure is the software's own: the simulator's turnaround and the
// kernel's pseudo-terminal, then the link's reads, finder and parser, the
// conversion and the publication. Each latency is split at the reply's
// first byte read by the link ("turnaround" before, "after" behind it).
// The port's writes and reads pass through __wrap_write and __wrap_read
// (linked with --wrap), which note the times on the port's descriptor.
//
// Polls go out every 100 ms, one kind per benchmark, as at the driver's
// default rates. Also per poll: the CPU time of the callback and the heap
// allocations of the process during it. Percentiles are printed at the end.
//
// Run: cmake -S . -B build-bench -DAQ9_BENCHMARKS=ON
//      cmake --build build-bench -j2 --target poll_latency_bench aq9sim
//      ./build-bench/bench/poll_latency_bench 2>/dev/null
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "AQ9.h"
#include "AQ9UartSensor.h"
#include "AllocationCount.h"
#include "HostPlatform.h"
#include "SerialDevice.h"
#include "SimChild.h"

namespace {

const int kPolls = 200;
const long kPollPeriod_ns = 100000000;

// The port's descriptor, and what the wrappers saw on it since the last request.
int portFd = -1;
double requestWritten = 0;
double firstByteRead = 0;

double now(clockid_t clock)
{
    timespec t;
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

}  // namespace

extern "C" {
ssize_t __real_write(int fd, const void* buf, size_t n);
ssize_t __real_read(int fd, void* buf, size_t n);

ssize_t __wrap_write(int fd, const void* buf, size_t n)
{
    const ssize_t r = __real_write(fd, buf, n);
    if (fd == portFd && r > 0)
    {
        requestWritten = now(CLOCK_REALTIME);
        firstByteRead = 0;
    }
    return r;
}

ssize_t __wrap_read(int fd, void* buf, size_t n)
{
    const ssize_t r = __real_read(fd, buf, n);
    if (fd == portFd && r > 0 && firstByteRead == 0)
        firstByteRead = now(CLOCK_REALTIME);
    return r;
}
}

namespace {

// aq9sim on its terminal and the driver started against it, as aq9host --sim
// does (the start-up's long waits shortened), under a scratch log directory
// and a queue and block prefix of this process.
struct Rig
{
    SimChild sim;
    std::unique_ptr<SerialDevice> line;
    std::unique_ptr<AQ9UartSensor> link;
    std::unique_ptr<AQ9Output> ahrs;
    std::unique_ptr<AQ9RawMeasOutput> raw;
    std::unique_ptr<AQ9> driver;

    // False with *error when the simulator or the start-up failed.
    bool start(const std::string& mission, std::string* error)
    {
        if (!sim.start(SimChild_program(), {"--motion", "still", "--seed", "5"}, error))
            return false;
        hostplatform::setTimeScale(0.001);
        line.reset(new SerialDevice(sim.terminal().c_str()));
        link.reset(new AQ9UartSensor(line.get()));
        ahrs.reset(new AQ9Output(SharedData::ReadWrite, 1));
        raw.reset(new AQ9RawMeasOutput(SharedData::ReadWrite, 1));
        driver.reset(new AQ9(link.get(), ahrs.get(), raw.get(), mission.c_str()));
        if (driver->initialize() != DeviceIF::Ok)
        {
            *error = "the driver's start-up against the simulator failed";
            return false;
        }
        portFd = line->getFd();
        return true;
    }
    // The driver first, the port before the simulator's terminal goes.
    ~Rig()
    {
        driver.reset();
        link.reset();
        line.reset();
    }
};

Rig* rig = nullptr;

struct Samples
{
    std::vector<double> latency, turnaround, after, cpu, allocations;
};
Samples attitude, raw;

// Sleeps to the next poll time of a 100 ms grid.
void waitForPollTime(timespec& next)
{
    next.tv_nsec += kPollPeriod_ns;
    if (next.tv_nsec >= 1000000000)
    {
        next.tv_sec++;
        next.tv_nsec -= 1000000000;
    }
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
}

double seconds(const timespec& t)
{
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

template <class Poll>
void timePolls(benchmark::State& state, Samples& s, const timespec& (*published)(), Poll poll)
{
    // Once unmeasured: the first record of a log writes its header.
    poll();
    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    int failed = 0;
    for (auto _ : state)
    {
        waitForPollTime(next);
        const timespec before = published();
        const double cpu0 = now(CLOCK_THREAD_CPUTIME_ID);
        AllocationCount_start();
        poll();
        const uint64_t allocations = AllocationCount_stop();
        const double cpu = now(CLOCK_THREAD_CPUTIME_ID) - cpu0;
        const timespec at = published();
        if ((at.tv_sec == before.tv_sec && at.tv_nsec == before.tv_nsec) || firstByteRead == 0)
        {
            failed++;
            state.SetIterationTime(0);
            continue;
        }
        const double latency = seconds(at) - requestWritten;
        state.SetIterationTime(latency);
        s.latency.push_back(latency);
        s.turnaround.push_back(firstByteRead - requestWritten);
        s.after.push_back(seconds(at) - firstByteRead);
        s.cpu.push_back(cpu);
        s.allocations.push_back(static_cast<double>(allocations));
    }
    state.counters["unpublished"] = failed;
    if (s.latency.empty())
        state.SkipWithError("no poll published a record");
}

const timespec& attitudeTime()
{
    return rig->ahrs->data.sampleTime;
}

const timespec& rawTime()
{
    return rig->raw->data.sampleTime;
}

void BM_attitude_latency(benchmark::State& state)
{
    timePolls(state, attitude, attitudeTime, [] { rig->driver->ahrsCallback(); });
}

void BM_raw_latency(benchmark::State& state)
{
    timePolls(state, raw, rawTime, [] { rig->driver->rawMeasCallback(); });
}

BENCHMARK(BM_attitude_latency)->Iterations(kPolls)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_raw_latency)->Iterations(kPolls)->UseManualTime()->Unit(benchmark::kMicrosecond);

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5)];
}

void printRow(const char* what, const std::vector<double>& v, double scale, const char* unit)
{
    printf("  %-28s %9.1f %9.1f %9.1f %9.1f %9.1f  %s\n", what, percentile(v, 0) * scale, percentile(v, 0.5) * scale,
           percentile(v, 0.9) * scale, percentile(v, 0.99) * scale, percentile(v, 1) * scale, unit);
}

void printSummary(const char* kind, const Samples& s)
{
    if (s.latency.empty())
        return;
    printf("%s polls: %zu\n  %-28s %9s %9s %9s %9s %9s\n", kind, s.latency.size(), "", "min", "median", "90 %", "99 %",
           "max");
    printRow("request written -> published", s.latency, 1e6, "us");
    printRow("  turnaround to first byte", s.turnaround, 1e6, "us");
    printRow("  first byte -> published", s.after, 1e6, "us");
    printRow("callback CPU time", s.cpu, 1e6, "us");
    printRow("allocations per poll", s.allocations, 1, "");
}

}  // namespace

int main(int argc, char** argv)
{
    char dir[] = "/tmp/aq9-latency-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr || !AllocationCount_works())
    {
        fprintf(stderr, "poll_latency_bench: no scratch directory, or the allocation counter sees nothing\n");
        return 1;
    }
    setenv("AUV_LOG_DIR", dir, 1);
    setenv("AQ9_IPC_PREFIX", ("latencybench" + std::to_string(getpid()) + "-").c_str(), 1);
    // The defaults, keeping the simulator's stored calibration (as aq9host does without --cfg).
    const std::string mission = std::string(dir) + "/mission.cfg";
    FILE* f = fopen(mission.c_str(), "w");
    if (f == nullptr || fputs("LoadNewHSICalibration = false;\n", f) < 0 || fclose(f) != 0)
    {
        fprintf(stderr, "poll_latency_bench: cannot write %s\n", mission.c_str());
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    int status = 0;
    {
        Rig r;
        std::string error;
        if (!r.start(mission, &error))
        {
            fprintf(stderr, "poll_latency_bench: %s\n", error.c_str());
            status = 1;
        }
        else
        {
            rig = &r;
            benchmark::RunSpecifiedBenchmarks();
            rig = nullptr;
        }
    }
    benchmark::Shutdown();
    printSummary("attitude", attitude);
    printSummary("raw", raw);
    if (system((std::string("rm -rf ") + dir).c_str()) != 0)
        fprintf(stderr, "poll_latency_bench: %s left behind\n", dir);
    return status;
}
