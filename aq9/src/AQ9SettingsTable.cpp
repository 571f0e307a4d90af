#include "AQ9SettingsTable.h"

#include <float.h>
#include <math.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include <type_traits>

#include "AttributeKinds.h"
#include "Exception.h"

// Integer attributes bind a long; the rate fields are 64-bit, which a long is on
// the hosts this driver is built for.
static_assert(sizeof(long) == sizeof(int64_t) && std::is_same<long, int64_t>::value,
              "Integer attributes bind the 64-bit rate fields as long");
static_assert(offsetof(v9d, c) == 0 && offsetof(v3d, c) == 0, "vector settings start with their elements");

namespace {

// Offset of a field, checked at compile time to have the type the kind binds.
template <class Want, class Have>
constexpr size_t checked(size_t offset)
{
    static_assert(std::is_same<Want, Have>::value, "attribute kind does not match its field");
    return offset;
}
#define LONG_AT(f) checked<int64_t, decltype(aq9Settings::f)>(offsetof(aq9Settings, f))
#define BYTE_AT(f) checked<uint8_t, decltype(aq9Settings::f)>(offsetof(aq9Settings, f))
#define BOOL_AT(f) checked<Boolean, decltype(aq9Settings::f)>(offsetof(aq9Settings, f))
#define V9D_AT(f) checked<v9d, decltype(aq9Settings::f)>(offsetof(aq9Settings, f))
#define V3D_AT(f) checked<v3d, decltype(aq9Settings::f)>(offsetof(aq9Settings, f))
// Kind and field together, so a row cannot pair a kind with a field of another type.
#define LONG_FIELD(f) AQ9SETTING_LONG, LONG_AT(f)
#define BYTE_FIELD(f) AQ9SETTING_BYTE, BYTE_AT(f)
#define BOOL_FIELD(f) AQ9SETTING_BOOL, BOOL_AT(f)
#define V9D_FIELD(f) AQ9SETTING_DOUBLE, V9D_AT(f)
#define V3D_FIELD(f) AQ9SETTING_DOUBLE, V3D_AT(f)

const char* const kMatrix[] = {"00", "01", "02", "10", "11", "12", "20", "21", "22"};
const char* const kVector[] = {"0", "1", "2"};
const char* const kAxis[] = {"X", "Y", "Z"};
const char* const kTuning[] = {"BaseTuningX",     "BaseTuningY",     "BaseTuningZ",
                               "AdaptiveTuningX", "AdaptiveTuningY", "AdaptiveTuningZ",
                               "AdaptiveFilteringX", "AdaptiveFilteringY", "AdaptiveFilteringZ"};
const char* const kGyroTuning[] = {"VAngularWalkX",   "VAngularWalkY",   "VAngularWalkZ",
                                   "BaseTuningX",     "BaseTuningY",     "BaseTuningZ",
                                   "AdaptiveTuningX", "AdaptiveTuningY", "AdaptiveTuningZ"};

// One single attribute (no suffixes) or one family: the keys are the prefix
// followed by each suffix, bound to consecutive elements from the offset.
struct SettingGroup
{
    const char* prefix;
    const char* const* suffixes;  // null for a single attribute
    int count;
    // Null: the description is the key. For a family it is followed by the suffix.
    const char* description;
    AQ9SettingKind kind;
    size_t offset;
    double defaults[9];
};

#define IDENTITY {1, 0, 0, 0, 1, 0, 0, 0, 1}

// Registration order. Attribute defaults are their own set of values: they
// differ from the record defaults for HSIMode, HSIOutput, the accelerometer's
// adaptive filtering and the three Booleans the record leaves false.
const SettingGroup kGroups[] = {
    {"ahrsRate", nullptr, 1, "Async Rate", LONG_FIELD(ahrsRate), {10}},
    {"rawMeasRate", nullptr, 1, "Raw Measurement Rate", LONG_FIELD(rawMeasRate), {10}},
    {"hsiLogInterval_sec", nullptr, 1, "Hard/Soft Iron Calibration Log Interval",
     LONG_FIELD(hsiLogInterval_sec), {30}},
    {"WriteHSIToEEPROM", nullptr, 1, "Write Newly Computed HSI Calibration to EEPROM",
     BOOL_FIELD(saveHSIonExit), {0}},
    {"LoadNewHSICalibration", nullptr, 1, "Load the Hard/Soft Iron calibration from the .cfg file",
     BOOL_FIELD(loadNewHSICalFromCfgFile), {1}},
    {"SaveNewHSICalibration", nullptr, 1,
     "Write the Hard/Soft Iron calibration from the .cfg file to EEPROM", BOOL_FIELD(saveNewHSICalFromCfgFileToEEPROM),
     {1}},
    {"Use_HSI_MODE_3D", nullptr, 1, "Use 3D mode for HSI calibration. If false, use 2D.",
     BOOL_FIELD(HSICalibrationMode3D), {1}},
    {"HSIMode", nullptr, 1, nullptr, BYTE_FIELD(HSIMode), {0}},
    {"HSIOutput", nullptr, 1, nullptr, BYTE_FIELD(HSIOutput), {1}},
    {"HSIConvergeRate", nullptr, 1, nullptr, BYTE_FIELD(HSIConvergeRate), {5}},
    {"Rot", kMatrix, 9, "R element ", V9D_FIELD(Rot), {-1, 0, 0, 0, -1, 0, 0, 0, 1}},
    {"AFEBasic_Enable", nullptr, 1, nullptr, BYTE_FIELD(AFEBasic_Enable), {1}},
    {"AFEBasic_HeadingMode", nullptr, 1, nullptr, BYTE_FIELD(AFEBasic_HeadingMode), {1}},
    {"AFEBasic_FilteringMode", nullptr, 1, nullptr, BYTE_FIELD(AFEBasic_FilteringMode), {1}},
    {"AFEBasic_TuningMode", nullptr, 1, nullptr, BYTE_FIELD(AFEBasic_TuningMode), {1}},
    {"AFEMag_", kTuning, 9, nullptr, V9D_FIELD(AFEMagTuning), {4, 4, 4, 5, 5, 5, 5.5, 5.5, 5.5}},
    {"AFEAccel_", kTuning, 9, nullptr, V9D_FIELD(AFEAccelTuning), {6, 6, 6, 3, 3, 3, 5, 5, 5}},
    {"GyroStartupBiasEst_", kAxis, 3, nullptr, V3D_FIELD(GyroStartupBias), {0, 0, 0}},
    {"AccelStartupBiasEst_", kAxis, 3, nullptr, V3D_FIELD(AccelStartupBias), {0, 0, 0}},
    {"AFEGyro_", kGyroTuning, 9, nullptr, V9D_FIELD(AFEGyroTuning), {8, 8, 8, 4, 4, 4, 0, 0, 0}},
    {"Gyro_C", kMatrix, 9, nullptr, V9D_FIELD(GyroCompC), IDENTITY},
    {"Gyro_B", kVector, 3, nullptr, V3D_FIELD(GyroCompB), {0, 0, 0}},
    {"Accel_C", kMatrix, 9, nullptr, V9D_FIELD(AccelCompC), IDENTITY},
    {"Accel_B", kVector, 3, nullptr, V3D_FIELD(AccelCompB), {0, 0, 0}},
    {"Mag_C", kMatrix, 9, nullptr, V9D_FIELD(MagCompC), IDENTITY},
    {"Mag_B", kVector, 3, nullptr, V3D_FIELD(MagCompB), {0, 0, 0}},
};

// Every double of the settings reaches the sensor as a 32-bit float (matrices,
// offsets, tuning and biases alike). A value finite as a double but beyond the
// float range would be sent as "inf", so it is refused like a value that is
// not a number: the field keeps what it held and the reader names the line.
class SensorFloatAttribute : public FloatAttribute
{
  public:
    SensorFloatAttribute(const char* name, const char* description, double* field, double defaultValue)
        : FloatAttribute(name, description, field, defaultValue), _field(field)
    {
    }
    void setValue(const char* stringRep) override
    {
        const double before = *_field;
        FloatAttribute::setValue(stringRep);
        if (fabs(*_field) > FLT_MAX)
        {
            *_field = before;
            throw Exception("number beyond the float range");
        }
    }

  private:
    double* _field;
};

Attribute* makeAttribute(AQ9SettingKind kind, const char* key, const char* description, char* field, double def)
{
    switch (kind)
    {
    case AQ9SETTING_LONG:
        return new IntegerAttribute(key, description, reinterpret_cast<long*>(field), static_cast<long>(def));
    case AQ9SETTING_BYTE:
        return new IntegerAttribute(key, description, reinterpret_cast<uint8_t*>(field), static_cast<long>(def));
    case AQ9SETTING_BOOL:
        return new BooleanAttribute(key, description, reinterpret_cast<Boolean*>(field), def != 0 ? 1 : 0);
    case AQ9SETTING_DOUBLE:
    default:
        return new SensorFloatAttribute(key, description, reinterpret_cast<double*>(field), def);
    }
}

// The key of element i of a group.
void keyOf(const SettingGroup& g, int i, char* key, size_t size)
{
    snprintf(key, size, "%s%s", g.prefix, g.suffixes != nullptr ? g.suffixes[i] : "");
}

void addGroup(Attributes& attrib, char* base, const SettingGroup& g)
{
    for (int i = 0; i < g.count; i++)
    {
        const char* suffix = g.suffixes != nullptr ? g.suffixes[i] : "";
        char key[64];
        char description[96];
        keyOf(g, i, key, sizeof key);
        if (g.description != nullptr)
            snprintf(description, sizeof description, "%s%s", g.description, g.suffixes != nullptr ? suffix : "");
        else
            snprintf(description, sizeof description, "%s", key);
        // Family elements are doubles, one after the other.
        char* field = base + g.offset + static_cast<size_t>(i) * sizeof(double);
        attrib.add(makeAttribute(g.kind, key, description, field, g.defaults[i]));
    }
}

}  // namespace

int AQ9SettingsTable_count()
{
    int n = 0;
    for (const SettingGroup& g : kGroups)
        n += g.count;
    return n;
}

void AQ9SettingsTable_addAttributes(Attributes& attrib, aq9Settings& settings)
{
    char* base = reinterpret_cast<char*>(&settings);
    for (const SettingGroup& g : kGroups)
        addGroup(attrib, base, g);
}

bool AQ9SettingsTable_kindOf(const char* key, AQ9SettingKind* kind)
{
    for (const SettingGroup& g : kGroups)
    {
        for (int i = 0; i < g.count; i++)
        {
            char k[64];
            keyOf(g, i, k, sizeof k);
            if (strcmp(k, key) == 0)
            {
                *kind = g.kind;
                return true;
            }
        }
    }
    return false;
}
