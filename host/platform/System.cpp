// System::milliSleep on nanosleep. A sleep resumes after a signal until its
// time is up; a long one (10 s or more) is announced, counted down on a
// terminal, and shortened by the host program's time scale.
#include "System.h"

#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

#include "HostPlatform.h"
#include "Syslog.h"

namespace {

void sleepMs(long long ms)
{
    timespec left;
    left.tv_sec = static_cast<time_t>(ms / 1000);
    left.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    while (nanosleep(&left, &left) != 0 && errno == EINTR)
    {
    }
}

// One-second steps with the time left shown on the same terminal line. A stop
// request does not end the wait: the step after it may need the time (the
// sensor must not be reset before it has settled).
void countDown(long long ms)
{
    bool stopNoted = false;
    const bool terminal = isatty(STDERR_FILENO) != 0;
    while (ms > 0)
    {
        if (terminal)
            fprintf(stderr, "\rSystem - %lld:%02lld left ", ms / 60000, (ms / 1000) % 60);
        if (!stopNoted && hostplatform::stopRequested())
        {
            Syslog::write("System - stop requested; the wait runs to its end first");
            stopNoted = true;
        }
        long long step = ms < 1000 ? ms : 1000;
        sleepMs(step);
        ms -= step;
    }
    if (terminal)
        fprintf(stderr, "\r%30s\r", "");
}

}  // namespace

void System::milliSleep(int milliSeconds)
{
    if (milliSeconds <= 0)
        return;
    if (milliSeconds < hostplatform::kLongSleepMs)
    {
        sleepMs(milliSeconds);
        return;
    }
    long long ms = milliSeconds;
    const double scale = hostplatform::timeScale();
    if (scale < 1.0)
    {
        ms = llround(milliSeconds * scale);
        Syslog::write("System - time scale %g: waiting %.3f s instead of %.3f s", scale, ms / 1000.0,
                      milliSeconds / 1000.0);
    }
    else
    {
        Syslog::write("System - waiting %.3f s: a settling wait of the sensor (start-up waits ten minutes after the "
                      "rotation is saved to EEPROM)",
                      milliSeconds / 1000.0);
    }
    countDown(ms);
}
