// The Linux dev_read against a pipe: what it returns and how long it waits
// for each combination of min, time and timeout.
#include <errno.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "CppUTest/TestHarness.h"
#include "PlatformCalls.h"

namespace {

long long msSince(const timespec& t0)
{
    timespec t1;
    clock_gettime(CLOCK_MONOTONIC, &t1);
    return (t1.tv_sec - t0.tv_sec) * 1000LL + (t1.tv_nsec - t0.tv_nsec) / 1000000;
}

}  // namespace

TEST_GROUP(DevRead)
{
    int fds[2];
    char buf[32];

    void setup()
    {
        CHECK_EQUAL(0, pipe(fds));
        memset(buf, 0x5A, sizeof buf);
    }
    void teardown()
    {
        if (fds[0] >= 0)
            close(fds[0]);
        if (fds[1] >= 0)
            close(fds[1]);
    }
    void put(const char* bytes) { CHECK_EQUAL((ssize_t)strlen(bytes), ::write(fds[1], bytes, strlen(bytes))); }
    // Runs one read and returns its result, with the time it took in *ms.
    int timedRead(unsigned n, unsigned min, unsigned time, unsigned timeout, long long* ms)
    {
        timespec t0;
        clock_gettime(CLOCK_MONOTONIC, &t0);
        int r = dev_read(fds[0], buf, n, min, time, timeout, 0, nullptr);
        *ms = msSince(t0);
        return r;
    }
};

// What is waiting and the three limits decide the count and the wait.
TEST(DevRead, returns_when_min_is_met_or_its_timer_expires)
{
    struct Row
    {
        const char* label;
        const char* waiting;
        unsigned n, min, time, timeout;
        int expected;
        long long fromMs, toMs;  // how long the read may take
    } rows[] = {
        {"min met, up to n taken", "abcde", 10, 3, 0, 10, 5, 0, 300},
        {"n caps the read", "abcdefgh", 4, 10, 0, 10, 4, 0, 300},
        {"plain poll, nothing waiting", "", 10, 0, 0, 0, 0, 0, 300},
        {"plain poll, bytes waiting", "xy", 10, 0, 0, 0, 2, 0, 300},
        {"min 0 with timer returns the first bytes", "q", 10, 0, 5, 50, 1, 0, 300},
        {"timeout returns what arrived", "ab", 10, 4, 0, 2, 2, 180, 1000},
        {"silent line times out empty", "", 1, 1, 0, 1, 0, 80, 1000},
        {"min 0: time limits the wait for a first byte", "", 10, 0, 2, 0, 0, 180, 1000},
        {"inter-byte timer ends a read short of min", "abc", 10, 10, 1, 0, 3, 80, 1000},
    };
    for (const Row& row : rows)
    {
        teardown();
        setup();
        if (row.waiting[0] != '\0')
            put(row.waiting);
        long long ms = 0;
        int r = timedRead(row.n, row.min, row.time, row.timeout, &ms);
        CHECK_EQUAL_TEXT(row.expected, r, row.label);
        CHECK_TEXT(ms >= row.fromMs && ms < row.toMs, row.label);
        MEMCMP_EQUAL_TEXT(row.waiting, buf, (size_t)r, row.label);
        CHECK_EQUAL_TEXT(0x5A, (unsigned char)buf[row.n], row.label);  // nothing past n
    }
}

TEST(DevRead, bytes_arriving_during_the_wait_complete_min)
{
    put("ab");
    std::thread writer([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        put("cd");
    });
    long long ms = 0;
    int r = timedRead(4, 4, 0, 50, &ms);
    writer.join();
    LONGS_EQUAL(4, r);
    MEMCMP_EQUAL("abcd", buf, 4);
    CHECK(ms < 2000);
}

TEST(DevRead, end_of_file_returns_what_was_read)
{
    put("z");
    close(fds[1]);
    fds[1] = -1;
    long long ms = 0;
    LONGS_EQUAL(1, timedRead(10, 5, 0, 0, &ms));
    CHECK(ms < 1000);
}

TEST(DevRead, bad_descriptor_is_an_error_and_no_proxy_is_armed)
{
    int armed = 7;
    LONGS_EQUAL(-1, dev_read(-1, buf, 4, 1, 0, 1, 0, &armed));
    LONGS_EQUAL(0, armed);
    int closedFd = fds[0];
    close(fds[0]);
    fds[0] = -1;
    LONGS_EQUAL(-1, dev_read(closedFd, buf, 4, 1, 0, 0, 0, nullptr));
}
