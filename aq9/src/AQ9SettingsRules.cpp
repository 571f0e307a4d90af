#include "AQ9SettingsRules.h"

#include <string.h>

bool AQ9Settings_pollingRateValid(int64_t hz)
{
    return hz >= kAQ9MinPollingRate && hz <= kAQ9MaxPollingRate;
}

bool AQ9Settings_isMagCalibrationKey(const char* key)
{
    return strcmp(key, "LoadNewHSICalibration") == 0 || strcmp(key, "SaveNewHSICalibration") == 0 ||
           strncmp(key, "Mag_C", 5) == 0 || strncmp(key, "Mag_B", 5) == 0;
}

bool AQ9Settings_replacesStoredMagCalibration(bool fileNamesMagCalibration, const aq9Settings& s)
{
    return !fileNamesMagCalibration && s.loadNewHSICalFromCfgFile && s.saveNewHSICalFromCfgFileToEEPROM;
}

// Written so that NaN fails every comparison and is refused.
bool AQ9Settings_sitePositionValid(double lat, double lon)
{
    return lat >= kAQ9MinLatitude && lat <= kAQ9MaxLatitude && lon >= kAQ9MinLongitude && lon <= kAQ9MaxLongitude;
}

bool AQ9Settings_decimalYearValid(double year)
{
    return year >= kAQ9MinDecimalYear && year <= kAQ9MaxDecimalYear;
}
