// Where the data logs go: "<log dir>/latest/<log>.csv" with its column sidecar
// "<log>.columns.csv", the log directory from AUV_LOG_DIR or /tmp (the rule of
// the driver's one-shot files). A log never overwrites an earlier one: the
// first free pair of <log>.csv, <log>.1.csv, <log>.2.csv, ... is taken, the
// extension kept, and both files are created exclusively.
#ifndef HOST_PLATFORM_CSVLOGFILES_H
#define HOST_PLATFORM_CSVLOGFILES_H

#include <stdio.h>

#include <string>

struct CsvLogFiles
{
    FILE* data = nullptr;
    FILE* columns = nullptr;
    std::string dataPath;
    std::string columnsPath;
};

// True with both files open; false after logging why (the directory cannot be
// made, no free name up to <log>.9999.csv, a file cannot be created).
bool createCsvLogFiles(const char* logName, CsvLogFiles* files);

#endif
