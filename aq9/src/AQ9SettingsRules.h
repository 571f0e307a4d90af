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

#endif
