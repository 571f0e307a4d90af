// Bringing the sensor into the state the settings describe, at every
// initialisation: a fixed sequence that stops at the first failing step.
#include <math.h>
#include <time.h>

#include "AQ9.h"
#include "AQ9SettingsRules.h"
#include "Exception.h"
#include "Syslog.h"
#include "System.h"

namespace {

typedef AqError (AQ9Sensor::*SensorStep)();

struct Step
{
    SensorStep operation;
    const char* failure;  // the system's own texts, typos included
};

const double kRadToDeg = 57.29577951308232;

// Steps 1 to 3; the EEPROM write is followed by a ten-minute wait.
const Step kRotationSteps[] = {
    {&AQ9Sensor::disableAsyncUartAsciiOutput, "AQ9 - Error disabling UART ASCII output"},
    {&AQ9Sensor::sendInstrumentRotation, "AQ9 - Error sending Instrument Rotation parameters"},
    {&AQ9Sensor::writeSettingToEEPROM, "AQ9 - Error writing instrument rotation to EEPROM"},
};

// Steps 8 to 10.
const Step kProtocolSteps[] = {
    {&AQ9Sensor::enableCrcChecksums, "AQ9 - Error enabling CRC checksums"},
    {&AQ9Sensor::setupBinaryReg1DesiredOutputs, "AQ9 - Error setting up user binary register 1"},
    {&AQ9Sensor::setupBinaryReg2DesiredOutputs, "AQ9 - Erorr settin up user binary register 2"},
};

// Steps 13 to 23: compensation, filter tuning and identity read-back.
const Step kTuningSteps[] = {
    {&AQ9Sensor::sendAccelCompensation, "AQ9 - Error sending Accelerometer Compensation parameters"},
    {&AQ9Sensor::sendGyroCompensation, "AQ9 - Error sending Gyroscope Compensation parameters"},
    {&AQ9Sensor::sendAFEGyroTuningParameters, "AQ9 - Error sending AFE Gyro parameters"},
    {&AQ9Sensor::sendAFEAccelTuningParameters, "AQ9 - Error sending AFE Accel parameters"},
    {&AQ9Sensor::sendAFEMagTuningParameters, "AQ9 - Error sending AFE Mag parameters"},
    {&AQ9Sensor::sendFilterStartupBiasParameters, "AQ9 - Error sending Filter Bias Startup Estimates"},
    {&AQ9Sensor::sendAFEBasicControlParameters, "AQ9 - Error sending AFE Basic Control Parameters"},
    {&AQ9Sensor::getModelNumber, "AQ9 - Error getting model number"},
    {&AQ9Sensor::getHardwareRevisionNumber, "AQ9 - Error getting model number"},
    {&AQ9Sensor::getSerialNumber, "AQ9 - Error getting serial number"},
    {&AQ9Sensor::getFirmwareVersion, "AQ9 - Error getting firmware version"},
};

template <size_t N>
bool runSteps(AQ9Sensor* aqs, const Step (&steps)[N])
{
    for (const Step& s : steps)
    {
        if ((aqs->*s.operation)() != E_NONE)
        {
            Syslog::write("%s", s.failure);
            return false;
        }
    }
    return true;
}

// Sends the configured compensation, or adopts the one stored in the sensor.
// fromDefaults: the configuration named no calibration key, so what is sent
// and saved is the attributes' identity default.
bool magnetometerCompensation(AQ9Sensor* aqs, bool fromDefaults)
{
    const aq9Settings& s = aqs->_settings;
    // Intended for missions that carry their calibration in the file, but
    // silent it would wipe a calibration made at sea: say so.
    if (AQ9Settings_replacesStoredMagCalibration(!fromDefaults, s))
        Syslog::write("AQ9 - WARNING: the sensor's stored magnetometer calibration is being replaced by the "
                      "configuration's defaults (identity, zero offset) and saved to EEPROM; to keep it set "
                      "\"LoadNewHSICalibration = false;\", or give the calibration as Mag_C00..Mag_C22 and "
                      "Mag_B0..Mag_B2");
    if (s.loadNewHSICalFromCfgFile)
    {
        if (aqs->sendMagCompensation() != E_NONE)
        {
            Syslog::write("AQ9 - Error sending Magnetometer Compensation parameters");
            return false;
        }
        Syslog::write("AQ9 - Loaded mag comp parameters from cfg file to sensor.");
    }
    else
    {
        if (aqs->getUserHSICalibration() != E_NONE)
        {
            Syslog::write("AQ9 - Error getting Magnetometer Compensation parameters from sensor");
            return false;
        }
        Syslog::write("AQ9 - Using mag comp parameters from EEPROM.");
    }
    if (s.saveNewHSICalFromCfgFileToEEPROM && s.loadNewHSICalFromCfgFile)
    {
        if (aqs->writeSettingToEEPROM() != E_NONE)
        {
            Syslog::write("AQ9 - Error writing Magnetometer Compensation to EEPROM");
            return false;
        }
        Syslog::write("AQ9 - Wrote mag comp parameters to sensor EEPROM.");
        System::milliSleep(600);
    }
    return true;
}

bool isLeapYear(int yr)
{
    return (yr % 4 == 0 && yr % 100 != 0) || yr % 400 == 0;
}

// The decimal year of today's local date.
float currentDecimalYear()
{
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    time_t seconds = now.tv_sec;
    struct tm local = {};
    if (localtime_r(&seconds, &local) == nullptr)
        return 0;
    return decimalYearOf(local);
}

// Degrees of longitude brought into -180...180.
double wrappedLongitude(double lngRad)
{
    double deg = fmod(lngRad * kRadToDeg, 360.0);
    if (deg > 180.0)
        deg -= 360.0;
    else if (deg < -180.0)
        deg += 360.0;
    return deg;
}

}  // namespace

float decimalYearOf(const struct tm& t)
{
    int yr = t.tm_year + 1900;
    float whole = static_cast<float>(yr);
    float fraction = static_cast<float>(t.tm_yday) / static_cast<float>(isLeapYear(yr) ? 366 : 365);
    return static_cast<float>(static_cast<double>(whole) + static_cast<double>(fraction));
}

DeviceIF::Status AQ9::sendSettingsToSensor()
{
    aq9Settings& s = _aqs->_settings;
    if (!runSteps(_aqs, kRotationSteps))
        return DeviceIF::Error;
    // Ten minutes: the sensor needs this long after saving before a reset.
    System::milliSleep(600000);
    if (_aqs->resetDevice() != E_NONE)
    {
        Syslog::write("AQ9 - Error resetting after writing instrument rotation to EEPROM");
        return DeviceIF::Error;
    }
    System::milliSleep(1000);
    if (_aqs->sendKnownMagDisturbanceCmd(0) != E_NONE)
    {
        Syslog::write("AQ9 - Error setting knownMagDisturbance to False.");
        return DeviceIF::Error;
    }
    if (!runSteps(_aqs, kProtocolSteps))
        return DeviceIF::Error;
    if (_aqs->sendHSISettings(s.HSIMode, s.HSIOutput, s.HSIConvergeRate) != E_NONE)
    {
        Syslog::write("AQ9 - Error sending HSI Settings to unit");
        return DeviceIF::Error;
    }
    if (!magnetometerCompensation(_aqs, _magCalFromDefaults) || !runSteps(_aqs, kTuningSteps))
        return DeviceIF::Error;
    if (sendReferenceVectorConfig() != E_NONE)
    {
        Syslog::write("AQ9 - Error sending lat/long for reference vector computatoin");
        return DeviceIF::Error;
    }
    if (_aqs->getMagGravRefVectors() != E_NONE)
    {
        Syslog::write("AQ9 - Error getting reference vectors from unit.");
        return DeviceIF::Error;
    }
    _gVector = _aqs->_gravRefVector;
    return DeviceIF::Ok;
}

AqError AQ9::sendReferenceVectorConfig()
{
    _decimalYear = currentDecimalYear();
    try
    {
        // One client at a time: the one from an earlier call is released first.
        delete _navIF;
        _navIF = nullptr;
        _navIF = new NavigationIF("navigation");
        double lat = 0, lng = 0, depth = 0, alt = 0;
        // A failed query leaves lat and lng as they were: 0, 0 is no fix.
        const bool answered = _navIF->location(&lat, &lng, &depth, &alt) >= 0;
        if (answered && isfinite(lat) && isfinite(lng * kRadToDeg))
        {
            _siteLong = static_cast<float>(wrappedLongitude(lng));
            _siteLat = static_cast<float>(asin(sin(lat)) * kRadToDeg);
        }
        else
        {
            Syslog::write("AQ9 - navigation position not usable; keeping lat/long %f,%f", _siteLat, _siteLong);
        }
        Syslog::write("AQ9 - magnetic declination %.2f deg", _navIF->magneticVariation());
    }
    catch (Exception& e)
    {
        _siteLat = kDefaultSiteLat;
        _siteLong = kDefaultSiteLong;
        Syslog::write("AQ9 - Navigation server exception: %.*s.\n Using default lat/long: %f,%f",
                      static_cast<int>(sizeof e.msg), e.msg, _siteLat, _siteLong);
    }
    catch (...)
    {
        Syslog::write("AQ9 - failed on instantiation of NavigationIF");
    }
    return _aqs->configureReferenceVectors(_siteLat, _siteLong, true, true, _decimalYear);
}
