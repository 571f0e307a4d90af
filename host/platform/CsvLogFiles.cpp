#include "CsvLogFiles.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Syslog.h"

namespace {

const int kMaxSuffix = 9999;

std::string latestDirectory()
{
    const char* dir = getenv("AUV_LOG_DIR");
    // An empty value counts as unset: it would put the logs at the root.
    return std::string(dir != nullptr && dir[0] != '\0' ? dir : "/tmp") + "/latest";
}

std::string candidate(const std::string& dir, const char* logName, int suffix, const char* ending)
{
    std::string path = dir + "/" + logName;
    if (suffix > 0)
        path += "." + std::to_string(suffix);
    return path + ending;
}

}  // namespace

bool createCsvLogFiles(const char* logName, CsvLogFiles* files)
{
    const std::string dir = latestDirectory();
    if (mkdir(dir.c_str(), 0775) != 0 && errno != EEXIST)
    {
        Syslog::write("DataLogWriter - %s: cannot create directory %s: %s", logName, dir.c_str(), strerror(errno));
        return false;
    }
    for (int suffix = 0; suffix <= kMaxSuffix; suffix++)
    {
        files->dataPath = candidate(dir, logName, suffix, ".csv");
        files->columnsPath = candidate(dir, logName, suffix, ".columns.csv");
        files->data = fopen(files->dataPath.c_str(), "wxe");
        if (files->data == nullptr && errno == EEXIST)
            continue;
        if (files->data == nullptr)
        {
            Syslog::write("DataLogWriter - %s: cannot create %s: %s", logName, files->dataPath.c_str(),
                          strerror(errno));
            return false;
        }
        files->columns = fopen(files->columnsPath.c_str(), "wxe");
        if (files->columns != nullptr)
            return true;
        // The sidecar's name is taken (by another log's data file, say): the
        // pair moves on to the next suffix.
        const int err = errno;
        fclose(files->data);
        files->data = nullptr;
        unlink(files->dataPath.c_str());
        if (err != EEXIST)
        {
            Syslog::write("DataLogWriter - %s: cannot create %s: %s", logName, files->columnsPath.c_str(),
                          strerror(err));
            return false;
        }
    }
    Syslog::write("DataLogWriter - %s: no free file name in %s", logName, dir.c_str());
    return false;
}
