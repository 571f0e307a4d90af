// Where the driver's one-shot files (settings snapshot, calibration report)
// go: "<log dir>/latest/<name>", the log directory from AUV_LOG_DIR or /tmp.
// An earlier file is never overwritten: the first free of <name>, <name>.1,
// <name>.2, ... is taken.
#ifndef AQ9_LOGFILEPATH_H
#define AQ9_LOGFILEPATH_H

#include <stddef.h>
#include <stdio.h>

// Highest numeric suffix tried before giving up.
const int kMaxLogFileSuffix = 9999;

// Chooses the path and creates the file exclusively. envMessagePrefix starts
// the two lines logged when AUV_LOG_DIR is unset ("" or "AQ9 - "). Returns the
// open stream, or null after logging why (path too long, no free name, the
// directory or the file cannot be created); path then holds what was tried.
FILE* createLogFile(const char* fileName, const char* envMessagePrefix, char* path, size_t pathSize);

#endif
