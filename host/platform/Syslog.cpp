// The system log on Linux: one line per call on standard error, stamped with
// the UTC time to the millisecond, and to syslog(3) as well when AQ9_SYSLOG=1.
#include "Syslog.h"

#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <syslog.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "HostPlatform.h"

namespace {

const size_t kMaxText = 1024;

// Line ends inside a message would split its line; trailing ones are dropped.
void flattenLineEnds(char* text)
{
    size_t len = strlen(text);
    while (len > 0 && (text[len - 1] == '\n' || text[len - 1] == '\r'))
        text[--len] = '\0';
    for (size_t i = 0; i < len; i++)
        if (text[i] == '\n' || text[i] == '\r')
            text[i] = ' ';
}

void writeAll(int fd, const char* p, size_t n)
{
    while (n > 0)
    {
        ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return;  // the log never fails its caller
        p += w;
        n -= static_cast<size_t>(w);
    }
}

std::atomic<hostplatform::LogObserver> observer(nullptr);

bool toSyslog()
{
    const char* v = getenv("AQ9_SYSLOG");
    return v != nullptr && strcmp(v, "1") == 0;
}

}  // namespace

void Syslog::write(const char* msg, ...)
{
    const int savedErrno = errno;  // callers log strerror(errno) and then look at errno
    char text[kMaxText];
    va_list ap;
    va_start(ap, msg);
    int n = vsnprintf(text, sizeof text, msg != nullptr ? msg : "", ap);
    va_end(ap);
    if (n < 0)
        snprintf(text, sizeof text, "(unprintable log message)");
    else if (static_cast<size_t>(n) >= sizeof text)
        memcpy(text + sizeof text - 4, "...", 4);
    flattenLineEnds(text);

    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm utc;
    gmtime_r(&now.tv_sec, &utc);
    char line[kMaxText + 40];
    int len = snprintf(line, sizeof line, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ %s\n", utc.tm_year + 1900,
                       utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, now.tv_nsec / 1000000L, text);
    if (len > 0)
        writeAll(STDERR_FILENO, line, std::min(static_cast<size_t>(len), sizeof line - 1));
    if (toSyslog())
        syslog(LOG_INFO, "%s", text);
    if (hostplatform::LogObserver o = observer.load())
        o(now, text);
    errno = savedErrno;
}

void hostplatform::setLogObserver(LogObserver o)
{
    observer.store(o);
}
