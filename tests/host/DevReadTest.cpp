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

// Reads that must return at once: what is waiting decides the count.
TEST(DevRead, returns_at_once_when_enough_bytes_are_waiting_or_nothing_is_asked_to_wait)
{
    struct Row
    {
        const char* label;
        const char* waiting;
        unsigned n, min, time, timeout;
        int expected;
    } rows[] = {
        {"min met, up to n taken", "abcde", 10, 3, 0, 10, 5},
        {"n caps the read", "abcdefgh", 4, 10, 0, 10, 4},
        {"plain poll, nothing waiting", "", 10, 0, 0, 0, 0},
        {"plain poll, bytes waiting", "xy", 10, 0, 0, 0, 2},
        {"min 0 with timer returns the first bytes", "q", 10, 0, 5, 50, 1},
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
        CHECK_TEXT(ms < 300, row.label);
        MEMCMP_EQUAL_TEXT(row.waiting, buf, (size_t)r, row.label);
        CHECK_EQUAL_TEXT(0x5A, (unsigned char)buf[row.n], row.label);  // nothing past n
    }
}

TEST(DevRead, timeout_returns_what_arrived_after_its_tenths_of_a_second)
{
    put("ab");
    long long ms = 0;
    LONGS_EQUAL(2, timedRead(10, 4, 0, 2, &ms));
    CHECK(ms >= 180 && ms < 1000);
}

TEST(DevRead, silent_line_with_timeout_returns_zero)
{
    long long ms = 0;
    LONGS_EQUAL(0, timedRead(1, 1, 0, 1, &ms));
    CHECK(ms >= 80 && ms < 1000);
}

TEST(DevRead, min_zero_with_time_waits_that_long_for_a_first_byte)
{
    long long ms = 0;
    LONGS_EQUAL(0, timedRead(10, 0, 2, 0, &ms));
    CHECK(ms >= 180 && ms < 1000);
}

TEST(DevRead, inter_byte_timer_ends_a_read_short_of_min)
{
    put("abc");
    long long ms = 0;
    LONGS_EQUAL(3, timedRead(10, 10, 1, 0, &ms));
    CHECK(ms >= 80 && ms < 1000);
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
