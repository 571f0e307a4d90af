// Checking a mission configuration file before a dive, with the driver's own
// reader, attribute kinds and rules: every entry the driver would refuse is an
// error, and values it accepts but a user almost never means are warnings.
#ifndef MISSION_CHECK_H
#define MISSION_CHECK_H

#include <stdio.h>

#include <string>
#include <vector>

#include "ConfigFileReader.h"

enum MissionSeverity
{
    MISSION_WARNING,
    MISSION_ERROR
};

struct MissionFinding
{
    int line;  // from 1; 0 for the file as a whole
    MissionSeverity severity;
    std::string text;
};

struct MissionCheck
{
    // CONFIGFILE_NOT_FOUND or CONFIGFILE_READ_ERROR: nothing was judged.
    ConfigFileStatus status;
    std::string path;  // the file actually read (the name, or the name with ".cfg")
    std::vector<MissionFinding> findings;  // by line; the file's own ones last
};

// Largest departure of R*R^T from the identity, and of det R from +1, that
// still counts as a rotation: values given to four decimals stay well inside.
const double kMissionRotationTolerance = 1e-3;

// Reads and judges the file name (or name.cfg, as the driver does).
MissionCheck MissionCheck_file(const char* name);

int MissionCheck_count(const MissionCheck& check, MissionSeverity severity);

// 0 clean, 1 warnings only, 2 errors or a file that cannot be read.
int MissionCheck_exitStatus(const MissionCheck& check);

// One "path:line: error: text" line per finding ("path: warning: text" for the
// file as a whole), then a count of each.
void MissionCheck_print(const MissionCheck& check, FILE* out);

#endif
