// The QNX timed read for Linux hosts, built from poll and read.
//
// dev_read returns as soon as min bytes (at most n) have arrived, or when a
// timer expires, with whatever arrived by then:
//   - timeout > 0: an overall limit, timeout tenths of a second from the call;
//   - time > 0: an inter-byte limit, time tenths of a second after the last
//     byte received; before the first byte it limits the wait only when
//     min is 0 (then it behaves like an overall limit);
//   - min 0 with time and timeout 0: return at once with what is waiting;
//   - min > 0 with time and timeout 0: wait for min bytes however long.
// min 0 with a timer returns as soon as one byte is there. The result is the
// number of bytes read, 0 at end of file, or -1 with errno set on an error.
// A signal does not end the wait: the remaining time is waited out. proxy
// and armed have no meaning here; *armed is set to 0 (no proxy armed).
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include "PlatformCalls.h"

namespace {

long long nowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Milliseconds poll may wait now: -1 forever, 0 not at all.
int waitBudget(long long now, long long overallDeadline, long long interByteDeadline)
{
    long long deadline = -1;
    if (overallDeadline >= 0)
        deadline = overallDeadline;
    if (interByteDeadline >= 0 && (deadline < 0 || interByteDeadline < deadline))
        deadline = interByteDeadline;
    if (deadline < 0)
        return -1;
    long long left = deadline - now;
    if (left <= 0)
        return 0;
    return left > 0x7fffffff ? 0x7fffffff : static_cast<int>(left);
}

// Reads what is waiting without blocking, whatever the descriptor's own mode
// (a raw tty with a large VMIN would otherwise hold read past our timers).
// Returns the bytes read, 0 at end of file, kNothingWaiting, or -1 on error.
const ssize_t kNothingWaiting = -2;

ssize_t readWaiting(int fd, char* buf, size_t n)
{
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0)
        return -1;
    if (!(flags & O_NONBLOCK))
        fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    ssize_t r = read(fd, buf, n);
    int saved = errno;
    if (!(flags & O_NONBLOCK))
        fcntl(fd, F_SETFL, flags);
    errno = saved;
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return kNothingWaiting;
    return r;
}

}  // namespace

extern "C" int dev_read(int fd, void* buf, unsigned n, unsigned min, unsigned time, unsigned timeout, pid_t /*proxy*/,
                        int* armed)
{
    if (armed != nullptr)
        *armed = 0;
    // poll would skip a negative descriptor silently and just wait.
    if (fd < 0)
    {
        errno = EBADF;
        return -1;
    }
    if (n == 0)
        return 0;
    char* out = static_cast<char*>(buf);
    const bool pollOnly = (min == 0 && time == 0 && timeout == 0);
    const size_t want = min == 0 ? 1 : (min < n ? min : n);
    const long long start = nowMs();
    const long long overall = timeout > 0 ? start + 100LL * timeout : -1;
    // With min 0 the inter-byte timer runs from the call; otherwise from the first byte.
    long long interByte = (min == 0 && time > 0) ? start + 100LL * time : -1;
    size_t got = 0;

    for (;;)
    {
        const int budget = pollOnly ? 0 : waitBudget(nowMs(), overall, interByte);
        pollfd p = {fd, POLLIN, 0};
        const int ready = poll(&p, 1, budget);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return got > 0 ? static_cast<int>(got) : -1;
        // The nearest timer has expired (or nothing was waiting for a plain poll).
        if (ready == 0)
            return static_cast<int>(got);
        if (p.revents & POLLNVAL)
        {
            errno = EBADF;
            return -1;
        }
        const ssize_t r = readWaiting(fd, out + got, n - got);
        if (r == kNothingWaiting)
        {
            // A hung-up or failed descriptor with nothing to read will stay so.
            if (pollOnly || (p.revents & (POLLHUP | POLLERR)))
                return static_cast<int>(got);
            continue;
        }
        if (r < 0)
            return got > 0 ? static_cast<int>(got) : -1;
        // End of file: the writer has gone and nothing more will come.
        if (r == 0)
            return static_cast<int>(got);
        got += static_cast<size_t>(r);
        if (got >= want || pollOnly)
            return static_cast<int>(got);
        if (time > 0)
            interByte = nowMs() + 100LL * time;
    }
}
