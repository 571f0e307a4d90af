// Batch hard/soft-iron calibration runs: start (configure the engine from the
// sensor, switch its onboard estimator off), feed (from ahrsCallback), finish
// (solve, grade, report, optionally load the result into the sensor).
#include <float.h>
#include <stdarg.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "AQ9.h"
#include "LogFilePath.h"
#include "Syslog.h"

namespace {

const char* const kGradeWords[] = {"Great", "Good", "Fair", "Poor"};
const size_t kLineBufSize = 128;

const char* gradeWord(unsigned int score)
{
    return score < 4 ? kGradeWords[score] : kGradeWords[3];
}

bool allFinite(const float* v, int n)
{
    for (int i = 0; i < n; i++)
        if (!isfinite(v[i]))
            return false;
    return true;
}

// Each numeric line is formatted into a 128-character buffer, then written.
void line(FILE* f, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void line(FILE* f, const char* fmt, ...)
{
    char buf[kLineBufSize];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    fputs(buf, f);
}

void writeReportHeader(FILE* f)
{
    writeLogFileTimeStamp(f);
    fputs("% This file contains Hard and Soft Iron Calibration parameters, as computed by \n", f);
    fputs("% the AQ HSI Calibartion library.", f);
    fputs("\n", f);
    fputs("% ========================", f);
    fputs("\n", f);
}

void writeFitTable(FILE* f, const char* title, const float* stats, const unsigned int* scores)
{
    fputs(title, f);
    line(f, "\nMean:              \t\t\t%6.2f %%\t\t%-10s", stats[0] * 100, gradeWord(scores[0]));
    line(f, "\nMaximum:           \t\t\t%6.2f %%\t\t%-10s", stats[1] * 100, gradeWord(scores[1]));
    line(f, "\nStandard Deviation:\t\t\t%6.2f %%\t\t%-10s", stats[2] * 100, gradeWord(scores[2]));
}

void writeSolution(FILE* f, uint32_t numKept, const aq_mat3f& si, const aq_vec3f& hi, const AqHsiFom& fom,
                   const unsigned int* scores)
{
    fputs("\n", f);
    fputs("\n", f);
    fputs("Number of measurements used in calibration: ", f);
    line(f, "%d", static_cast<int>(numKept));
    fputs("\n", f);
    fputs("\n", f);
    // The engine's matrices are row by row: printed in the settings' order.
    fputs("--Soft Iron Matrix-- \n", f);
    for (int r = 0; r < 3; r++)
        line(f, "%10.6f   %10.6f   %10.6f\n", si.e[3 * r], si.e[3 * r + 1], si.e[3 * r + 2]);
    fputs("\n", f);
    fputs("--Hard Iron Vector-- \n", f);
    for (int i = 0; i < 3; i++)
        line(f, "%10.6f  \n", hi.c[i]);
    fputs("\n", f);
    fputs("\n", f);
    fputs("FORMATTED FOR .cfg FILE: \n", f);
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++)
            line(f, "Mag_C%d%d = %10.6f;\n", r, c, si.e[3 * r + c]);
    for (int i = 0; i < 3; i++)
        line(f, "Mag_B%d = %10.6f;\n", i, hi.c[i]);
    const float ellipsoid[3] = {fom.ellipsoidFitResidualsMean, fom.ellipsoidFitResidualsMax,
                                fom.ellipsoidFitResidualsStd};
    const float alignment[3] = {fom.alignmentFitResidualsMean, fom.alignmentFitResidualsMax,
                                fom.alignmentFitResidualsStd};
    writeFitTable(f, "\nEllipsoid Fit Residuals (Percentage, lower is better)", ellipsoid, scores);
    writeFitTable(f, "\n\n\nAlignment Fit Residuals (Percentage, lower is better)", alignment, scores + 3);
    line(f, "\n\nEllipsoid fit coverage multiplier:\t%8.2f\t\t%-10s", fom.ellipsoidCoverage, gradeWord(scores[6]));
    line(f, "\nAlignment fit coverage multiplier:\t%8.2f\t\t%-10s\n", fom.alignmentCoverage, gradeWord(scores[7]));
    fputs("\n", f);
}

void writeFailure(FILE* f, const char* reason)
{
    fputs("ERROR - Could not complete calibration routine.", f);
    fputs("\n", f);
    fputs("Reason: ", f);
    fputs(reason, f);
    fputs("\n", f);
    fputs("\n", f);
}

// The run's configuration, from the settings, the rate the samples arrive at
// and the site of the reference vectors.
void fillHsiConfig(AqHsiConfig& c, const aq9Settings& s, uint32_t dataRate, float siteLat, float siteLong)
{
    c.dataRate = dataRate;
    c.mode = s.HSICalibrationMode3D ? HSI_MODE_3D : HSI_MODE_2D;
    c.latitude = siteLat;
    c.longitude = siteLong;
    c.nPatches = 122;
    c.nDataPerPatch = 10;
    c.flagKM = 2;
}

// Reads what the sensor applies now, sets up the engine, and switches the
// sensor's own estimator off for the run.
DeviceIF::Status startHsiRun(AQ9Sensor* aqs, AqHsiConfig& c, uint32_t dataRate, float siteLat, float siteLong)
{
    aq9Settings& s = aqs->_settings;
    fillHsiConfig(c, s, dataRate, siteLat, siteLong);
    if (aqs->getInstrumentRotationMatrix() != E_NONE)
    {
        Syslog::write("AQ9::initializeHsiRoutine - failed to get Rotation");
        return DeviceIF::Error;
    }
    Syslog::write("AQ9 - Got current instrument rotation for HSI Cal.");
    // The engine composes its result as Rot^T * SI * Rot * C: it needs the
    // matrices themselves, row by row, not the link's column layout.
    c.RFR = AQ9Sensor::v9dToEngineMat3f(s.Rot);
    if (aqs->getUserHSICalibration() != E_NONE)
    {
        Syslog::write("AQ9::initializeHsiRoutine - failed to get HSI Calibration");
        return DeviceIF::Error;
    }
    Syslog::write("AQ9 - Got current User HSI Cal.");
    c.oldSI = AQ9Sensor::v9dToEngineMat3f(s.MagCompC);
    vec3f oldHI = AQ9Sensor::v3dToVec3f(s.MagCompB);
    for (int i = 0; i < 3; i++)
        c.oldHI.c[i] = oldHI.c[i];
    aqhsi_init(&c);
    if (aqs->sendHSISettings(AQHSIMODE_OFF, AQHSIOUTPUT_NOONBOARD, 5) != E_NONE)
    {
        Syslog::write("AQ9::initializeHsiRoutine - failed to sendHSISettings");
        return DeviceIF::Error;
    }
    Syslog::write("AQ9 - Disabled onboard HSI estimator.");
    if (aqs->sendKnownMagDisturbanceCmd(1) != E_NONE)
        Syslog::write("AQ9::initializeHsiRoutine - failed to sendKnownMagDisturbanceCmd");
    return DeviceIF::Ok;
}

// A solve that reports success but yields NaN or infinity must not reach the sensor.
bool usable(const AqHsiSol& sol)
{
    return allFinite(sol.SI.e, 9) && allFinite(sol.HI.c, 3) && isfinite(sol.magInc);
}

// After a failed solve: every grade the worst, every figure the largest float.
void markFailed(AqHsiFom& fom, unsigned int* scores)
{
    for (int i = 0; i < AQHSI_NUM_FOM; i++)
        scores[i] = aqhsi_get_max_fomScore();
    fom.ellipsoidFitResidualsMean = FLT_MAX;
    fom.ellipsoidFitResidualsMax = FLT_MAX;
    fom.ellipsoidFitResidualsStd = FLT_MAX;
    fom.alignmentFitResidualsMean = FLT_MAX;
    fom.alignmentFitResidualsMax = FLT_MAX;
    fom.alignmentFitResidualsStd = FLT_MAX;
    fom.ellipsoidCoverage = FLT_MAX;
    fom.alignmentCoverage = FLT_MAX;
}

// Names of the eight grades, in the order of the figure of merit.
const char* const kGradeNames[AQHSI_NUM_FOM] = {
    "ellipsoid fit mean", "ellipsoid fit maximum", "ellipsoid fit standard deviation",
    "alignment fit mean", "alignment fit maximum", "alignment fit standard deviation",
    "ellipsoid fit coverage", "alignment fit coverage"};

// What a finished run produced, for the report and the sensor.
struct RunOutcome
{
    AqError err;
    char reason[AQ_ERROR_TEXT_SIZE + 10];
    uint32_t kept;
    uint32_t dropped;
    aq_mat3f si;  // calibration to load: the solution composed with the one in force
    aq_vec3f hi;
    char poor[256];  // the grades that came out Poor, comma separated; empty when none
};

// Solves the kept samples and composes the calibration to load. Nothing kept
// (a finish without a start, or no good record) is insufficient data whatever
// the mode; a result with NaN or infinity is ill-conditioned, so it never
// reaches the sensor.
AqError solveRun(AqHsiConfig& c, AqHsiYmr* kept, uint32_t numKept, AqHsiSol& sol, aq_mat3f& si, aq_vec3f& hi)
{
    AqError err = E_INSUFFICIENT_DATA;
    if (kept != nullptr && numKept > 0)
        err = aqhsi_solve(&c, kept, numKept, &sol);
    if (err == E_NONE && !usable(sol))
        err = E_ILL_CONDITIONED;
    aqhsi_results(&c, &si, &hi, sol);
    if (err == E_NONE && !(allFinite(si.e, 9) && allFinite(hi.c, 3)))
        err = E_ILL_CONDITIONED;
    return err;
}

// Lists the grades at the worst score into out; true when there is one. The
// solver reports success for fits that a single wild sample or a handful of
// samples have spoilt, and the grades are what shows it.
bool listPoorGrades(const unsigned int* scores, char* out, size_t size)
{
    out[0] = '\0';
    size_t used = 0;
    for (int i = 0; i < AQHSI_NUM_FOM; i++)
    {
        if (scores[i] < aqhsi_get_max_fomScore())
            continue;
        int n = snprintf(out + used, size - used, "%s%s", used > 0 ? ", " : "", kGradeNames[i]);
        if (n < 0 || static_cast<size_t>(n) >= size - used)
            break;
        used += static_cast<size_t>(n);
    }
    return out[0] != '\0';
}

void writeReport(FILE* f, const RunOutcome& run, const AqHsiFom& fom, const unsigned int* scores)
{
    writeReportHeader(f);
    if (run.err == E_NONE)
        writeSolution(f, run.kept, run.si, run.hi, fom, scores);
    else
        writeFailure(f, run.reason);
    if (run.dropped > 0)
        line(f, "Samples dropped (sample buffer of %u full): %u\n", AQ9::kHsiBufferCapacity, run.dropped);
    if (run.err == E_NONE && run.poor[0] != '\0')
    {
        // Whole, not through the 128-character line buffer: the list can be longer.
        fputs("Not loaded into the sensor: graded Poor in ", f);
        fputs(run.poor, f);
        fputs("\n", f);
    }
}

// The sensor's filter ignores its magnetometer while the flag is set, so it is
// cleared whenever a run ends, however it ends. who names the caller in the log.
void clearDisturbanceFlag(AQ9Sensor* aqs, const char* who)
{
    if (aqs->sendKnownMagDisturbanceCmd(0) != E_NONE)
    {
        Syslog::write("%s - Error setting knownMagDisturbanceFlag to False.", who);
        perror("Error: ");
    }
}

}  // namespace

DeviceIF::Status AQ9::initializeHsiRoutine(AqHsiConfig& c)
{
    Syslog::write("AQ9 - Beginning HSI Calibration.");
    // A start while running begins a new run: the samples kept so far are
    // dropped, and a start that fails leaves no run at all.
    const bool wasRunning = _aqs->_hsiRunning;
    _aqs->_hsiRunning = 0;
    free(_hsiKeptPoints);
    _hsiKeptPoints = static_cast<AqHsiYmr*>(calloc(kHsiBufferCapacity, sizeof(AqHsiYmr)));
    _hsiNumKeptPoints = 0;
    _hsiDroppedPoints = 0;
    DeviceIF::Status st = DeviceIF::Error;
    if (_hsiKeptPoints == nullptr)
        Syslog::write("AQ9::initializeHsiRoutine - no memory for %u samples", kHsiBufferCapacity);
    else
        st = startHsiRun(_aqs, c, ahrsPollRate(), _siteLat, _siteLong);
    if (st == DeviceIF::Ok)
    {
        _aqs->_hsiRunning = 1;
        return DeviceIF::Ok;
    }
    free(_hsiKeptPoints);
    _hsiKeptPoints = nullptr;
    // The run that was going set the disturbance flag; no run is left to clear it.
    if (wasRunning)
        clearDisturbanceFlag(_aqs, "AQ9::initializeHsiRoutine");
    return DeviceIF::Error;
}

// The rate the AHRS records arrive at: that of the registered poll, which a
// later initialisation does not change, or the setting before registration.
uint32_t AQ9::ahrsPollRate() const
{
    if (ahrsPeriod_ms > 0)
        return static_cast<uint32_t>(lround(1000.0 / ahrsPeriod_ms));
    return static_cast<uint32_t>(_aqs->_settings.ahrsRate);
}

// Offers one good AHRS record to the engine and keeps it when asked to; a kept
// sample that no longer fits the buffer is dropped and counted.
void AQ9::keepHsiSample(const ahrsData_SensorUnits& record)
{
    AqHsiYmr meas;
    for (int i = 0; i < 3; i++)
    {
        meas.ypr.c[i] = record.ypr_deg.c[i];
        meas.mag.c[i] = record.mag_G.c[i];
        meas.acc.c[i] = record.accel_ms2.c[i];
        meas.gyro.c[i] = record.gyro_rads.c[i];
    }
    meas.index = _hsiNumKeptPoints;
    if (!aqhsi_keep(&_hsiConfig, meas))
        return;
    if (_hsiKeptPoints == nullptr || _hsiNumKeptPoints >= kHsiBufferCapacity)
    {
        _hsiDroppedPoints++;
        return;
    }
    _hsiKeptPoints[_hsiNumKeptPoints++] = meas;
}

DeviceIF::Status AQ9::finalizeHsiRoutine(AqHsiConfig&)
{
    timespec t0, t1;
    clock_gettime(CLOCK_REALTIME, &t0);
    RunOutcome run;
    run.kept = _hsiNumKeptPoints;
    run.dropped = _hsiDroppedPoints;
    run.err = solveRun(_hsiConfig, _hsiKeptPoints, _hsiNumKeptPoints, _hsiSol, run.si, run.hi);
    if (run.err == E_NONE)
        aqhsi_figure_of_merit(&_hsiConfig, _hsiKeptPoints, _hsiNumKeptPoints, _hsiSol, &_hsiFom, _hsiFomScore,
                              nullptr, nullptr, nullptr);
    strFromAqError(run.reason, run.err);
    if (run.err != E_NONE)
    {
        markFailed(_hsiFom, _hsiFomScore);
        Syslog::write("AQ9 - AQHSI Solve Failure. Reason: %s", run.reason);
    }
    clock_gettime(CLOCK_REALTIME, &t1);
    // Seconds and nanoseconds are differenced apart; the second part may be negative.
    Syslog::write("AQ9 - Took %d s and %10.6f msec to solve the HSI sol. ", static_cast<int>(t1.tv_sec - t0.tv_sec),
                  (t1.tv_nsec - t0.tv_nsec) * 1e-6);
    // A solution graded Poor anywhere is reported but never loaded or saved.
    const bool poor = listPoorGrades(_hsiFomScore, run.poor, sizeof run.poor);
    if (run.err == E_NONE && poor)
        Syslog::write("AQ9 - HSI solution not loaded: graded Poor in %s", run.poor);

    char path[256];
    FILE* f = createLogFile("aq9_Hard-Soft-Iron-Calibration.dat", "AQ9 - ", path, sizeof path);
    if (f != nullptr)
        writeReport(f, run, _hsiFom, _hsiFomScore);
    if (run.err == E_NONE && !poor)
        loadHsiResult(run.si, run.hi);
    clearDisturbanceFlag(_aqs, "AQ9::finalizeHsiRoutine");
    if (f != nullptr)
        closeLogFile(f, path);
    _aqs->_hsiRunning = 0;
    free(_hsiKeptPoints);
    _hsiKeptPoints = nullptr;
    _hsiNumKeptPoints = 0;
    _hsiDroppedPoints = 0;
    return DeviceIF::Ok;
}

// Ends a run in progress the way a finish command does, with the polls masked.
void AQ9::finishRunningHsiRoutine()
{
    if (!_aqs->_hsiRunning)
        return;
    blockSIGALRM();
    finalizeHsiRoutine(_hsiConfig);
    unblockSIGALRM();
}

// After a successful, trusted solve: load the result into the sensor and its
// EEPROM when the settings ask for it.
void AQ9::loadHsiResult(const aq_mat3f& si, const aq_vec3f& hi)
{
    aq9Settings& s = _aqs->_settings;
    if (!s.saveHSIonExit)
        return;
    s.MagCompC = AQ9Sensor::engineMat3fToV9d(si);
    s.MagCompB = AQ9Sensor::aq_vec3fToV3d(hi);
    Syslog::write("AQ9 - sending new HSI Parameters to device.");
    if (_aqs->sendMagCompensation() != E_NONE)
    {
        Syslog::write("AQ9::finalizeHsiRoutine - unable to send new mag calibration to device.");
        perror("Error: ");
        return;
    }
    Syslog::write("AQ9 - saving new HSI Parameters to device EEPROM.");
    if (_aqs->writeSettingToEEPROM() != E_NONE)
    {
        Syslog::write("AQ9::finalizeHsiRoutine - unable to save new mag calibration to EEPROM.");
        perror("Error: ");
    }
}
