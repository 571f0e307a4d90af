// Shared memory between processes: a reader never keeps a half-written
// record, refuses a block of another size, and follows its writer's lifetime.
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include "CppUTest/TestHarness.h"
#include "HostPlatform.h"
#include "HostTestSupport.h"
#include "SharedData.h"

namespace {

// Every field derives from the counter, and the check covers them all, so a
// copy mixing two publications fails the check.
struct Record
{
    uint64_t counter;
    double values[16];
    uint64_t check;
};

uint64_t checkOf(const Record& r)
{
    uint64_t h = 1469598103934665603ULL ^ r.counter;
    for (double v : r.values)
    {
        uint64_t bits;
        memcpy(&bits, &v, sizeof bits);
        h = (h ^ bits) * 1099511628211ULL;
    }
    return h;
}

Record recordFor(uint64_t counter)
{
    Record r;
    r.counter = counter;
    for (int i = 0; i < 16; i++)
        r.values[i] = static_cast<double>(counter) * 1.5 + i;
    r.check = checkOf(r);
    return r;
}

bool blockExists(const std::string& name)
{
    int fd = shm_open(("/" + name).c_str(), O_RDONLY, 0);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

const uint64_t kLast = 1000;

// The reader's verdict as its exit status.
enum Verdict
{
    AllStable = 0,
    TornRecord = 1,
    WentBackwards = 2,
    NeverSawLast = 3,
    TooFewUpdates = 4
};

int readUntilLast(const std::string& name)
{
    SharedData in(name.c_str(), sizeof(Record), SharedData::Read, 0);
    Record r;
    uint64_t previous = 0, updates = 0;
    const timespec start = monotonicNow();
    while (msSince(start) < 10000)
    {
        if (in.read(&r) != static_cast<int>(sizeof r))
            continue;
        if (r.check != checkOf(r))
            return TornRecord;
        if (r.counter < previous)
            return WentBackwards;
        updates += r.counter != previous;
        previous = r.counter;
        if (r.counter == kLast)
            return updates >= 10 ? AllStable : TooFewUpdates;
    }
    return NeverSawLast;
}

}  // namespace

TEST_GROUP(SharedData){};

TEST(SharedData, a_reader_in_another_process_never_sees_a_torn_record_at_1_kHz)
{
    const std::string name = uniqueName("seqlock");
    SharedData out(name.c_str(), sizeof(Record), SharedData::Write, 1);
    Record r = recordFor(0);
    out.write(&r);
    pid_t child = fork();
    if (child == 0)
        _exit(readUntilLast(name));
    timespec next = monotonicNow();
    for (uint64_t counter = 1; counter <= kLast; counter++)
    {
        next.tv_nsec += 1000000;
        if (next.tv_nsec >= 1000000000)
        {
            next.tv_sec++;
            next.tv_nsec -= 1000000000;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        r = recordFor(counter);
        LONGS_EQUAL(sizeof r, out.write(&r));
    }
    LONGS_EQUAL(AllStable, waitChild(child, 15000));
}

TEST(SharedData, a_reader_waits_for_its_writer_refuses_another_size_and_lets_go_when_it_ends)
{
    const std::string name = uniqueName("lifetime");
    SharedData reader(name.c_str(), 64, SharedData::Read, 0);
    unsigned char got[64];
    memset(got, 0xEE, sizeof got);
    LONGS_EQUAL(-1, reader.read(got));
    const unsigned char zeroes[64] = {};
    unsigned char sent[64];
    memset(sent, 0xA5, sizeof sent);
    {
        SharedData writer(name.c_str(), 64, SharedData::ReadWrite, 1);
        LONGS_EQUAL(64, reader.read(got));
        MEMCMP_EQUAL(zeroes, got, sizeof got);
        writer.write(sent);
        LONGS_EQUAL(64, reader.read(got));
        MEMCMP_EQUAL(sent, got, sizeof got);
        SharedData wrongSize(name.c_str(), 32, SharedData::Read, 0);
        LONGS_EQUAL(-1, wrongSize.read(got));
    }
    CHECK_FALSE(blockExists(name));
    LONGS_EQUAL(-1, reader.read(got));
    // A new writer of the same name is found again.
    SharedData next(name.c_str(), 64, SharedData::Write, 1);
    memset(sent, 0x3C, sizeof sent);
    next.write(sent);
    LONGS_EQUAL(64, reader.read(got));
    MEMCMP_EQUAL(sent, got, sizeof got);
}

// The run's prefix goes in front of every name, so parallel runs of the same
// programs never meet; a prefix that could reach outside the name opens nothing.
TEST(SharedData, the_ipc_prefix_keeps_runs_apart_and_a_bad_one_opens_nothing)
{
    struct Row
    {
        const char* prefix;
        const char* path;  // nullptr: refused
    } rows[] = {
        {"", "/aq9Output"},
        {"ci-7.run_2-", "/ci-7.run_2-aq9Output"},
        {"a/b", nullptr},
        {"space here", nullptr},
        {"0123456789012345678901234567890123456789012345678901234567890123456789", nullptr},
    };
    for (const Row& r : rows)
    {
        setenv(hostplatform::kIpcPrefixVariable, r.prefix, 1);
        char path[300] = "untouched";
        CapturedStderr err;
        const bool ok = hostplatform::ipcPath("aq9Output", path, sizeof path);
        err.text();
        CHECK_EQUAL_TEXT(r.path != nullptr, ok, r.prefix);
        if (r.path != nullptr)
            STRCMP_EQUAL_TEXT(r.path, path, r.prefix);
    }
    const std::string name = uniqueName("prefixed");
    setenv(hostplatform::kIpcPrefixVariable, "runA-", 1);
    SharedData writer(name.c_str(), 16, SharedData::Write, 1);
    CHECK_TRUE(blockExists("runA-" + name));
    unsigned char got[16];
    SharedData sameRun(name.c_str(), 16, SharedData::Read, 0);
    LONGS_EQUAL(16, sameRun.read(got));
    setenv(hostplatform::kIpcPrefixVariable, "runB-", 1);
    CapturedStderr err;
    SharedData otherRun(name.c_str(), 16, SharedData::Read, 0);
    LONGS_EQUAL(-1, otherRun.read(got));
    err.text();
    unsetenv(hostplatform::kIpcPrefixVariable);
}
