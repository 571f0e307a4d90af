#include "MissionExample.h"

#include <string.h>

#include <algorithm>

#include "MissionAttributes.h"

namespace {

const char kHeader[] =
    "# AQ-9 mission configuration: an example to copy and edit (made by \"aq9cfg example\").\n"
    "#\n"
    "# One \"Key = value;\" per line; white space around the tokens does not matter.\n"
    "# Blank lines and lines starting with %, # or // are skipped, and so is such a\n"
    "# comment after the \";\". A key the file does not name keeps the default shown\n"
    "# here, so a mission file needs only the keys it changes. A file with any line\n"
    "# the driver cannot read is refused whole, and the driver does not start.\n"
    "#\n"
    "# Every key is listed below at its default, except that this file keeps the\n"
    "# magnetometer calibration stored in the sensor (see LoadNewHSICalibration).\n"
    "# Check a file before a dive with \"aq9cfg check FILE\"; \"aq9cfg keys\" lists\n"
    "# every key with its kind, default and description.\n";

// A note opening each group of keys, placed before the key it names.
struct Note
{
    const char* key;
    const char* text;
};

const Note kNotes[] = {
    {"ahrsRate",
     "Polling rates of the attitude record and of the raw-measurement record, in Hz.\n"
     "The driver refuses to start with a rate outside 1 to 1000."},
    {"hsiLogInterval_sec", "Period of the onboard estimator's calibration log, in seconds."},
    {"WriteHSIToEEPROM",
     "Calibration runs (aq9cmd start-cal, then finish-cal): whether a run's result\n"
     "is also saved in the sensor's EEPROM, beyond being loaded for this mission."},
    {"LoadNewHSICalibration",
     "The magnetometer calibration. With LoadNewHSICalibration = true the Mag_C and\n"
     "Mag_B values at the end of this file are sent to the sensor at start-up, and\n"
     "with SaveNewHSICalibration = true also saved to its EEPROM, replacing the\n"
     "calibration stored there. A file that names none of these keys does exactly\n"
     "that with the identity defaults, which wipes a calibration made at sea; this\n"
     "example keeps the stored one instead. To carry a calibration in the file, set\n"
     "both to true and paste the Mag_C/Mag_B lines of a calibration report below."},
    {"Use_HSI_MODE_3D",
     "3D calibration needs the vehicle turned through many attitudes; 2D (false)\n"
     "needs only level turns, but then corrects the horizontal field alone."},
    {"HSIMode",
     "The sensor's onboard hard/soft-iron estimator. HSIMode: 0 off, 1 run, 2 reset.\n"
     "HSIOutput: 1 ignores its solution, 3 applies it. These fields are one byte:\n"
     "a value outside 0-255 keeps only its low byte (257 becomes 1)."},
    {"Rot00",
     "Mounting: the rotation from the sensor's axes to the vehicle's, row by row.\n"
     "It must be a rotation (rows of unit length at right angles, determinant +1).\n"
     "Start-up writes it to the sensor's EEPROM and then waits ten minutes for the\n"
     "sensor before resetting it. The default is a half turn about Z: the sensor's\n"
     "X and Y axes point against the vehicle's."},
    {"AFEBasic_Enable", "The attitude filter's basic controls (one byte each)."},
    {"AFEMag_BaseTuningX", "Attitude filter tuning of the magnetometer and the accelerometer."},
    {"GyroStartupBiasEst_X", "The filter's start-up bias estimates."},
    {"AFEGyro_VAngularWalkX", "Attitude filter tuning of the gyroscope."},
    {"Gyro_C00",
     "Gyroscope and accelerometer compensation: measurement = C * (raw - B),\n"
     "C row by row. The identity and zero change nothing."},
    {"Mag_C00",
     "Magnetometer compensation: soft iron C (row by row) and hard iron B. Used only\n"
     "with LoadNewHSICalibration = true (see above)."},
};

// Values this example sets apart from the defaults.
const Note kValues[] = {
    {"LoadNewHSICalibration", "false"},
    {"SaveNewHSICalibration", "false"},
};

const char* lookup(const Note* notes, size_t n, const char* key)
{
    for (size_t i = 0; i < n; i++)
        if (strcmp(notes[i].key, key) == 0)
            return notes[i].text;
    return nullptr;
}

// Each line of a note as a comment, after a blank line.
void appendNote(std::string& out, const char* text)
{
    out += "\n";
    const char* p = text;
    while (*p != '\0')
    {
        const char* end = strchr(p, '\n');
        size_t len = end != nullptr ? static_cast<size_t>(end - p) : strlen(p);
        out += "# " + std::string(p, len) + "\n";
        p += len + (end != nullptr ? 1 : 0);
    }
}

// "Key = value;", aligned, with the description after it where it says more than the key.
void appendEntry(std::string& out, Attribute* a, const char* value, int keyWidth)
{
    std::string line = a->name();
    line.append(static_cast<size_t>(keyWidth) - line.size(), ' ');
    line += " = " + std::string(value) + ";";
    if (strcmp(a->description(), a->name()) != 0)
    {
        line.append(line.size() < static_cast<size_t>(keyWidth) + 12 ? keyWidth + 12 - line.size() : 1, ' ');
        line += std::string("# ") + a->description();
    }
    out += line + "\n";
}

}  // namespace

std::string MissionExample_text()
{
    MissionAttributes attributes;
    DynamicArray<Attribute*>& list = attributes.set.list;
    int keyWidth = 0;
    for (int i = 0; i < list.size(); i++)
        keyWidth = std::max(keyWidth, static_cast<int>(strlen(list.array[i]->name())));
    std::string out = kHeader;
    for (int i = 0; i < list.size(); i++)
    {
        Attribute* a = list.array[i];
        const char* note = lookup(kNotes, sizeof kNotes / sizeof kNotes[0], a->name());
        if (note != nullptr)
            appendNote(out, note);
        const char* value = lookup(kValues, sizeof kValues / sizeof kValues[0], a->name());
        appendEntry(out, a, value != nullptr ? value : a->valueString(), keyWidth);
    }
    return out;
}
