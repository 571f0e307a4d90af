// Sleeps: a signal does not cut one short, and the time scale shortens only
// long ones.
#include <pthread.h>
#include <signal.h>
#include <math.h>

#include <thread>

#include "CppUTest/TestHarness.h"
#include "HostPlatform.h"
#include "HostTestSupport.h"
#include "System.h"

namespace {

void ignoreSignal(int) {}

}  // namespace

TEST_GROUP(System)
{
    void teardown() { hostplatform::setTimeScale(1.0); }
};

TEST(System, a_sleep_resumes_after_a_signal)
{
    struct sigaction sa = {};
    struct sigaction old = {};
    sa.sa_handler = ignoreSignal;
    sigaction(SIGUSR1, &sa, &old);
    pthread_t sleeper = pthread_self();
    std::thread poke([sleeper] {
        usleep(30000);
        pthread_kill(sleeper, SIGUSR1);
    });
    const timespec start = monotonicNow();
    System::milliSleep(150);
    const long long ms = msSince(start);
    poke.join();
    sigaction(SIGUSR1, &old, nullptr);
    CHECK_TEXT(ms >= 150, std::to_string(ms).c_str());
}

TEST(System, the_time_scale_shortens_long_sleeps_and_says_so)
{
    const double refused[] = {0.0, -1.0, 1.5, NAN};
    for (double f : refused)
        CHECK_FALSE(hostplatform::setTimeScale(f));
    DOUBLES_EQUAL(1.0, hostplatform::timeScale(), 0);
    CHECK(hostplatform::setTimeScale(0.002));
    CapturedStderr err;
    const timespec start = monotonicNow();
    System::milliSleep(hostplatform::kLongSleepMs);
    const long long ms = msSince(start);
    const std::string text = err.text();
    CHECK_TEXT(ms >= 20 && ms < 2000, std::to_string(ms).c_str());
    CHECK_TEXT(text.find("waiting 0.020 s instead of 10.000 s") != std::string::npos, text.c_str());
}
