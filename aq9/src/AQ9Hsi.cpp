// Batch hard/soft-iron calibration runs: start (configure the engine from the
// sensor, switch its onboard estimator off), feed (from ahrsCallback), finish
// (solve, grade, report, optionally load the result into the sensor).
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "AQ9.h"
#include "HsiRun.h"
#include "LogFilePath.h"
#include "Syslog.h"

namespace {

// Reads what the sensor applies now, sets up the engine, and switches the
// sensor's own estimator off for the run.
DeviceIF::Status startHsiRun(AQ9Sensor* aqs, AqHsiConfig& c, uint32_t dataRate, float siteLat, float siteLong)
{
    aq9Settings& s = aqs->_settings;
    HsiRun_fillConfig(c, s.HSICalibrationMode3D, dataRate, siteLat, siteLong);
    if (aqs->getInstrumentRotationMatrix() != E_NONE)
    {
        Syslog::write("AQ9::initializeHsiRoutine - failed to get Rotation");
        return DeviceIF::Error;
    }
    Syslog::write("AQ9 - Got current instrument rotation for HSI Cal.");
    HsiRun_setRotation(c, s.Rot);
    if (aqs->getUserHSICalibration() != E_NONE)
    {
        Syslog::write("AQ9::initializeHsiRoutine - failed to get HSI Calibration");
        return DeviceIF::Error;
    }
    Syslog::write("AQ9 - Got current User HSI Cal.");
    HsiRun_setCompensation(c, s.MagCompC, s.MagCompB);
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
    free(_hsiSamples.kept);
    _hsiSamples.kept = static_cast<AqHsiYmr*>(calloc(kHsiBufferCapacity, sizeof(AqHsiYmr)));
    _hsiSamples.numKept = 0;
    _hsiSamples.dropped = 0;
    DeviceIF::Status st = DeviceIF::Error;
    if (_hsiSamples.kept == nullptr)
        Syslog::write("AQ9::initializeHsiRoutine - no memory for %u samples", kHsiBufferCapacity);
    else
        st = startHsiRun(_aqs, c, ahrsPollRate(), _siteLat, _siteLong);
    if (st == DeviceIF::Ok)
    {
        _aqs->_hsiRunning = 1;
        return DeviceIF::Ok;
    }
    free(_hsiSamples.kept);
    _hsiSamples.kept = nullptr;
    // The run that was going set the disturbance flag; no run is left to clear it.
    if (wasRunning)
        clearDisturbanceFlag(_aqs, "AQ9::initializeHsiRoutine");
    return DeviceIF::Error;
}

// The rate the AHRS records arrive at: that of the registered poll, which a
// later initialisation does not change, or the setting before registration.
uint32_t AQ9::ahrsPollRate() const
{
    return HsiRun_pollRate(ahrsPeriod_ms, _aqs->_settings.ahrsRate);
}

// Offers one good AHRS record to the engine and keeps it when asked to; a kept
// sample that no longer fits the buffer is dropped and counted.
void AQ9::keepHsiSample(const ahrsData_SensorUnits& record)
{
    HsiRun_offer(_hsiConfig, HsiRun_sample(record), _hsiSamples);
}

DeviceIF::Status AQ9::finalizeHsiRoutine(AqHsiConfig&)
{
    timespec t0, t1;
    clock_gettime(CLOCK_REALTIME, &t0);
    HsiRunOutcome run;
    HsiRun_finish(_hsiConfig, _hsiSamples, _hsiSol, _hsiFom, _hsiFomScore, run);
    if (run.err != E_NONE)
        Syslog::write("AQ9 - AQHSI Solve Failure. Reason: %s", run.reason);
    clock_gettime(CLOCK_REALTIME, &t1);
    // Seconds and nanoseconds are differenced apart; the second part may be negative.
    Syslog::write("AQ9 - Took %d s and %10.6f msec to solve the HSI sol. ", static_cast<int>(t1.tv_sec - t0.tv_sec),
                  (t1.tv_nsec - t0.tv_nsec) * 1e-6);
    // A solution graded Poor anywhere is reported but never loaded or saved.
    if (run.err == E_NONE && run.poor[0] != '\0')
        Syslog::write("AQ9 - HSI solution not loaded: graded Poor in %s", run.poor);

    char path[256];
    FILE* f = createLogFile(kHsiRunReportName, "AQ9 - ", path, sizeof path);
    if (f != nullptr)
        HsiRun_writeReport(f, run, _hsiFom, _hsiFomScore);
    if (HsiRun_loadable(run))
        loadHsiResult(run.si, run.hi);
    clearDisturbanceFlag(_aqs, "AQ9::finalizeHsiRoutine");
    if (f != nullptr)
        closeLogFile(f, path);
    _aqs->_hsiRunning = 0;
    free(_hsiSamples.kept);
    _hsiSamples.kept = nullptr;
    _hsiSamples.numKept = 0;
    _hsiSamples.dropped = 0;
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
