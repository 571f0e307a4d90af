// The AHRS log "aqAhrs" and the raw-measurement log "aqMeas". Columns are
// added in record order; units and long names are set afterwards, all columns
// in the same order.
#include "AQ9Log.h"

#include "AQ9.h"
#include "Syslog.h"

namespace {

struct ColumnText
{
    const char* units;
    const char* longName;
};

const ColumnText kAhrsColumns[] = {
    {"Rad", "Estimated Roll"},
    {"Rad", "Estimated Pitch"},
    {"Rad", "Estimated Yaw"},
    {"Rad", "Roll uncertainty"},
    {"Rad", "Pitch uncertainty"},
    {"Rad", "Yaw uncertainty"},
    {"Rad/s", "Roll rate"},
    {"Rad/s", "Pitch rate"},
    {"Rad/s", "Yaw rate"},
    {"g", "Acceleration along vehicle x-axis"},
    {"g", "Acceleration along vehicle y-axis"},
    {"g", "Acceleration along vehicle z-axis"},
    {"Gauss", "Magnetic field along vehicle x-axis"},
    {"Gauss", "Magnetic field along vehicle y-axis"},
    {"Gauss", "Magnetic field along vehicle z-axis"},
    {"C", "AQ-9 internal temperature"},
    {"kPa", "AQ-9 internal pressure"},
    {"NA", "AQ-9 estimator status bits"},
};

const ColumnText kRawColumns[] = {
    {"rad/s", "Uncompensated roll rate"},
    {"rad/s", "Uncompensated pitch rate"},
    {"rad/s", "Uncompensated yaw rate"},
    {"m/s^2", "Uncompensated acceleration along vehicle x-axis"},
    {"m/s^2", "Uncompensated acceleration along vehicle y-axis"},
    {"m/s^2", "Uncompensated acceleration along vehicle z-axis"},
    {"Gauss", "Uncompensated Magnetic field along vehicle x-axis"},
    {"Gauss", "Uncompensated Magnetic field along vehicle y-axis"},
    {"Gauss", "Uncompensated Magnetic field along vehicle z-axis"},
    {"C", "AQ-9 internal temperature"},
    {"kPa", "AQ-9 internal pressure"},
};

template <class F>
F* addColumn(DataLogWriter* log, const char* name)
{
    F* f = new F(name);
    log->addField(f);
    return f;
}

void setColumnTexts(DataField* const* fields, const ColumnText* texts, int n)
{
    for (int i = 0; i < n; i++)
        fields[i]->setUnits(texts[i].units);
    for (int i = 0; i < n; i++)
        fields[i]->setLongName(texts[i].longName);
}

}  // namespace

AQ9Log::AQ9Log(AQ9* aq9, DataLog::FileFormat fileFormat) : DataLogWriter("aqAhrs", fileFormat, true), _aq9(aq9)
{
    setMnemonic("aqAhrs");
    _roll = addColumn<AngleData>(this, "vRoll");
    _pitch = addColumn<AngleData>(this, "vPitch");
    _yaw = addColumn<AngleData>(this, "vYaw");
    _sigmaRoll = addColumn<AngleData>(this, "vSigmaR");
    _sigmaPitch = addColumn<AngleData>(this, "vSigmaP");
    _sigmaYaw = addColumn<AngleData>(this, "vSigmaY");
    _rollRate = addColumn<DoubleData>(this, "vOmegaX");
    _pitchRate = addColumn<DoubleData>(this, "vOmegaY");
    _yawRate = addColumn<DoubleData>(this, "vOmegaZ");
    _accelX = addColumn<DoubleData>(this, "vAccelX");
    _accelY = addColumn<DoubleData>(this, "vAccelY");
    _accelZ = addColumn<DoubleData>(this, "vAccelZ");
    _magX = addColumn<DoubleData>(this, "vMagX");
    _magY = addColumn<DoubleData>(this, "vMagY");
    _magZ = addColumn<DoubleData>(this, "vMagZ");
    _temp = addColumn<DoubleData>(this, "vTemp");
    _pres = addColumn<DoubleData>(this, "vPres");
    _afeStatus = addColumn<IntegerData>(this, "vAFEStatus");
    DataField* fields[kColumns];
    columns(fields);
    setColumnTexts(fields, kAhrsColumns, kColumns);
}

AQ9Log::~AQ9Log()
{
    DataField* fields[kColumns];
    columns(fields);
    for (DataField* f : fields)
        delete f;
}

void AQ9Log::columns(DataField** out) const
{
    DataField* const fields[kColumns] = {_roll,     _pitch,     _yaw,     _sigmaRoll, _sigmaPitch, _sigmaYaw,
                                         _rollRate, _pitchRate, _yawRate, _accelX,    _accelY,     _accelZ,
                                         _magX,     _magY,      _magZ,    _temp,      _pres,       _afeStatus};
    for (int i = 0; i < kColumns; i++)
        out[i] = fields[i];
}

void AQ9Log::setFields()
{
    const aq9DataConsumerUnits& d = _aq9->data;
    _roll->setValue(d.roll_rad);
    _pitch->setValue(d.pitch_rad);
    _yaw->setValue(d.yaw_rad);
    _sigmaRoll->setValue(d.sigmaRoll_rad);
    _sigmaPitch->setValue(d.sigmaPitch_rad);
    _sigmaYaw->setValue(d.sigmaYaw_rad);
    _rollRate->setValue(d.rollRate_rads);
    _pitchRate->setValue(d.pitchRate_rads);
    _yawRate->setValue(d.yawRate_rads);
    _accelX->setValue(d.accelX_g);
    _accelY->setValue(d.accelY_g);
    _accelZ->setValue(d.accelZ_g);
    _magX->setValue(d.magX_G);
    _magY->setValue(d.magY_G);
    _magZ->setValue(d.magZ_G);
    _temp->setValue(d.temp_C);
    _pres->setValue(d.pres_kpa);
    _afeStatus->setValue(static_cast<int>(d.afeStatus));
}

AQ9RawMeasLog::AQ9RawMeasLog(AQ9* aq9, DataLog::FileFormat fileFormat)
    : DataLogWriter("aqMeas", fileFormat, true), _aq9(aq9)
{
    setMnemonic("aqMeas");
    _uRollRate = addColumn<DoubleData>(this, "vMeasOmegaX");
    _uPitchRate = addColumn<DoubleData>(this, "vMeasOmegaY");
    _uYawRate = addColumn<DoubleData>(this, "vMeasOmegaZ");
    _uAccelX = addColumn<DoubleData>(this, "vMeasAccelX");
    _uAccelY = addColumn<DoubleData>(this, "vMeasAccelY");
    _uAccelZ = addColumn<DoubleData>(this, "vMeasAccelZ");
    _uMagX = addColumn<DoubleData>(this, "vMeasMagX");
    _uMagY = addColumn<DoubleData>(this, "vMeasMagY");
    _uMagZ = addColumn<DoubleData>(this, "vMeasMagZ");
    _uTemp = addColumn<DoubleData>(this, "vMeasTemp");
    _uPres = addColumn<DoubleData>(this, "vMeasPres");
    DataField* fields[kColumns];
    columns(fields);
    setColumnTexts(fields, kRawColumns, kColumns);
}

AQ9RawMeasLog::~AQ9RawMeasLog()
{
    DataField* fields[kColumns];
    columns(fields);
    for (DataField* f : fields)
        delete f;
}

void AQ9RawMeasLog::columns(DataField** out) const
{
    DataField* const fields[kColumns] = {_uRollRate, _uPitchRate, _uYawRate, _uAccelX, _uAccelY, _uAccelZ,
                                         _uMagX,     _uMagY,      _uMagZ,    _uTemp,   _uPres};
    for (int i = 0; i < kColumns; i++)
        out[i] = fields[i];
}

void AQ9RawMeasLog::setFields()
{
    const aq9DataConsumerUnits& d = _aq9->data;
    _uRollRate->setValue(d.uRollRate_rads);
    _uPitchRate->setValue(d.uPitchRate_rads);
    _uYawRate->setValue(d.uYawRate_rads);
    _uAccelX->setValue(d.uAccelX_ms2);
    _uAccelY->setValue(d.uAccelY_ms2);
    _uAccelZ->setValue(d.uAccelZ_ms2);
    _uMagX->setValue(d.uMagX_G);
    _uMagY->setValue(d.uMagY_G);
    _uMagZ->setValue(d.uMagZ_G);
    _uTemp->setValue(d.temp_C);
    _uPres->setValue(d.pres_kpa);
}

AQ9IronCalibrationLog::AQ9IronCalibrationLog(AQ9* aq9) : DataLogWriter("aqHsi", 1, true), _aq9(aq9) {}

AQ9IronCalibrationLog::~AQ9IronCalibrationLog() {}

void AQ9IronCalibrationLog::setFields() {}

DeviceIF::Status AQ9::initializeLogs()
{
    if (_log == nullptr)
        _log = new AQ9Log(this, 1);
    else
        Syslog::write("AQ9:: WARN - _log object already initialized");
    if (_rawMeasLog == nullptr)
        _rawMeasLog = new AQ9RawMeasLog(this, 1);
    else
        Syslog::write("AQ9:: WARN - _rawMeasLog object already initialized");
    return DeviceIF::Ok;
}
