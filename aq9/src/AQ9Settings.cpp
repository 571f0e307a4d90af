// The driver's settings: the record defaults every initialisation starts
// from, the configuration attributes bound to the record, and the typed
// accessors of the record held by the sensor link.
#include "AQ9.h"
#include "AQ9SettingsTable.h"

namespace {

v9d matrix(double a, double b, double c, double d, double e, double f, double g, double h, double i)
{
    v9d m = {{a, b, c, d, e, f, g, h, i}};
    return m;
}

v3d zero3()
{
    v3d v = {{0, 0, 0}};
    return v;
}

}  // namespace

// The three Booleans of the configuration's own calibration (load, save to
// EEPROM, 3D mode) are left as they are: only the configuration sets them.
void AQ9::initializeDefaultSettingsStruct()
{
    v9d magTuning = matrix(4, 4, 4, 5, 5, 5, 5.5, 5.5, 5.5);
    v9d accelTuning = matrix(6, 6, 6, 3, 3, 3, 5.5, 5.5, 5.5);
    v9d gyroTuning = matrix(8, 8, 8, 4, 4, 4, 0, 0, 0);
    v9d identity = matrix(1, 0, 0, 0, 1, 0, 0, 0, 1);
    v9d rotation = matrix(-1, 0, 0, 0, -1, 0, 0, 0, 1);
    v3d zero = zero3();

    ahrsRate(10);
    rawMeasRate(10);
    hsiLogInterval_sec(30);
    saveHSIonExit(0);
    HSIMode(AQHSIMODE_RUN);
    HSIOutput(AQHSIOUTPUT_USEONBOARD);
    HSIConvergeRate(5);
    AsyncRegister(14);
    AFEBasic_Enable(1);
    AFEBasic_HeadingMode(1);
    AFEBasic_FilteringMode(1);
    AFEBasic_TuningMode(1);
    AFEMagTuning(magTuning);
    AFEAccelTuning(accelTuning);
    GyroStartupBias(zero);
    AccelStartupBias(zero);
    AFEGyroTuning(gyroTuning);
    GyroCompC(identity);
    GyroCompB(zero);
    AccelCompC(identity);
    AccelCompB(zero);
    MagCompC(identity);
    MagCompB(zero);
    Rveh_inst(rotation);
}

DeviceIF::Status AQ9::populateAttributes(Attributes& attrib)
{
    AQ9SettingsTable_addAttributes(attrib, _aqs->_settings);
    return DeviceIF::Ok;
}

// The 64-bit rates take the 32-bit argument unchanged and give back their low 32 bits.
unsigned int AQ9::ahrsRate() { return static_cast<unsigned int>(_aqs->_settings.ahrsRate); }
void AQ9::ahrsRate(unsigned int v) { _aqs->_settings.ahrsRate = v; }
unsigned int AQ9::rawMeasRate() { return static_cast<unsigned int>(_aqs->_settings.rawMeasRate); }
void AQ9::rawMeasRate(unsigned int v) { _aqs->_settings.rawMeasRate = v; }
unsigned int AQ9::hsiLogInterval_sec() { return static_cast<unsigned int>(_aqs->_settings.hsiLogInterval_sec); }
void AQ9::hsiLogInterval_sec(unsigned int v) { _aqs->_settings.hsiLogInterval_sec = v; }
unsigned int AQ9::AsyncRegister() { return _aqs->_settings.ADOR; }
void AQ9::AsyncRegister(unsigned int v) { _aqs->_settings.ADOR = v; }

bool AQ9::saveHSIonExit() { return _aqs->_settings.saveHSIonExit != 0; }
void AQ9::saveHSIonExit(Boolean v) { _aqs->_settings.saveHSIonExit = v; }

uint8_t AQ9::HSIMode() { return _aqs->_settings.HSIMode; }
void AQ9::HSIMode(uint8_t v) { _aqs->_settings.HSIMode = v; }
uint8_t AQ9::HSIOutput() { return _aqs->_settings.HSIOutput; }
void AQ9::HSIOutput(uint8_t v) { _aqs->_settings.HSIOutput = v; }
uint8_t AQ9::HSIConvergeRate() { return _aqs->_settings.HSIConvergeRate; }
void AQ9::HSIConvergeRate(uint8_t v) { _aqs->_settings.HSIConvergeRate = v; }
uint8_t AQ9::AFEBasic_Enable() { return _aqs->_settings.AFEBasic_Enable; }
void AQ9::AFEBasic_Enable(uint8_t v) { _aqs->_settings.AFEBasic_Enable = v; }
uint8_t AQ9::AFEBasic_HeadingMode() { return _aqs->_settings.AFEBasic_HeadingMode; }
void AQ9::AFEBasic_HeadingMode(uint8_t v) { _aqs->_settings.AFEBasic_HeadingMode = v; }
uint8_t AQ9::AFEBasic_FilteringMode() { return _aqs->_settings.AFEBasic_FilteringMode; }
void AQ9::AFEBasic_FilteringMode(uint8_t v) { _aqs->_settings.AFEBasic_FilteringMode = v; }
uint8_t AQ9::AFEBasic_TuningMode() { return _aqs->_settings.AFEBasic_TuningMode; }
void AQ9::AFEBasic_TuningMode(uint8_t v) { _aqs->_settings.AFEBasic_TuningMode = v; }

v9d AQ9::AFEMagTuning() { return _aqs->_settings.AFEMagTuning; }
void AQ9::AFEMagTuning(v9d& v) { _aqs->_settings.AFEMagTuning = v; }
v9d AQ9::AFEAccelTuning() { return _aqs->_settings.AFEAccelTuning; }
void AQ9::AFEAccelTuning(v9d& v) { _aqs->_settings.AFEAccelTuning = v; }
v3d AQ9::GyroStartupBias() { return _aqs->_settings.GyroStartupBias; }
void AQ9::GyroStartupBias(v3d& v) { _aqs->_settings.GyroStartupBias = v; }
v3d AQ9::AccelStartupBias() { return _aqs->_settings.AccelStartupBias; }
void AQ9::AccelStartupBias(v3d& v) { _aqs->_settings.AccelStartupBias = v; }
v9d AQ9::AFEGyroTuning() { return _aqs->_settings.AFEGyroTuning; }
void AQ9::AFEGyroTuning(v9d& v) { _aqs->_settings.AFEGyroTuning = v; }
v9d AQ9::GyroCompC() { return _aqs->_settings.GyroCompC; }
void AQ9::GyroCompC(v9d& v) { _aqs->_settings.GyroCompC = v; }
v3d AQ9::GyroCompB() { return _aqs->_settings.GyroCompB; }
void AQ9::GyroCompB(v3d& v) { _aqs->_settings.GyroCompB = v; }
v9d AQ9::AccelCompC() { return _aqs->_settings.AccelCompC; }
void AQ9::AccelCompC(v9d& v) { _aqs->_settings.AccelCompC = v; }
v3d AQ9::AccelCompB() { return _aqs->_settings.AccelCompB; }
void AQ9::AccelCompB(v3d& v) { _aqs->_settings.AccelCompB = v; }
v9d AQ9::MagCompC() { return _aqs->_settings.MagCompC; }
void AQ9::MagCompC(v9d& v) { _aqs->_settings.MagCompC = v; }
v3d AQ9::MagCompB() { return _aqs->_settings.MagCompB; }
void AQ9::MagCompB(v3d& v) { _aqs->_settings.MagCompB = v; }
v9d AQ9::Rveh_inst() { return _aqs->_settings.Rot; }
void AQ9::Rveh_inst(v9d& v) { _aqs->_settings.Rot = v; }
