// aq9cal: an AQ-9 hard/soft-iron calibration again, after the dive, from the
// attitude log and the settings snapshot, with the driver's own steps; writes
// the driver's report, a picture of the run and, on request, the kept samples.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "CalJob.h"
#include "CalOutputFiles.h"
#include "CalPicture.h"
#include "CalSamplesCsv.h"

namespace {

void usage(FILE* out)
{
    fputs("Usage: aq9cal --log aqAhrs.csv --snapshot aq9.dat [--mode 3d|2d] [--from T0] [--to T1]\n"
          "              [--site LAT,LON] [--out DIR] [--csv]\n"
          "       aq9cal --help\n"
          "\n"
          "Runs an AQ-9 hard/soft-iron calibration again on the records of an attitude\n"
          "log, offering each to the calibration engine as the driver did, and writes the\n"
          "driver's report, a picture of the run and the mission-file lines of the result.\n"
          "  --log FILE       the attitude log aqAhrs.csv of the run\n"
          "  --snapshot FILE  the settings snapshot aq9.dat of the same start-up (mounting\n"
          "                   rotation, compensation in force, site, AHRS rate)\n"
          "  --mode 3d|2d     calibration mode, the mission's Use_HSI_MODE_3D (default 3d)\n"
          "  --from T0        time of the first record to offer: seconds since 1970 as in\n"
          "                   the log's time column, or UTC as the system log stamps its\n"
          "                   lines, 2024-06-10T06:13:20.123Z (default: the first record)\n"
          "  --to T1          time of the last record to offer (default: the last record)\n"
          "  --site LAT,LON   the site in degrees, in place of the snapshot's\n"
          "  --out DIR        where the files go, made when missing (default: the current\n"
          "                   directory)\n"
          "  --csv            also write the kept samples with their residuals as CSV\n"
          "  --help           print this help\n"
          "\n"
          "Writes DIR/aq9cal_Hard-Soft-Iron-Calibration.dat (the report), .svg (the picture)\n"
          "and with --csv .csv, with .1, .2, ... before the extension when a name is taken.\n"
          "Exit status: 0 solved, 1 not solved or an unusable input, 2 a bad argument.\n"
          "\n"
          "Example:\n"
          "  aq9cal --log logs/latest/aqAhrs.csv --snapshot logs/latest/aq9.dat \\\n"
          "         --from 2024-06-10T06:15:03.512Z --to 2024-06-10T06:19:41.020Z --out /tmp/cal\n",
          out);
}

int badArgument(const char* what, const char* arg)
{
    fprintf(stderr, "aq9cal: %s '%s'\nTry 'aq9cal --help' for more information.\n", what, arg);
    return 2;
}

bool parseSite(const char* text, float* lat, float* lon)
{
    char* end = nullptr;
    double a = strtod(text, &end);
    if (end == text || *end != ',')
        return false;
    const char* second = end + 1;
    double b = strtod(second, &end);
    if (end == second || *end != '\0' || !(fabs(a) <= 90) || !(fabs(b) <= 360))
        return false;
    *lat = static_cast<float>(a);
    *lon = static_cast<float>(b);
    return true;
}

struct Options
{
    CalJob job;
    std::string outDir = ".";
    bool csv = false;
};

// 0 to go on, else the exit status (help printed, or a bad argument named).
int parse(int argc, char** argv, Options& o, bool& help)
{
    help = false;
    const char* toText = "";
    for (int i = 1; i < argc; i++)
    {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h")
        {
            help = true;
            return 0;
        }
        if (a == "--csv")
        {
            o.csv = true;
            continue;
        }
        if (a != "--log" && a != "--snapshot" && a != "--mode" && a != "--from" && a != "--to" && a != "--site" &&
            a != "--out")
            return badArgument("unknown option", argv[i]);
        if (i + 1 >= argc)
            return badArgument("missing value after", argv[i]);
        const char* v = argv[++i];
        if (a == "--log")
            o.job.logPath = v;
        else if (a == "--snapshot")
            o.job.snapshotPath = v;
        else if (a == "--out")
            o.outDir = v;
        else if (a == "--mode" && (strcmp(v, "3d") == 0 || strcmp(v, "2d") == 0))
            o.job.mode3D = strcmp(v, "3d") == 0;
        else if (a == "--mode")
            return badArgument("--mode takes 3d or 2d, not", v);
        else if (a == "--from" && !AhrsLogReader_parseTime(v, &o.job.window.from_ns))
            return badArgument("--from takes seconds since 1970 or a UTC time (2024-06-10T06:13:20Z), not", v);
        else if (a == "--to" && !AhrsLogReader_parseTime(v, &o.job.window.to_ns))
            return badArgument("--to takes seconds since 1970 or a UTC time (2024-06-10T06:13:20Z), not", v);
        else if (a == "--site" && !parseSite(v, &o.job.siteLat, &o.job.siteLong))
            return badArgument("--site takes LAT,LON in degrees, not", v);
        o.job.window.hasFrom |= a == "--from";
        o.job.window.hasTo |= a == "--to";
        if (a == "--to")
            toText = v;
        o.job.hasSite |= a == "--site";
    }
    if (o.job.logPath.empty())
        return badArgument("missing option", "--log");
    if (o.job.snapshotPath.empty())
        return badArgument("missing option", "--snapshot");
    if (o.job.window.hasFrom && o.job.window.hasTo && o.job.window.from_ns > o.job.window.to_ns)
        return badArgument("--to is before --from:", toText);
    return 0;
}

// Writes the three outputs; false with the reason.
bool writeOutputs(const Options& o, const CalJobResult& result, CalOutputFiles& files, std::string& error)
{
    if (!CalOutputFiles_create(o.outDir, o.csv, files, error))
        return false;
    CalReplay_writeReport(files.report, result.replay);
    CalPicture_write(files.picture, result.replay, result.caption);
    if (files.samples != nullptr)
        CalSamplesCsv_write(files.samples, result.replay);
    return CalOutputFiles_close(files, error);
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    bool help = false;
    if (int status = parse(argc, argv, o, help))
        return status;
    if (help)
    {
        usage(stdout);
        return 0;
    }
    std::string error;
    CalJobResult result;
    if (!CalJob_run(o.job, result, error))
    {
        fprintf(stderr, "aq9cal: %s\n", error.c_str());
        return 1;
    }
    if (!result.note.empty())
        fprintf(stderr, "aq9cal: note: %s\n", result.note.c_str());
    CalOutputFiles files;
    if (!writeOutputs(o, result, files, error))
    {
        fprintf(stderr, "aq9cal: %s\n", error.c_str());
        return 1;
    }
    CalJob_printSummary(stdout, result.replay);
    printf("Report:  %s\nPicture: %s\n", files.reportPath.c_str(), files.picturePath.c_str());
    if (o.csv)
        printf("Samples: %s\n", files.samplesPath.c_str());
    if (result.replay.outcome.err != E_NONE)
    {
        fprintf(stderr, "aq9cal: no calibration: %s\n", result.replay.outcome.reason);
        return 1;
    }
    return 0;
}
