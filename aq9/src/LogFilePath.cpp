#include "LogFilePath.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "Syslog.h"

namespace {

const char* logDirectory(const char* envMessagePrefix)
{
    const char* dir = getenv("AUV_LOG_DIR");
    if (dir != nullptr)
        return dir;
    Syslog::write("%sEnvironment variable %s not set\n", envMessagePrefix, "AUV_LOG_DIR");
    Syslog::write("%sUsing default directory %s", envMessagePrefix, "/tmp");
    return "/tmp";
}

bool exists(const char* path)
{
    struct stat st;
    return stat(path, &st) == 0;
}

// "<dir>/latest" must exist before a file can be created in it.
bool ensureLatestDirectory(const char* dir, char* scratch, size_t size)
{
    snprintf(scratch, size, "%s/%s", dir, "latest");
    if (mkdir(scratch, 0775) == 0 || errno == EEXIST)
        return true;
    Syslog::write("AQ9 - cannot create directory %s: %s", scratch, strerror(errno));
    return false;
}

}  // namespace

FILE* createLogFile(const char* fileName, const char* envMessagePrefix, char* path, size_t pathSize)
{
    const char* dir = logDirectory(envMessagePrefix);
    // Room for the longest suffix too, so every candidate name fits.
    int n = snprintf(path, pathSize, "%s/%s/%s", dir, "latest", fileName);
    if (n < 0 || static_cast<size_t>(n) + 6 >= pathSize)
    {
        Syslog::write("AQ9 - log directory %s gives a path longer than %zu characters; %s not written", dir,
                      pathSize - 1, fileName);
        return nullptr;
    }
    if (!ensureLatestDirectory(dir, path, pathSize))
        return nullptr;
    char base[512];
    snprintf(base, sizeof base, "%s/%s/%s", dir, "latest", fileName);
    snprintf(path, pathSize, "%s", base);
    for (int suffix = 1; exists(path); suffix++)
    {
        if (suffix > kMaxLogFileSuffix)
        {
            Syslog::write("AQ9 - no free file name for %s", base);
            return nullptr;
        }
        snprintf(path, pathSize, "%s.%d", base, suffix);
    }
    // Exclusive creation: a file that appeared meanwhile is never truncated.
    FILE* f = fopen(path, "wx");
    if (f == nullptr)
        Syslog::write("AQ9 - cannot create %s: %s", path, strerror(errno));
    return f;
}
