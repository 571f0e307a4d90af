// A calibration re-run from files: what it refuses, with file and line, and
// what it takes from the snapshot and the time window.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "CalJob.h"
#include "CalOutputFiles.h"

// CppUTest last: its allocation macros must not reach the standard headers.
#include "CppUTest/TestHarness.h"

namespace {

const char kHeader[] = "time,vRoll,vPitch,vYaw,vSigmaR,vSigmaP,vSigmaY,vOmegaX,vOmegaY,vOmegaZ,vAccelX,vAccelY,"
                       "vAccelZ,vMagX,vMagY,vMagZ,vTemp,vPres,vAFEStatus\n";
const char kRow1[] = "100.000000000,0.1,0.2,0.30000001192092896,0,0,0,0,0,0.5,0,0,-1,0.2,0.01,0.45,20,101,0\n";
const char kRow2[] = "100.100000000,0.1,0.2,0.4,0,0,0,0,0,0.5,0,0,-1,0.19,0.02,0.45,20,101,0\n";
const char kRow3[] = "100.200000000,nan,0.2,0.5,0,0,0,0,0,0.5,0,0,-1,0.18,0.03,-inf,20,101,0\n";

const char kSnapshot[] = "% Mon Jan  1 00:00:00 2024\n%\n"
                         "% This file details the configuration of the compass\n"
                         "% ========================\n"
                         "ahrsRateHz=10;\n"
                         "RotationMatrix_rowMajor=[-1.0000000,0.0000000,0.0000000,0.0000000,-1.0000000,0.0000000,"
                         "0.0000000,0.0000000,1.0000000];\n"
                         "MagCompC=[1.0000000,0.0000000,0.0000000,0.0000000,1.0000000,0.0000000,0.0000000,"
                         "0.0000000,1.0000000];\n"
                         "MagCompB=[0.0100000,-0.0200000,0.0300000];\n"
                         "SiteLatitude=36.806000;\n"
                         "SiteLongitude=-121.942101;\n"
                         "GravRefVector=[0.0000000,0.0000000,-9.7937460];\n";

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

struct Row
{
    const char* label;
    std::string log;
    std::string snapshot;
    bool hasFrom;
    int64_t from_ns;
    const char* error;  // fragment after the file's path; "" when the job runs
};

const int64_t kSec = 1000000000;

const Row kRows[] = {
    {"missing column", replaced(std::string(kHeader) + kRow1, "vMagY", "vMagQ"), kSnapshot, false, 0,
     "log.csv:1: no column \"vMagY\" (not an attitude log aqAhrs?)"},
    {"value that is no number", std::string(kHeader) + kRow1 + replaced(kRow2, "0.19", "0.19x"), kSnapshot, false, 0,
     "log.csv:3: vMagX \"0.19x\" is not a number"},
    {"empty value", std::string(kHeader) + replaced(kRow1, ",0.45,", ",,"), kSnapshot, false, 0,
     "log.csv:2: vMagZ \"\" is not a number"},
    {"values missing from a row", std::string(kHeader) + replaced(kRow1, ",0,0,0,0,", ",0,"), kSnapshot, false, 0,
     "log.csv:2: 16 values, the header names 19"},
    {"time that is no time", std::string(kHeader) + replaced(kRow1, "100.000000000", "1e2"), kSnapshot, false, 0,
     "log.csv:2: time \"1e2\" is not sec.nnnnnnnnn"},
    {"empty window", std::string(kHeader) + kRow1 + kRow2, kSnapshot, true, 200 * kSec,
     "log.csv: no record between 200.000000000 (1970-01-01T00:03:20.000Z) and the end; the log runs from "
     "100.000000000 (1970-01-01T00:01:40.000Z) to 100.100000000 (1970-01-01T00:01:40.100Z)"},
    {"header only", kHeader, kSnapshot, false, 0, "log.csv: no records after the header"},
    {"empty log", "", kSnapshot, false, 0, "log.csv: empty file, no header line"},
    {"snapshot without the rotation", std::string(kHeader) + kRow1,
     replaced(kSnapshot, "RotationMatrix_rowMajor=", "Rotation="), false, 0,
     "aq9.dat: no RotationMatrix_rowMajor= line (not a settings snapshot aq9.dat?)"},
    {"compensation of the wrong shape", std::string(kHeader) + kRow1,
     replaced(kSnapshot, "[0.0100000,-0.0200000,0.0300000]", "[0.01,-0.02]"), false, 0,
     "aq9.dat:8: MagCompB= \"[0.01,-0.02]\" is not 3 numbers in [ ]"},
    {"non-numbers and a cut last line are no error", std::string(kHeader) + kRow1 + kRow3 + "100.3,0.1", kSnapshot,
     false, 0, ""},
    {"window from the second row", std::string(kHeader) + kRow1 + kRow2 + kRow3, kSnapshot, true,
     100 * kSec + 50000000, ""},
};

void writeFile(const std::string& path, const std::string& text)
{
    FILE* f = fopen(path.c_str(), "w");
    fputs(text.c_str(), f);
    fclose(f);
}

}  // namespace

TEST_GROUP(CalJob)
{
    std::string dir;
    void setup()
    {
        char tmpl[] = "/tmp/aq9caljobXXXXXX";
        dir = mkdtemp(tmpl);
    }
    void teardown()
    {
        std::string cmd = "rm -rf '" + dir + "'";
        CHECK(system(cmd.c_str()) == 0);
    }
};

TEST(CalJob, names_file_and_line_of_each_unusable_input_and_reads_the_rest)
{
    for (const Row& row : kRows)
    {
        writeFile(dir + "/log.csv", row.log);
        writeFile(dir + "/aq9.dat", row.snapshot);
        CalJob job;
        job.logPath = dir + "/log.csv";
        job.snapshotPath = dir + "/aq9.dat";
        job.window.hasFrom = row.hasFrom;
        job.window.from_ns = row.from_ns;
        CalJobResult result;
        std::string error;
        const bool ok = CalJob_run(job, result, error);
        if (row.error[0] != '\0')
        {
            CHECK_TEXT(!ok, row.label);
            STRCMP_EQUAL_TEXT((dir + "/" + row.error).c_str(), error.c_str(), row.label);
            continue;
        }
        CHECK_TEXT(ok, (std::string(row.label) + ": " + error).c_str());
        // Every row in the window offered, the snapshot's settings in the run.
        LONGS_EQUAL_TEXT(2, result.replay.offered, row.label);
        CHECK_TEXT(row.hasFrom || !result.note.empty(), row.label);
        DOUBLES_EQUAL(36.806, result.replay.config.latitude, 1e-5);
        DOUBLES_EQUAL(-1, result.replay.config.RFR.e[0], 0);
        DOUBLES_EQUAL(0.03f, result.replay.config.oldHI.c[2], 0);
        LONGS_EQUAL(10, result.replay.config.dataRate);
    }
}

TEST(CalJob, outputs_never_replace_earlier_ones)
{
    CalOutputFiles first, second;
    std::string error;
    CHECK(CalOutputFiles_create(dir, true, first, error));
    CHECK(CalOutputFiles_close(first, error));
    // A taken picture name alone moves the whole group on.
    writeFile(dir + "/aq9cal_Hard-Soft-Iron-Calibration.1.svg", "");
    CHECK(CalOutputFiles_create(dir, false, second, error));
    CHECK(CalOutputFiles_close(second, error));
    STRCMP_EQUAL((dir + "/aq9cal_Hard-Soft-Iron-Calibration.csv").c_str(), first.samplesPath.c_str());
    STRCMP_EQUAL((dir + "/aq9cal_Hard-Soft-Iron-Calibration.2.dat").c_str(), second.reportPath.c_str());
    STRCMP_EQUAL((dir + "/aq9cal_Hard-Soft-Iron-Calibration.2.svg").c_str(), second.picturePath.c_str());
    STRCMP_EQUAL("/l/latest/aq9_Hard-Soft-Iron-Calibration.svg",
                 CalOutputFiles_besideReport("/l/latest/aq9_Hard-Soft-Iron-Calibration.dat", ".svg").c_str());
    STRCMP_EQUAL("/l/latest/aq9_Hard-Soft-Iron-Calibration.12.svg",
                 CalOutputFiles_besideReport("/l/latest/aq9_Hard-Soft-Iron-Calibration.dat.12", ".svg").c_str());
    CHECK(CalOutputFiles_create(dir + "/new", false, second, error));
    CHECK(CalOutputFiles_close(second, error));
    CHECK(!CalOutputFiles_create(dir + "/missing/new", false, second, error));
    STRCMP_EQUAL(("cannot create directory " + dir + "/missing/new: No such file or directory").c_str(), error.c_str());
}

TEST(CalJob, window_times_as_the_log_and_the_system_log_write_them)
{
    const struct
    {
        const char* text;
        bool ok;
        int64_t ns;
    } rows[] = {
        {"1718000000.5", true, 1718000000500000000},
        {"2024-06-10T06:13:20.123Z", true, 1718000000123000000},
        {"2024-06-10T06:13:20Z", true, 1718000000000000000},
        {"12", true, 12000000000},
        {"1.0000000019", true, 1000000001},
        {"1e9", false, 0},
        {"", false, 0},
        {"-5", false, 0},
        {"2024-06-10T06:13:20", false, 0},
        {"2024-06-10 06:13:20Z", false, 0},
    };
    for (const auto& row : rows)
    {
        int64_t ns = 0;
        CHECK_EQUAL_TEXT(row.ok, AhrsLogReader_parseTime(row.text, &ns), row.text);
        if (row.ok)
            CHECK_EQUAL_TEXT(row.ns, ns, row.text);
    }
}

// aq9host reads its own attitude log from the size it had when the run began:
// nothing before that byte is read or judged, and a line cut there is skipped.
TEST(CalJob, the_log_read_from_a_start_byte_takes_only_the_lines_after_it)
{
    const std::string head = kHeader, cut = "99.900000000,0.1,0.2\n";
    const std::string row1 = kRow1, row2 = kRow2;
    const struct
    {
        const char* label;
        std::string log;
        size_t fromByte;
        size_t rows;
        int64_t first_ns;
        std::string error;  // after the file's path; "" when read
    } rows[] = {
        {"a malformed line before the start byte", head + cut + row1 + row2, head.size() + cut.size(), 2, 100 * kSec,
         ""},
        {"a start byte inside a line", head + row1 + row2, head.size() + 5, 1, 100 * kSec + 100000000, ""},
        {"a start byte inside the header reads all", head + cut + row1, 3, 0, 0,
         "log.csv:2: 3 values, the header names 19"},
        {"a malformed line after it, counted from there", head + row1 + cut, head.size() + row1.size(), 0, 0,
         "log.csv: line 1 from byte " + std::to_string(head.size() + row1.size()) + ": 3 values, the header names 19"},
        {"a start byte past the end", head + row1, 10000, 0, 0, "log.csv: no records after byte 10000"},
    };
    for (const auto& row : rows)
    {
        writeFile(dir + "/log.csv", row.log);
        const AhrsLogWindow all = {false, 0, false, 0};
        const AhrsLogRead got = AhrsLogReader_read(dir + "/log.csv", all, static_cast<int64_t>(row.fromByte));
        if (!row.error.empty())
        {
            STRCMP_EQUAL_TEXT((dir + "/" + row.error).c_str(), got.error.c_str(), row.label);
            continue;
        }
        CHECK_TEXT(got.ok, (std::string(row.label) + ": " + got.error).c_str());
        LONGS_EQUAL_TEXT(row.rows, got.rows.size(), row.label);
        CHECK_EQUAL_TEXT(row.first_ns, got.rows[0].time_ns, row.label);
    }
}
