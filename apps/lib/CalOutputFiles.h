// Where a calibration re-run puts what it writes: in a directory, the report,
// the picture and (when asked) the samples as <base>.dat, <base>.svg and
// <base>.csv, <base> being aq9cal_Hard-Soft-Iron-Calibration or, when one of
// those names is taken, the same with the first free ".N" (N up to 9999), so
// no earlier output is ever overwritten. Every file is created exclusively.
#ifndef CAL_OUTPUT_FILES_H
#define CAL_OUTPUT_FILES_H

#include <stdio.h>

#include <string>

struct CalOutputFiles
{
    FILE* report = nullptr;
    FILE* picture = nullptr;
    FILE* samples = nullptr;  // only when asked for
    std::string reportPath, picturePath, samplesPath;
};

// True with the files open (dir made when missing, not its parents); false
// with the reason in error.
bool CalOutputFiles_create(const std::string& dir, bool withSamples, CalOutputFiles& out, std::string& error);
// Closes every open file; false, with the first path that lost data, when a write failed.
bool CalOutputFiles_close(CalOutputFiles& files, std::string& error);

// A companion of a driver report "<stem>.dat" or "<stem>.dat.N": "<stem>.ext" or
// "<stem>.N.ext" (ext such as ".svg"), the numbering the data logs use.
std::string CalOutputFiles_besideReport(const std::string& reportPath, const char* ext);

#endif
