// The process-wide stop request and time scale.
#include "HostPlatform.h"

#include <errno.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <initializer_list>

#include "StopDescriptor.h"
#include "Syslog.h"

namespace {

std::atomic<bool> g_stopRequested{false};
// Created once, before any handler may need it; -1 until then.
std::atomic<int> g_stopFd{-1};
std::atomic<double> g_timeScale{1.0};

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

void onStopSignal(int)
{
    int savedErrno = errno;
    hostplatform::requestStop();
    errno = savedErrno;
}

}  // namespace

namespace hostplatform {

int stopDescriptor()
{
    static const int fd = [] {
        int f = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (f < 0)
            Syslog::write("HostPlatform - eventfd for the stop request failed: %s", strerror(errno));
        g_stopFd.store(f);
        return f;
    }();
    return fd;
}

void requestStop()
{
    g_stopRequested.store(true);
    int fd = g_stopFd.load();
    if (fd >= 0)
    {
        uint64_t one = 1;
        // Nothing useful can be done about a failed write inside a handler; the
        // flag is set and loops check it after every wake-up.
        if (write(fd, &one, sizeof one) < 0)
        {
        }
    }
}

bool stopRequested()
{
    return g_stopRequested.load();
}

void clearStopRequest()
{
    g_stopRequested.store(false);
    uint64_t count = 0;
    int fd = stopDescriptor();
    while (fd >= 0 && read(fd, &count, sizeof count) > 0)
    {
    }
}

bool stopOnSignals()
{
    stopDescriptor();
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGTERM})
    {
        if (sigaction(sig, &sa, nullptr) != 0)
        {
            Syslog::write("HostPlatform - sigaction(%s) failed: %s", strsignal(sig), strerror(errno));
            return false;
        }
    }
    return true;
}

bool setTimeScale(double factor)
{
    if (!(factor > 0.0 && factor <= 1.0))
    {
        Syslog::write("HostPlatform - time scale %g refused: it must lie in (0, 1]", factor);
        return false;
    }
    g_timeScale.store(factor);
    return true;
}

double timeScale()
{
    return g_timeScale.load();
}

const char* const kIpcPrefixVariable = "AQ9_IPC_PREFIX";

bool ipcPath(const char* name, char* path, size_t size)
{
    const char* prefix = getenv(kIpcPrefixVariable);
    if (prefix == nullptr)
        prefix = "";
    const size_t len = strlen(prefix);
    const bool allowed = len <= kMaxIpcPrefix && strspn(prefix,
                                                        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                        "0123456789._-") == len;
    if (!allowed)
    {
        Syslog::write("HostPlatform - %s=\"%.80s\" refused: use at most %zu letters, digits, '.', '_' or '-'; %s "
                      "not opened",
                      kIpcPrefixVariable, prefix, kMaxIpcPrefix, name);
        return false;
    }
    const int n = snprintf(path, size, "/%s%s", prefix, name);
    if (n < 0 || static_cast<size_t>(n) >= size)
    {
        Syslog::write("HostPlatform - the name /%s%s is too long; not opened", prefix, name);
        return false;
    }
    return true;
}

}  // namespace hostplatform
