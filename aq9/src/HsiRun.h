// The steps of a batch hard/soft-iron calibration run that touch no sensor:
// the engine's configuration, the keep call with the sample buffer's limit,
// the solve, the figure of merit, the grading gate, the composition with the
// calibration in force, and the report. The driver runs them on live records;
// the programs that re-run a calibration from a recorded attitude log run the
// very same functions, so both give the same result for the same samples.
// Plain functions over caller-owned records; nothing here logs.
#ifndef AQ9_HSIRUN_H
#define AQ9_HSIRUN_H

#include <stdint.h>
#include <stdio.h>

#include "AQ9Structs.h"
#include "aq/error.h"
#include "aq/hsi/aqhsi.h"

// Capacity of the kept-sample buffer of one run.
const uint32_t kHsiRunBufferCapacity = 6000;
// File name of the report, in the log directory's "latest".
extern const char* const kHsiRunReportName;

// Mode, rate, site and the keep rule's patch settings (122 patches of at most
// 10 samples, keep mode 2). dataRate is the rate the samples arrive at.
void HsiRun_fillConfig(AqHsiConfig& c, bool mode3D, uint32_t dataRate, float siteLat, float siteLong);
// The sensor's mounting rotation and the compensation in force, from the
// settings' row-by-row matrices: the engine composes its result with them.
void HsiRun_setRotation(AqHsiConfig& c, const v9d& rot);
void HsiRun_setCompensation(AqHsiConfig& c, const v9d& magC, const v3d& magB);
// Rate of AHRS polls registered with a period in ms (1000/period, rounded);
// settingRate when no poll is registered (period 0).
uint32_t HsiRun_pollRate(uint32_t period_ms, int64_t settingRate);

// One AHRS record in sensor units as the engine's sample (index 0).
AqHsiYmr HsiRun_sample(const ahrsData_SensorUnits& record);

// The samples kept so far; the buffer is the caller's, of capacity entries.
struct HsiRunSamples
{
    AqHsiYmr* kept;
    uint32_t capacity;
    uint32_t numKept;
    uint32_t dropped;  // kept by the engine but past the buffer's end
};

// Offers one sample to the engine and keeps it when asked to; a sample that no
// longer fits the buffer (or with no buffer) is counted as dropped. True when
// it went into the buffer.
bool HsiRun_offer(AqHsiConfig& c, AqHsiYmr meas, HsiRunSamples& samples);

// What a finished run produced, for the report and the sensor.
struct HsiRunOutcome
{
    AqError err;
    char reason[AQ_ERROR_TEXT_SIZE + 10];
    uint32_t kept;
    uint32_t dropped;
    aq_mat3f si;  // calibration to load: the solution composed with the one in force
    aq_vec3f hi;
    char poor[256];  // the grades that came out Poor, comma separated; empty when none
};

// Optional per-sample outputs of the figure of merit (null to skip), each of
// numKept entries: field-magnitude and vertical residuals after correction,
// relative to the site's field, and the corrected field in gauss.
struct HsiRunResiduals
{
    float* sphere;
    float* vert;
    float (*corrected)[3];
};

// Solves the kept samples, grades the fit and composes the calibration to
// load. A failed solve leaves every grade Poor and every figure the largest
// float. Nothing kept is insufficient data whatever the mode; a solution with
// NaN or infinity is ill-conditioned, so it never reaches a sensor.
void HsiRun_finish(AqHsiConfig& c, const HsiRunSamples& samples, AqHsiSol& sol, AqHsiFom& fom, unsigned int* scores,
                   HsiRunOutcome& out, const HsiRunResiduals* residuals = nullptr);
// True when the run may be loaded into a sensor: solved, and no grade Poor.
bool HsiRun_loadable(const HsiRunOutcome& out);

// The report: time stamp line, header, then the solution with its fit table
// or the failure's reason, and the lines on dropped samples and Poor grades.
void HsiRun_writeReport(FILE* f, const HsiRunOutcome& run, const AqHsiFom& fom, const unsigned int* scores);
// The twelve mission-file lines "Mag_C00 = ...;" to "Mag_B2 = ...;" that load
// the calibration, as the report prints them.
void HsiRun_writeMissionLines(FILE* f, const aq_mat3f& si, const aq_vec3f& hi);

// "Great", "Good", "Fair" or "Poor" for a score 0 to 3 (Poor beyond).
const char* HsiRun_gradeWord(unsigned int score);
// Name of figure-of-merit entry i (0 to 7), e.g. "ellipsoid fit mean".
const char* HsiRun_gradeName(int i);

#endif
