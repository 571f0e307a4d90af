// Loading the mission configuration into the settings: the file named at
// construction is read into name/value pairs, the attribute set converts and
// stores them, and the set is released afterwards (its attributes point into
// the settings record and are not needed once the values are in place).
#include "AQ9.h"
#include "AQ9SettingsRules.h"
#include "ConfigFileReader.h"
#include "Syslog.h"

namespace {

// A key given twice is legal (the later line wins) but usually a slip, for
// example a calibration report pasted below an older one; say so.
void warnDuplicates(const ConfigFileReport& report)
{
    for (const ConfigRepeat& r : report.repeats)
        Syslog::write("AQ9 - config file \"%s\" line %d repeats \"%s\" of line %d; the later value is used",
                      report.path.c_str(), r.line, r.key.c_str(), r.firstLine);
}

// Applies every pair in file order; each rejected one is named with its line.
bool applyInputs(Attributes& attributes, AttributeInputList& inputs, const ConfigFileReport& report)
{
    bool ok = true;
    for (int i = 0; i < inputs.size(); i++)
    {
        if (attributes.parse(inputs.array[i]) != 0)
        {
            Syslog::write("AQ9 - config file \"%s\" line %d: \"%s\" rejected", report.path.c_str(),
                          report.entryLines[static_cast<size_t>(i)], inputs.array[i]->name);
            ok = false;
        }
    }
    return ok;
}

// Whether the file says anything about the magnetometer calibration.
bool namesMagCalibration(AttributeInputList& inputs)
{
    for (int i = 0; i < inputs.size(); i++)
        if (AQ9Settings_isMagCalibrationKey(inputs.array[i]->name))
            return true;
    return false;
}

DeviceIF::Status loadConfiguration(Attributes* attributes, const char* fileName, Boolean* magCalFromDefaults)
{
    if (attributes == nullptr)
    {
        Syslog::write("AQ9 - no attribute set to load the config file into");
        return DeviceIF::Error;
    }
    AttributeInputList inputs(10);
    ConfigFileReport report;
    ConfigFileStatus st = ConfigFile_read(fileName, &inputs, &report);
    DeviceIF::Status result = DeviceIF::Error;
    if (st == CONFIGFILE_NOT_FOUND)
        Syslog::write("AQ9 - config file \"%s\" not found (also tried \"%s.cfg\")", fileName ? fileName : "",
                      fileName ? fileName : "");
    else if (st == CONFIGFILE_READ_ERROR)
        Syslog::write("AQ9 - error reading config file \"%s\"", report.path.c_str());
    else if (st == CONFIGFILE_MALFORMED)
    {
        for (int line : report.malformedLines)
            Syslog::write("AQ9 - config file \"%s\" line %d malformed, expected \"Key = value;\"",
                          report.path.c_str(), line);
    }
    else
    {
        warnDuplicates(report);
        *magCalFromDefaults = !namesMagCalibration(inputs);
        bool parsed = applyInputs(*attributes, inputs, report);
        bool verified = attributes->verify() == 0;
        if (parsed && verified)
        {
            Syslog::write("AQ9 - loaded %d entries from config file \"%s\"", inputs.size(), report.path.c_str());
            result = DeviceIF::Ok;
        }
    }
    ConfigFile_freeInputs(&inputs);
    return result;
}

}  // namespace

// The attribute set is released whatever the outcome; initialize declares the
// attributes into a fresh set when it runs again.
DeviceIF::Status AQ9::readInConfigFile()
{
    _magCalFromDefaults = 0;
    DeviceIF::Status result = loadConfiguration(_attributes, _configFile, &_magCalFromDefaults);
    delete _attributes;
    _attributes = nullptr;
    return result;
}
