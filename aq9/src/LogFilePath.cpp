#include "LogFilePath.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

#include "Syslog.h"

namespace {

const char* const kLogDirVariable = "AUV_LOG_DIR";
const char* const kDefaultLogDir = "/tmp";
const char* const kLatest = "latest";

// An empty value counts as unset: it would put the files at the root.
const char* logDirectory(const char* envMessagePrefix)
{
    const char* dir = getenv(kLogDirVariable);
    if (dir != nullptr && dir[0] != '\0')
        return dir;
    Syslog::write("%sEnvironment variable %s not set\n", envMessagePrefix, kLogDirVariable);
    Syslog::write("%sUsing default directory %s", envMessagePrefix, kDefaultLogDir);
    return kDefaultLogDir;
}

// Characters of ".<maxSuffix>", the longest name tried after the base one.
size_t suffixRoom(int maxSuffix)
{
    size_t digits = 1;
    for (int n = maxSuffix; n >= 10; n /= 10)
        digits++;
    return maxSuffix > 0 ? digits + 1 : 0;
}

// "<dir>/latest" must exist before a file can be created in it.
bool ensureLatestDirectory(const char* dir, char* scratch, size_t size)
{
    snprintf(scratch, size, "%s/%s", dir, kLatest);
    if (mkdir(scratch, 0775) == 0 || errno == EEXIST)
        return true;
    Syslog::write("AQ9 - cannot create directory %s: %s", scratch, strerror(errno));
    return false;
}

// Exclusive creation ("x", never truncating); null with errno set when the
// name is taken or unusable. The stream call is used rather than open(), which
// the bench replaces with its simulated device calls.
FILE* createExclusive(const char* path)
{
    return fopen(path, "wx");
}

}  // namespace

FILE* createLogFile(const char* fileName, const char* envMessagePrefix, char* path, size_t pathSize, int maxSuffix)
{
    const char* dir = logDirectory(envMessagePrefix);
    int n = snprintf(path, pathSize, "%s/%s/%s", dir, kLatest, fileName);
    // Every candidate name must fit, so room is kept for the longest suffix.
    if (n < 0 || static_cast<size_t>(n) + suffixRoom(maxSuffix) >= pathSize)
    {
        Syslog::write("AQ9 - log directory %s gives a path longer than %zu characters; %s not written", dir,
                      pathSize - 1, fileName);
        return nullptr;
    }
    if (!ensureLatestDirectory(dir, path, pathSize))
        return nullptr;
    for (int suffix = 0; suffix <= maxSuffix; suffix++)
    {
        if (suffix == 0)
            snprintf(path, pathSize, "%s/%s/%s", dir, kLatest, fileName);
        else
            snprintf(path, pathSize, "%s/%s/%s.%d", dir, kLatest, fileName, suffix);
        FILE* f = createExclusive(path);
        if (f != nullptr)
        {
            // The names found taken are no error of the caller's.
            errno = 0;
            return f;
        }
        if (errno != EEXIST)
        {
            Syslog::write("AQ9 - cannot create %s: %s", path, strerror(errno));
            return nullptr;
        }
    }
    snprintf(path, pathSize, "%s/%s/%s", dir, kLatest, fileName);
    Syslog::write("AQ9 - no free file name for %s", path);
    return nullptr;
}

void writeLogFileTimeStamp(FILE* f)
{
    time_t now = time(nullptr);
    const char* stamp = ctime(&now);
    fprintf(f, "%% %s%%\n", stamp != nullptr ? stamp : "(time unknown)\n");
}

bool closeLogFile(FILE* f, const char* path)
{
    bool failed = ferror(f) != 0;
    if (fclose(f) != 0)
        failed = true;
    if (failed)
        Syslog::write("AQ9 - error writing %s: %s", path, strerror(errno));
    return !failed;
}
