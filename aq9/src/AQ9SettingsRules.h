// What the driver makes of certain settings values, in one place so that the
// driver and the mission-file checker judge a configuration alike.
#ifndef AQ9_SETTINGS_RULES_H
#define AQ9_SETTINGS_RULES_H

#include <stdint.h>

#include "AQ9Structs.h"

// Polling rates the driver accepts, in Hz: 0 would divide by zero in the
// period, and above 1000 the period in whole milliseconds would be 0.
const int64_t kAQ9MinPollingRate = 1;
const int64_t kAQ9MaxPollingRate = 1000;
bool AQ9Settings_pollingRateValid(int64_t hz);

// Whether a configuration key speaks about the magnetometer calibration: one
// of the two flags that send and save it, or one of its Mag_C../Mag_B. values.
bool AQ9Settings_isMagCalibrationKey(const char* key);

// Whether start-up replaces the calibration stored in the sensor with the
// attributes' defaults (identity, zero offset) and saves them: the file named
// no calibration key, and the flags left at their defaults ask for both.
bool AQ9Settings_replacesStoredMagCalibration(bool fileNamesMagCalibration, const aq9Settings& s);

// Site and year the sensor's reference vectors may be computed for, in degrees
// north and east and in decimal years. The driver refuses other values from
// its command queue (NaN included), and aq9cmd refuses them before posting.
const double kAQ9MinLatitude = -90.0;
const double kAQ9MaxLatitude = 90.0;
const double kAQ9MinLongitude = -180.0;
const double kAQ9MaxLongitude = 180.0;
const double kAQ9MinDecimalYear = 1900.0;
const double kAQ9MaxDecimalYear = 2100.0;
bool AQ9Settings_sitePositionValid(double lat, double lon);
bool AQ9Settings_decimalYearValid(double year);

#endif
