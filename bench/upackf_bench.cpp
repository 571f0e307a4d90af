// Packet finder throughput on realistic serial traffic, next to a plain memcpy of
// the same bytes, and CRC-16 throughput next to a table-driven reference CRC.
// Ratios are printed after the runs; figures depend on the machine. The share of
// the stream's intact packets that the finder reports is printed too: noise lies
// only between packets, so anything short of all of them is a loss.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <boost/crc.hpp>

#include "aq/error_detection.h"
#include "aq/protocol/upackf.h"

namespace
{

typedef std::vector<uint8_t> Bytes;

const size_t STREAM_BYTES = 1 << 20;
const size_t CRC_BUFFER_BYTES = 4096;

void appendCrc(Bytes& p)
{
    const uint16_t crc = AqCrc16_compute(reinterpret_cast<const char*>(p.data() + 1), p.size() - 1);
    p.push_back(static_cast<uint8_t>(crc >> 8));
    p.push_back(static_cast<uint8_t>(crc & 0xFF));
}

void appendFloats(Bytes& p, std::mt19937& rng, size_t count, float scale)
{
    std::normal_distribution<float> value(0.0f, scale);
    for (size_t k = 0; k < count; k++)
    {
        const float f = value(rng);
        const uint8_t* raw = reinterpret_cast<const uint8_t*>(&f);
        p.insert(p.end(), raw, raw + sizeof f);
    }
}

// Binary output 1: attitude, rates, acceleration, field, temperature, pressure,
// filter status and attitude uncertainty (78 bytes).
Bytes attitudeRecord(std::mt19937& rng)
{
    Bytes p = {0xFA, 0x11, 0x28, 0x15, 0x00, 0x01};
    appendFloats(p, rng, 14, 30.0f);
    p.push_back(0);
    p.push_back(0);
    appendFloats(p, rng, 3, 0.05f);
    appendCrc(p);
    return p;
}

// Binary output 2: raw field, acceleration, rates, temperature, pressure (50 bytes).
Bytes rawRecord(std::mt19937& rng)
{
    Bytes p = {0xFA, 0x04, 0x3E, 0x00};
    appendFloats(p, rng, 11, 10.0f);
    appendCrc(p);
    return p;
}

// A register read response with a CRC-16 check text: attitude (3 values) or a
// compensation register (12 values).
Bytes registerResponse(std::mt19937& rng)
{
    std::uniform_real_distribution<double> value(-180.0, 180.0);
    const bool compensation = rng() % 4 == 0;
    std::string s = compensation ? "$AQRRG,23" : "$AQRRG,08";
    for (int k = 0; k < (compensation ? 12 : 3); k++)
    {
        char field[24];
        snprintf(field, sizeof field, ",%+08.3f", value(rng));
        s += field;
    }
    char check[8];
    snprintf(check, sizeof check, "*%04X\r\n", AqCrc16_compute(s.c_str() + 1, s.size() - 1));
    s += check;
    return Bytes(s.begin(), s.end());
}

struct Traffic
{
    Bytes bytes;
    std::vector<size_t> chunks; // read sizes, 1 to 256
    std::vector<size_t> starts; // stream index of every intact packet, ascending
    size_t packets = 0;
    size_t noiseBytes = 0;
};

// Records and responses in a 2:2:1 mix with random noise bytes between them,
// about 5 % of the stream.
Traffic makeTraffic()
{
    Traffic t;
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> noiseRun(0, 7);
    while (t.bytes.size() < STREAM_BYTES)
    {
        const unsigned kind = rng() % 5;
        const Bytes p = kind < 2 ? attitudeRecord(rng) : kind < 4 ? rawRecord(rng) : registerResponse(rng);
        t.starts.push_back(t.bytes.size());
        t.bytes.insert(t.bytes.end(), p.begin(), p.end());
        t.packets++;
        const int noise = noiseRun(rng);
        for (int k = 0; k < noise; k++)
            t.bytes.push_back(static_cast<uint8_t>(rng()));
        t.noiseBytes += static_cast<size_t>(noise);
    }
    std::uniform_int_distribution<size_t> chunk(1, 256);
    for (size_t used = 0; used < t.bytes.size();)
    {
        const size_t n = std::min(chunk(rng), t.bytes.size() - used);
        t.chunks.push_back(n);
        used += n;
    }
    return t;
}

const Traffic& traffic()
{
    static const Traffic t = makeTraffic();
    return t;
}

void countPacket(void* userData, AqUartPacket*, size_t)
{
    ++*static_cast<size_t*>(userData);
}

// What one untimed pass over the stream reports: intact packets found at their
// own stream index, and anything else the finder handed over.
struct Census
{
    size_t intact = 0;
    size_t other = 0;
};

void takeCensus(void* userData, AqUartPacket*, size_t index)
{
    Census* c = static_cast<Census*>(userData);
    const std::vector<size_t>& starts = traffic().starts;
    if (std::binary_search(starts.begin(), starts.end(), index))
        c->intact++;
    else
        c->other++;
}

Census census()
{
    Bytes stream = traffic().bytes;
    Census c;
    AqUartPacketFinder finder;
    AqUartPacketFinder_initialize(&finder);
    AqUartPacketFinder_registerPacketFoundHandler(&finder, takeCensus, &c);
    size_t at = 0;
    for (size_t n : traffic().chunks)
    {
        AqUartPacketFinder_processData(&finder, stream.data() + at, n);
        at += n;
    }
    return c;
}

void BM_finder(benchmark::State& state)
{
    Bytes stream = traffic().bytes;
    const std::vector<size_t>& chunks = traffic().chunks;
    size_t found = 0;
    for (auto _ : state)
    {
        AqUartPacketFinder finder;
        AqUartPacketFinder_initialize(&finder);
        AqUartPacketFinder_registerPacketFoundHandler(&finder, countPacket, &found);
        found = 0;
        size_t at = 0;
        for (size_t n : chunks)
        {
            AqUartPacketFinder_processData(&finder, stream.data() + at, n);
            at += n;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
    state.counters["found_share"] = static_cast<double>(found) / static_cast<double>(traffic().packets);
    state.counters["noise_share"] = static_cast<double>(traffic().noiseBytes) / static_cast<double>(stream.size());
}
BENCHMARK(BM_finder)->Unit(benchmark::kMicrosecond);

void BM_memcpy(benchmark::State& state)
{
    const Bytes& stream = traffic().bytes;
    Bytes copy(stream.size());
    for (auto _ : state)
    {
        memcpy(copy.data(), stream.data(), stream.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_memcpy)->Unit(benchmark::kMicrosecond);

const Bytes& crcBuffer()
{
    static const Bytes b = [] {
        Bytes out(CRC_BUFFER_BYTES);
        std::mt19937 rng(7);
        for (uint8_t& x : out)
            x = static_cast<uint8_t>(rng());
        return out;
    }();
    return b;
}

void BM_crc16(benchmark::State& state)
{
    const Bytes& b = crcBuffer();
    for (auto _ : state)
        benchmark::DoNotOptimize(AqCrc16_compute(reinterpret_cast<const char*>(b.data()), b.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * b.size()));
}
BENCHMARK(BM_crc16);

typedef boost::crc_optimal<16, 0x1021, 0, 0, false, false> ReferenceCrc;

void BM_crc16_reference(benchmark::State& state)
{
    const Bytes& b = crcBuffer();
    for (auto _ : state)
    {
        ReferenceCrc crc;
        crc.process_bytes(b.data(), b.size());
        benchmark::DoNotOptimize(crc.checksum());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * b.size()));
}
BENCHMARK(BM_crc16_reference);

// Console output as usual, plus the throughput of each run kept for the ratios.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> bytesPerSecond;

    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& reports) override
    {
        for (const Run& run : reports)
        {
            const auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end())
                bytesPerSecond[run.benchmark_name()] = it->second;
        }
        ConsoleReporter::ReportRuns(reports);
    }
};

// The median of repeated runs when there are repetitions, the single run otherwise.
std::map<std::string, double>::const_iterator figure(const RatioReporter& r, const std::string& name)
{
    const auto median = r.bytesPerSecond.find(name + "_median");
    return median != r.bytesPerSecond.end() ? median : r.bytesPerSecond.find(name);
}

void printRatio(const RatioReporter& r, const char* label, const char* a, const char* b)
{
    const auto x = figure(r, a);
    const auto y = figure(r, b);
    if (x == r.bytesPerSecond.end() || y == r.bytesPerSecond.end() || y->second == 0)
        return;
    printf("%s: %.1f MB/s vs %.1f MB/s, ratio %.3f\n", label, x->second / 1e6, y->second / 1e6,
           x->second / y->second);
}

} // namespace

int main(int argc, char** argv)
{
    {
        const Bytes& b = crcBuffer();
        ReferenceCrc crc;
        crc.process_bytes(b.data(), b.size());
        if (crc.checksum() != AqCrc16_compute(reinterpret_cast<const char*>(b.data()), b.size()))
        {
            fprintf(stderr, "CRC-16 disagrees with the reference\n");
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printf("stream: %zu bytes, %zu packets, %zu noise bytes (%.1f %%), %zu reads\n", traffic().bytes.size(),
           traffic().packets, traffic().noiseBytes, 100.0 * traffic().noiseBytes / traffic().bytes.size(),
           traffic().chunks.size());
    const Census c = census();
    printf("intact packets found: %zu of %zu (%.4f %%), %zu lost, %zu other packets reported\n", c.intact,
           traffic().packets, 100.0 * c.intact / traffic().packets, traffic().packets - c.intact, c.other);
    printRatio(reporter, "finder / memcpy", "BM_finder", "BM_memcpy");
    printRatio(reporter, "CRC-16 / reference table CRC (4 KiB)", "BM_crc16", "BM_crc16_reference");
    benchmark::Shutdown();
    return 0;
}
