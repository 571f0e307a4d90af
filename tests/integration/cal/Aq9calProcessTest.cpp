// aq9cal as a program on what the real driver left behind: the driver runs a
// calibration on modelled records (the driver tests' fixture: scripted link,
// recording framework doubles), its attitude log is written out in the host's
// CSV format and its settings snapshot as the driver writes it, and aq9cal
// must then reproduce the driver's report line for line and draw the run.
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "DriverFixture.h"
#include "LogFileReading.h"
#include "ProgramRun.h"
#include "aq/hsi/aqhsidipole.h"
#include "hsiSimulation.h"

#include "CppUTest/TestHarness.h"


namespace {

const int64_t kFirstRecordNs = 1718000000LL * 1000000000LL;
const int64_t kPeriodNs = 100000000;  // 10 Hz
const int kBefore = 7, kAfter = 5;    // records logged outside the run

const double kI[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
const double kZero[3] = {0, 0, 0};
const double kOldC[9] = {1.02, 0.03, -0.01, -0.02, 0.98, 0.04, 0.015, -0.03, 1.01};
const double kOldB[3] = {0.02, -0.01, 0.03};
const double kDistortion[9] = {1.06, 0.04, -0.03, 0.04, 0.95, 0.05, -0.03, 0.05, 1.02};
const double kHardIron[3] = {0.085, -0.052, 0.121};

struct Row
{
    const char* label;
    bool mode3D;
    double mounting[3];  // 3-2-1 angles, degrees
    const double* oldC;
    const double* oldB;
    int records;  // during the run
    int exitStatus;
};

const Row kRows[] = {
    {"3D tumble, turned mounting, earlier compensation", true, {35, -20, 110}, kOldC, kOldB, 1800, 0},
    {"2D level turn, default mounting", false, {180, 0, 0}, kI, kZero, 1500, 0},
    {"3D, too few records to solve", true, {180, 0, 0}, kI, kZero, 4, 1},
};

std::string timeText(int64_t ns)
{
    char buf[40];
    snprintf(buf, sizeof buf, "%lld.%09lld", static_cast<long long>(ns / 1000000000),
             static_cast<long long>(ns % 1000000000));
    return buf;
}

// The records the driver logged, as the host platform's data log writes them:
// the column names, then per record the time and each field with "%.17g".
void writeAhrsCsv(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "w");
    fputs("time,vRoll,vPitch,vYaw,vSigmaR,vSigmaP,vSigmaY,vOmegaX,vOmegaY,vOmegaZ,vAccelX,vAccelY,vAccelZ,"
          "vMagX,vMagY,vMagZ,vTemp,vPres,vAFEStatus\n",
          f);
    const std::vector<std::vector<double>>& rows = fw::logRecords("aqAhrs");
    for (size_t i = 0; i < rows.size(); i++)
    {
        fputs(timeText(kFirstRecordNs + static_cast<int64_t>(i) * kPeriodNs).c_str(), f);
        for (double v : rows[i])
            fprintf(f, ",%.17g", v);
        fputs("\n", f);
    }
    fclose(f);
}

// Runs the program; its exit status, and what it wrote on both streams.
int runProgram(const char* program, std::vector<std::string> args, const std::string& dir, std::string* err)
{
    std::string out;
    const int status = ProgramRun_run(program, std::move(args), dir, &out, err);
    *err += out;
    return status;
}

// The kept-sample count the report states, or -1.
int keptInReport(const std::vector<std::string>& report)
{
    const std::string key = "Number of measurements used in calibration: ";
    for (const std::string& l : report)
        if (l.compare(0, key.size(), key) == 0)
            return atoi(l.c_str() + key.size());
    return -1;
}

}  // namespace

TEST_GROUP(Aq9cal)
{
    DriverFixture* f = nullptr;
    void teardown()
    {
        delete f;
        fw::reset();
    }

    // A calibration run through the driver as the row describes; the driver's
    // report and the times just before the first and after the last record of the run.
    void driverRun(const Row& row, int64_t* from, int64_t* to)
    {
        f = new DriverFixture();
        aq9Settings& s = f->sensor->_settings;
        s.ahrsRate = 10;
        s.HSICalibrationMode3D = row.mode3D;
        hsisim::Truth t = hsisim::plainTruth(kDistortion, kHardIron, 0.0005);
        // The mounting as a mission file gives it, with seven decimals, and as
        // the sensor holds it, in single precision.
        sensormodel::dcm(row.mounting[0], row.mounting[1], row.mounting[2], t.RFR);
        for (int k = 0; k < 9; k++)
            s.Rot.c[k] = t.RFR[k] = static_cast<float>(round(t.RFR[k] * 1e7) / 1e7);
        memcpy(t.oldSI, row.oldC, sizeof t.oldSI);
        memcpy(t.oldHI, row.oldB, sizeof t.oldHI);
        memcpy(f->sensor->userMagCompC.c, row.oldC, sizeof s.MagCompC.c);
        memcpy(f->sensor->userMagCompB.c, row.oldB, sizeof s.MagCompB.c);
        s.MagCompC = f->sensor->userMagCompC;
        s.MagCompB = f->sensor->userMagCompB;
        AQ9TestAccess::setSite(*f->aq9, 47.3712f, 8.5417f);
        f->aq9->initializeLogs();
        f->aq9->saveSensorSettingsToFile();
        AqHsiConfig site = {};
        site.latitude = 47.3712f;
        site.longitude = 8.5417f;
        const AqHsiDipole d = aqhsi_dipole_init(&site);  // the field the model measures
        hsisim::Rng rng(11);
        const double yawRate = 0.35;  // rad/s in the level turn
        int n = 0;
        for (int i = 0; i < kBefore + row.records + kAfter; i++)
        {
            if (i == kBefore)
                command(AQ9Command::StartBatchIronCalibration);
            if (i == kBefore + row.records)
                command(AQ9Command::FinishBatchIronCalibration);
            double yaw = fmod(n * yawRate * 0.1 * 180 / M_PI, 360.0) - 180, pitch = 0, roll = 0;
            if (row.mode3D)
                hsisim::randomAttitude(rng, &yaw, &pitch, &roll);
            // At rest when the run starts: the level turn's keep rule takes its vertical then.
            const double gyro[3] = {0, 0, row.mode3D || i <= kBefore ? 0 : yawRate};
            const AqHsiYmr m = hsisim::measure(t, d, yaw, pitch, roll, gyro, rng);
            n++;
            ahrsData_SensorUnits a = {};
            a.ypr_deg = {{m.ypr.c[0], m.ypr.c[1], m.ypr.c[2]}};
            a.mag_G = {{m.mag.c[0], m.mag.c[1], m.mag.c[2]}};
            a.gyro_rads = {{m.gyro.c[0], m.gyro.c[1], m.gyro.c[2]}};
            a.accel_ms2.c[2] = -9.79f;
            a.dataGood = 1;
            f->sensor->ahrsRecords.push_back(a);
            f->aq9->ahrsCallback();
        }
        *from = kFirstRecordNs + kBefore * kPeriodNs - kPeriodNs / 2;
        *to = kFirstRecordNs + (kBefore + row.records - 1) * kPeriodNs + kPeriodNs / 2;
    }

    void command(AQ9Command::AQ9Commands code)
    {
        f->post(code);
        AQ9TestAccess::action(*f->aq9, AQ9IF::MessagesWaiting);
    }
};

TEST(Aq9cal, reproduces_the_drivers_report_from_its_logs_and_draws_the_run)
{
    for (const Row& row : kRows)
    {
        delete f;
        fw::reset();
        int64_t from, to;
        driverRun(row, &from, &to);
        const std::string latest = f->dir + "/latest", out = f->dir + "/out";
        mkdir(out.c_str(), 0700);
        writeAhrsCsv(latest + "/aqAhrs.csv");
        std::string err;
        const int status = runProgram(AQ9CAL_PATH,
                               {"--log", latest + "/aqAhrs.csv", "--snapshot", latest + "/aq9.dat", "--mode",
                                row.mode3D ? "3d" : "2d", "--from", timeText(from), "--to", timeText(to), "--out",
                                out},
                               f->dir, &err);
        LONGS_EQUAL_TEXT(row.exitStatus, status, (std::string(row.label) + ": " + err).c_str());
        const std::vector<std::string> driver = readLines(latest + "/aq9_Hard-Soft-Iron-Calibration.dat");
        const std::vector<std::string> replay = readLines(out + "/aq9cal_Hard-Soft-Iron-Calibration.dat");
        LONGS_EQUAL_TEXT(driver.size(), replay.size(), row.label);
        // The first line is each file's own time stamp.
        for (size_t i = 1; i < driver.size() && i < replay.size(); i++)
            STRCMP_EQUAL_TEXT(driver[i].c_str(), replay[i].c_str(),
                              (std::string(row.label) + ", line " + std::to_string(i + 1)).c_str());
        if (!row.mode3D || row.exitStatus != 0)
            continue;
        // The picture: valid XML, every kept sample in each view, and a
        // browser renders it to a PNG of its size.
        const int kept = keptInReport(driver);
        CHECK_TEXT(kept > 100, row.label);
        const std::string svg = out + "/aq9cal_Hard-Soft-Iron-Calibration.svg";
        const int checked = runProgram("python3", {AQ9_CHECK_PICTURE, svg, std::to_string(kept), AQ9_PICTURE_ARTEFACTS},
                                f->dir, &err);
        LONGS_EQUAL_TEXT(0, checked, err.c_str());
    }
}
