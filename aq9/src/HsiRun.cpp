#include "HsiRun.h"

#include <float.h>
#include <math.h>
#include <stdarg.h>
#include <stdio.h>

#include "AQ9Sensor.h"
#include "LogFilePath.h"

const char* const kHsiRunReportName = "aq9_Hard-Soft-Iron-Calibration.dat";

namespace {

const char* const kGradeWords[] = {"Great", "Good", "Fair", "Poor"};
const size_t kLineBufSize = 128;

// Names of the eight grades, in the order of the figure of merit.
const char* const kGradeNames[AQHSI_NUM_FOM] = {
    "ellipsoid fit mean", "ellipsoid fit maximum", "ellipsoid fit standard deviation",
    "alignment fit mean", "alignment fit maximum", "alignment fit standard deviation",
    "ellipsoid fit coverage", "alignment fit coverage"};

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
    line(f, "\nMean:              \t\t\t%6.2f %%\t\t%-10s", stats[0] * 100, HsiRun_gradeWord(scores[0]));
    line(f, "\nMaximum:           \t\t\t%6.2f %%\t\t%-10s", stats[1] * 100, HsiRun_gradeWord(scores[1]));
    line(f, "\nStandard Deviation:\t\t\t%6.2f %%\t\t%-10s", stats[2] * 100, HsiRun_gradeWord(scores[2]));
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
    HsiRun_writeMissionLines(f, si, hi);
    const float ellipsoid[3] = {fom.ellipsoidFitResidualsMean, fom.ellipsoidFitResidualsMax,
                                fom.ellipsoidFitResidualsStd};
    const float alignment[3] = {fom.alignmentFitResidualsMean, fom.alignmentFitResidualsMax,
                                fom.alignmentFitResidualsStd};
    writeFitTable(f, "\nEllipsoid Fit Residuals (Percentage, lower is better)", ellipsoid, scores);
    writeFitTable(f, "\n\n\nAlignment Fit Residuals (Percentage, lower is better)", alignment, scores + 3);
    line(f, "\n\nEllipsoid fit coverage multiplier:\t%8.2f\t\t%-10s", fom.ellipsoidCoverage,
         HsiRun_gradeWord(scores[6]));
    line(f, "\nAlignment fit coverage multiplier:\t%8.2f\t\t%-10s\n", fom.alignmentCoverage,
         HsiRun_gradeWord(scores[7]));
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

// Solves the kept samples and composes the calibration to load.
AqError solveRun(AqHsiConfig& c, const HsiRunSamples& s, AqHsiSol& sol, aq_mat3f& si, aq_vec3f& hi)
{
    AqError err = E_INSUFFICIENT_DATA;
    if (s.kept != nullptr && s.numKept > 0)
        err = aqhsi_solve(&c, s.kept, s.numKept, &sol);
    if (err == E_NONE && !usable(sol))
        err = E_ILL_CONDITIONED;
    aqhsi_results(&c, &si, &hi, sol);
    if (err == E_NONE && !(allFinite(si.e, 9) && allFinite(hi.c, 3)))
        err = E_ILL_CONDITIONED;
    return err;
}

// Lists the grades at the worst score into out. The solver reports success for
// fits that a single wild sample or a handful of samples have spoilt, and the
// grades are what shows it.
void listPoorGrades(const unsigned int* scores, char* out, size_t size)
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
}

}  // namespace

void HsiRun_fillConfig(AqHsiConfig& c, bool mode3D, uint32_t dataRate, float siteLat, float siteLong)
{
    c.dataRate = dataRate;
    c.mode = mode3D ? HSI_MODE_3D : HSI_MODE_2D;
    c.latitude = siteLat;
    c.longitude = siteLong;
    c.nPatches = 122;
    c.nDataPerPatch = 10;
    c.flagKM = 2;
}

void HsiRun_setRotation(AqHsiConfig& c, const v9d& rot)
{
    // The engine composes its result as Rot^T * SI * Rot * C: it needs the
    // matrices themselves, row by row, not the link's column layout.
    c.RFR = AQ9Sensor::v9dToEngineMat3f(rot);
}

void HsiRun_setCompensation(AqHsiConfig& c, const v9d& magC, const v3d& magB)
{
    c.oldSI = AQ9Sensor::v9dToEngineMat3f(magC);
    vec3f oldHI = AQ9Sensor::v3dToVec3f(magB);
    for (int i = 0; i < 3; i++)
        c.oldHI.c[i] = oldHI.c[i];
}

uint32_t HsiRun_pollRate(uint32_t period_ms, int64_t settingRate)
{
    if (period_ms > 0)
        return static_cast<uint32_t>(lround(1000.0 / period_ms));
    return static_cast<uint32_t>(settingRate);
}

AqHsiYmr HsiRun_sample(const ahrsData_SensorUnits& record)
{
    AqHsiYmr meas;
    for (int i = 0; i < 3; i++)
    {
        meas.ypr.c[i] = record.ypr_deg.c[i];
        meas.mag.c[i] = record.mag_G.c[i];
        meas.acc.c[i] = record.accel_ms2.c[i];
        meas.gyro.c[i] = record.gyro_rads.c[i];
    }
    meas.index = 0;
    return meas;
}

bool HsiRun_offer(AqHsiConfig& c, AqHsiYmr meas, HsiRunSamples& s)
{
    meas.index = s.numKept;
    if (!aqhsi_keep(&c, meas))
        return false;
    if (s.kept == nullptr || s.numKept >= s.capacity)
    {
        s.dropped++;
        return false;
    }
    s.kept[s.numKept++] = meas;
    return true;
}

void HsiRun_finish(AqHsiConfig& c, const HsiRunSamples& samples, AqHsiSol& sol, AqHsiFom& fom, unsigned int* scores,
                   HsiRunOutcome& out, const HsiRunResiduals* residuals)
{
    out.kept = samples.numKept;
    out.dropped = samples.dropped;
    out.err = solveRun(c, samples, sol, out.si, out.hi);
    if (out.err == E_NONE)
        aqhsi_figure_of_merit(&c, samples.kept, samples.numKept, sol, &fom, scores,
                              residuals != nullptr ? residuals->sphere : nullptr,
                              residuals != nullptr ? residuals->vert : nullptr,
                              residuals != nullptr ? residuals->corrected : nullptr);
    strFromAqError(out.reason, out.err);
    if (out.err != E_NONE)
        markFailed(fom, scores);
    listPoorGrades(scores, out.poor, sizeof out.poor);
}

bool HsiRun_loadable(const HsiRunOutcome& out)
{
    return out.err == E_NONE && out.poor[0] == '\0';
}

void HsiRun_writeReport(FILE* f, const HsiRunOutcome& run, const AqHsiFom& fom, const unsigned int* scores)
{
    writeReportHeader(f);
    if (run.err == E_NONE)
        writeSolution(f, run.kept, run.si, run.hi, fom, scores);
    else
        writeFailure(f, run.reason);
    if (run.dropped > 0)
        line(f, "Samples dropped (sample buffer of %u full): %u\n", kHsiRunBufferCapacity, run.dropped);
    if (run.err == E_NONE && run.poor[0] != '\0')
    {
        // Whole, not through the 128-character line buffer: the list can be longer.
        fputs("Not loaded into the sensor: graded Poor in ", f);
        fputs(run.poor, f);
        fputs("\n", f);
    }
}

void HsiRun_writeMissionLines(FILE* f, const aq_mat3f& si, const aq_vec3f& hi)
{
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++)
            line(f, "Mag_C%d%d = %10.6f;\n", r, c, si.e[3 * r + c]);
    for (int i = 0; i < 3; i++)
        line(f, "Mag_B%d = %10.6f;\n", i, hi.c[i]);
}

const char* HsiRun_gradeWord(unsigned int score)
{
    return score < 4 ? kGradeWords[score] : kGradeWords[3];
}

const char* HsiRun_gradeName(int i)
{
    return i >= 0 && i < AQHSI_NUM_FOM ? kGradeNames[i] : "";
}
