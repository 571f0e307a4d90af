// One calibration re-run from files, as aq9cal and aq9host do it: the settings
// snapshot gives the mounting rotation, the compensation in force, the site
// and the rate; the attitude log gives the records of the time window; the
// driver's steps run over them. Also the summary printed for people.
#ifndef CAL_JOB_H
#define CAL_JOB_H

#include <stdio.h>

#include <string>
#include <vector>

#include "AhrsLogReader.h"
#include "CalReplay.h"

struct CalJob
{
    std::string logPath;       // the attitude log, aqAhrs.csv
    std::string snapshotPath;  // the settings snapshot, aq9.dat
    bool mode3D = true;
    AhrsLogWindow window = {false, 0, false, 0};
    bool hasSite = false;  // a site in place of the snapshot's, degrees
    float siteLat = 0, siteLong = 0;
};

struct CalJobResult
{
    CalReplay replay;
    std::vector<std::string> caption;  // where the samples came from, for the picture
    std::string note;  // something the user should know that is no error (a log cut short), or empty
};

// Reads both files and re-runs the calibration; false with the reason (naming
// the file, and the line where there is one) when an input is unusable.
bool CalJob_run(const CalJob& job, CalJobResult& result, std::string& error);

// What a person wants to see: samples, result, grades, and the mission-file
// lines that load the result (only after a successful solve).
void CalJob_printSummary(FILE* out, const CalReplay& r);

#endif
