// Where the driver's one-shot files (settings snapshot, calibration report)
// go: "<log dir>/latest/<name>", the log directory from AUV_LOG_DIR or /tmp.
// An earlier file is never overwritten: the first free of <name>, <name>.1,
// <name>.2, ... is taken, and the file is created exclusively so that one which
// appears meanwhile is skipped rather than truncated. Both files open with the
// same time stamp line and report a lost write when they are closed.
#ifndef AQ9_LOGFILEPATH_H
#define AQ9_LOGFILEPATH_H

#include <stddef.h>
#include <stdio.h>

// Highest numeric suffix tried before giving up.
const int kMaxLogFileSuffix = 9999;

// Chooses the path and creates the file. envMessagePrefix starts the two lines
// logged when AUV_LOG_DIR is unset or empty ("" or "AQ9 - "). A directory whose
// path (with room for the longest suffix) does not fit pathSize is refused.
// "latest" is created when missing. Returns the open stream, or null after
// logging why (path too long, no free name up to maxSuffix, the directory or
// the file cannot be created); path then holds what was tried last.
FILE* createLogFile(const char* fileName, const char* envMessagePrefix, char* path, size_t pathSize,
                    int maxSuffix = kMaxLogFileSuffix);

// Writes the first line of a one-shot file: "% ", the local time as ctime gives
// it (which ends in a line end), then "%" and a line end.
void writeLogFileTimeStamp(FILE* f);

// Closes a one-shot file; false, logged with the reason, when anything written
// to it was lost (a full disk shows only here).
bool closeLogFile(FILE* f, const char* path);

#endif
