// The settings: record defaults, the 92 configuration attributes (key, kind,
// description, default, the one field each writes) and the typed accessors.
#include <stddef.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "AQ9SettingsTable.h"
#include "DriverFixture.h"

// CppUTest last: its allocation macros must not reach the standard headers.
#include "CppUTest/TestHarness.h"

namespace {

const char* const kInteger = "Integer";
const char* const kFloat = "Float";
const char* const kBoolean = "Boolean (\"true\" or \"false\")";

// One expected attribute: where it writes and how many bytes.
struct Expected
{
    std::string key;
    std::string description;
    const char* kind;
    double defaultValue;
    size_t offset;
    size_t size;
};

void single(std::vector<Expected>& t, const char* key, const char* description, const char* kind, double def,
            size_t offset, size_t size)
{
    t.push_back(Expected{key, description != nullptr ? description : key, kind, def, offset, size});
}

// A family of Float attributes over consecutive doubles.
void family(std::vector<Expected>& t, const std::vector<std::string>& keys, size_t offset,
            const std::vector<double>& defaults, bool rotation = false)
{
    for (size_t i = 0; i < keys.size(); i++)
    {
        std::string description = rotation ? "R element " + keys[i].substr(3) : keys[i];
        t.push_back(Expected{keys[i], description, kFloat, defaults[i], offset + i * sizeof(double), sizeof(double)});
    }
}

std::vector<std::string> withSuffixes(const std::string& prefix, const std::vector<std::string>& suffixes)
{
    std::vector<std::string> keys;
    for (const std::string& s : suffixes)
        keys.push_back(prefix + s);
    return keys;
}

const std::vector<std::string> kRC = {"00", "01", "02", "10", "11", "12", "20", "21", "22"};
const std::vector<double> kIdentity = {1, 0, 0, 0, 1, 0, 0, 0, 1};
const std::vector<double> kZero3 = {0, 0, 0};

#define AT(f) offsetof(aq9Settings, f)

// The attribute table as the configuration vocabulary defines it.
std::vector<Expected> expectedTable()
{
    std::vector<Expected> t;
    single(t, "ahrsRate", "Async Rate", kInteger, 10, AT(ahrsRate), 8);
    single(t, "rawMeasRate", "Raw Measurement Rate", kInteger, 10, AT(rawMeasRate), 8);
    single(t, "hsiLogInterval_sec", "Hard/Soft Iron Calibration Log Interval", kInteger, 30, AT(hsiLogInterval_sec), 8);
    single(t, "WriteHSIToEEPROM", "Write Newly Computed HSI Calibration to EEPROM", kBoolean, 0, AT(saveHSIonExit), 1);
    single(t, "LoadNewHSICalibration", "Load the Hard/Soft Iron calibration from the .cfg file", kBoolean, 1,
           AT(loadNewHSICalFromCfgFile), 1);
    single(t, "SaveNewHSICalibration", "Write the Hard/Soft Iron calibration from the .cfg file to EEPROM", kBoolean,
           1, AT(saveNewHSICalFromCfgFileToEEPROM), 1);
    single(t, "Use_HSI_MODE_3D", "Use 3D mode for HSI calibration. If false, use 2D.", kBoolean, 1,
           AT(HSICalibrationMode3D), 1);
    single(t, "HSIMode", nullptr, kInteger, 0, AT(HSIMode), 1);
    single(t, "HSIOutput", nullptr, kInteger, 1, AT(HSIOutput), 1);
    single(t, "HSIConvergeRate", nullptr, kInteger, 5, AT(HSIConvergeRate), 1);
    family(t, withSuffixes("Rot", kRC), AT(Rot), {-1, 0, 0, 0, -1, 0, 0, 0, 1}, true);
    single(t, "AFEBasic_Enable", nullptr, kInteger, 1, AT(AFEBasic_Enable), 1);
    single(t, "AFEBasic_HeadingMode", nullptr, kInteger, 1, AT(AFEBasic_HeadingMode), 1);
    single(t, "AFEBasic_FilteringMode", nullptr, kInteger, 1, AT(AFEBasic_FilteringMode), 1);
    single(t, "AFEBasic_TuningMode", nullptr, kInteger, 1, AT(AFEBasic_TuningMode), 1);
    family(t,
           {"AFEMag_BaseTuningX", "AFEMag_BaseTuningY", "AFEMag_BaseTuningZ", "AFEMag_AdaptiveTuningX",
            "AFEMag_AdaptiveTuningY", "AFEMag_AdaptiveTuningZ", "AFEMag_AdaptiveFilteringX",
            "AFEMag_AdaptiveFilteringY", "AFEMag_AdaptiveFilteringZ"},
           AT(AFEMagTuning), {4, 4, 4, 5, 5, 5, 5.5, 5.5, 5.5});
    family(t,
           {"AFEAccel_BaseTuningX", "AFEAccel_BaseTuningY", "AFEAccel_BaseTuningZ", "AFEAccel_AdaptiveTuningX",
            "AFEAccel_AdaptiveTuningY", "AFEAccel_AdaptiveTuningZ", "AFEAccel_AdaptiveFilteringX",
            "AFEAccel_AdaptiveFilteringY", "AFEAccel_AdaptiveFilteringZ"},
           AT(AFEAccelTuning), {6, 6, 6, 3, 3, 3, 5, 5, 5});
    family(t, {"GyroStartupBiasEst_X", "GyroStartupBiasEst_Y", "GyroStartupBiasEst_Z"}, AT(GyroStartupBias), kZero3);
    family(t, {"AccelStartupBiasEst_X", "AccelStartupBiasEst_Y", "AccelStartupBiasEst_Z"}, AT(AccelStartupBias),
           kZero3);
    family(t,
           {"AFEGyro_VAngularWalkX", "AFEGyro_VAngularWalkY", "AFEGyro_VAngularWalkZ", "AFEGyro_BaseTuningX",
            "AFEGyro_BaseTuningY", "AFEGyro_BaseTuningZ", "AFEGyro_AdaptiveTuningX", "AFEGyro_AdaptiveTuningY",
            "AFEGyro_AdaptiveTuningZ"},
           AT(AFEGyroTuning), {8, 8, 8, 4, 4, 4, 0, 0, 0});
    family(t, withSuffixes("Gyro_C", kRC), AT(GyroCompC), kIdentity);
    family(t, {"Gyro_B0", "Gyro_B1", "Gyro_B2"}, AT(GyroCompB), kZero3);
    family(t, withSuffixes("Accel_C", kRC), AT(AccelCompC), kIdentity);
    family(t, {"Accel_B0", "Accel_B1", "Accel_B2"}, AT(AccelCompB), kZero3);
    family(t, withSuffixes("Mag_C", kRC), AT(MagCompC), kIdentity);
    family(t, {"Mag_B0", "Mag_B1", "Mag_B2"}, AT(MagCompB), kZero3);
    return t;
}

// The value of the field an attribute binds, read as its kind.
double fieldValue(const aq9Settings& s, const Expected& e)
{
    const char* p = reinterpret_cast<const char*>(&s) + e.offset;
    if (e.size == 8 && e.kind == kInteger)
        return static_cast<double>(*reinterpret_cast<const int64_t*>(p));
    if (e.size == 8)
        return *reinterpret_cast<const double*>(p);
    return *reinterpret_cast<const uint8_t*>(p);
}

// A value of the attribute's kind that differs from its default and from the fill pattern.
const char* otherValue(const Expected& e)
{
    if (e.kind == kBoolean)
        return e.defaultValue != 0 ? "false" : "true";
    return e.kind == kInteger ? "2" : "7.25";
}

int parse(Attributes& set, const std::string& key, const char* value)
{
    Attribute::Input in(key.c_str(), value);
    return set.parse(&in);
}

v9d v9(const std::vector<double>& e)
{
    v9d v;
    for (int i = 0; i < 9; i++)
        v.c[i] = e[static_cast<size_t>(i)];
    return v;
}

// The record defaults, field by field; the three configuration-only Booleans stay zero.
aq9Settings recordDefaults()
{
    aq9Settings s;
    memset(&s, 0, sizeof s);
    s.ahrsRate = 10;
    s.rawMeasRate = 10;
    s.hsiLogInterval_sec = 30;
    s.ADOR = 14;
    s.HSIMode = 1;
    s.HSIOutput = 3;
    s.HSIConvergeRate = 5;
    s.Rot = v9({-1, 0, 0, 0, -1, 0, 0, 0, 1});
    s.AFEBasic_Enable = s.AFEBasic_HeadingMode = s.AFEBasic_FilteringMode = s.AFEBasic_TuningMode = 1;
    s.AFEMagTuning = v9({4, 4, 4, 5, 5, 5, 5.5, 5.5, 5.5});
    s.AFEAccelTuning = v9({6, 6, 6, 3, 3, 3, 5.5, 5.5, 5.5});
    s.AFEGyroTuning = v9({8, 8, 8, 4, 4, 4, 0, 0, 0});
    s.GyroCompC = s.AccelCompC = s.MagCompC = v9(kIdentity);
    return s;
}

}  // namespace

TEST_GROUP(AQ9SettingsTable)
{
    aq9Settings settings;
    Attributes* set;
    std::vector<Expected> table;

    void setup()
    {
        fw::reset();
        memset(&settings, 0, sizeof settings);
        set = new Attributes("AQ9");
        AQ9SettingsTable_addAttributes(*set, settings);
        table = expectedTable();
    }
    void teardown()
    {
        delete set;
        fw::reset();
    }
};

TEST(AQ9SettingsTable, every_key_in_order_with_its_kind_description_and_default_in_its_field)
{
    LONGS_EQUAL(92, (int)table.size());
    LONGS_EQUAL(92, set->list.size());
    LONGS_EQUAL(92, AQ9SettingsTable_count());
    for (size_t i = 0; i < table.size(); i++)
    {
        const Expected& e = table[i];
        Attribute* a = set->list.array[i];
        std::string label = "#" + std::to_string(i + 1) + " " + e.key;
        STRCMP_EQUAL_TEXT(e.key.c_str(), a->name(), label.c_str());
        STRCMP_EQUAL_TEXT(e.description.c_str(), a->description(), label.c_str());
        STRCMP_EQUAL_TEXT(e.kind, a->typeMnem(), label.c_str());
        CHECK_TEXT(a->hasDefault(), label.c_str());
        DOUBLES_EQUAL_TEXT(e.defaultValue, fieldValue(settings, e), 0, label.c_str());
        if (e.kind == kBoolean)
            STRCMP_EQUAL_TEXT(e.defaultValue != 0 ? "true" : "false", a->valueString(), label.c_str());
        else
            DOUBLES_EQUAL_TEXT(e.defaultValue, strtod(a->valueString(), nullptr), 0, label.c_str());
    }
}

TEST(AQ9SettingsTable, setting_a_key_changes_exactly_its_field)
{
    for (const Expected& e : table)
    {
        // A fill pattern shows any byte written outside the field.
        memset(&settings, 0x5A, sizeof settings);
        aq9Settings before = settings;
        LONGS_EQUAL_TEXT(0, parse(*set, e.key, otherValue(e)), e.key.c_str());

        const unsigned char* a = reinterpret_cast<const unsigned char*>(&before);
        const unsigned char* b = reinterpret_cast<const unsigned char*>(&settings);
        for (size_t k = 0; k < sizeof settings; k++)
            if (k < e.offset || k >= e.offset + e.size)
                CHECK_TEXT(a[k] == b[k], (e.key + " wrote byte " + std::to_string(k)).c_str());
        double want = e.kind == kBoolean ? (e.defaultValue != 0 ? 0 : 1) : strtod(otherValue(e), nullptr);
        DOUBLES_EQUAL_TEXT(want, fieldValue(settings, e), 0, e.key.c_str());
    }
}

TEST_GROUP(AQ9Settings)
{
    DriverFixture* f;
    void setup() { f = new DriverFixture(); }
    void teardown()
    {
        delete f;
        // The recorder's lines and blocks were allocated during the test.
        fw::reset();
    }
    aq9Settings& settings() { return f->sensor->_settings; }
};

TEST(AQ9Settings, defaults_reset_every_field_but_the_three_configuration_booleans)
{
    memset(&settings(), 0x33, sizeof(aq9Settings));
    settings().loadNewHSICalFromCfgFile = 1;
    settings().saveNewHSICalFromCfgFileToEEPROM = 0;
    settings().HSICalibrationMode3D = 7;
    f->aq9->initializeDefaultSettingsStruct();

    aq9Settings want = recordDefaults();
    want.loadNewHSICalFromCfgFile = 1;
    want.saveNewHSICalFromCfgFileToEEPROM = 0;
    want.HSICalibrationMode3D = 7;
    // Padding keeps the fill pattern; compare field by field through the attribute table.
    for (const Expected& e : expectedTable())
        DOUBLES_EQUAL_TEXT(fieldValue(want, e), fieldValue(settings(), e), 0, e.key.c_str());
    LONGS_EQUAL(14, f->aq9->AsyncRegister());
}

TEST(AQ9Settings, attribute_defaults_differ_from_the_record_in_exactly_five_places)
{
    memset(&settings(), 0, sizeof(aq9Settings));
    f->aq9->initializeDefaultSettingsStruct();
    aq9Settings record = settings();
    LONGS_EQUAL(DeviceIF::Ok, f->aq9->populateAttributes(*f->aq9->attributes()));

    // Each difference: key prefix, record value, attribute value.
    const struct
    {
        const char* key;
        double record;
        double attribute;
    } diffs[] = {{"HSIMode", 1, 0},
                 {"HSIOutput", 3, 1},
                 {"AFEAccel_AdaptiveFiltering", 5.5, 5},
                 {"LoadNewHSICalibration", 0, 1},
                 {"SaveNewHSICalibration", 0, 1},
                 {"Use_HSI_MODE_3D", 0, 1}};
    int differing = 0;
    for (const Expected& e : expectedTable())
    {
        double was = fieldValue(record, e);
        double now = fieldValue(settings(), e);
        bool listed = false;
        for (const auto& d : diffs)
            if (e.key.compare(0, strlen(d.key), d.key) == 0)
            {
                listed = true;
                DOUBLES_EQUAL_TEXT(d.record, was, 0, e.key.c_str());
                DOUBLES_EQUAL_TEXT(d.attribute, now, 0, e.key.c_str());
            }
        if (!listed)
            DOUBLES_EQUAL_TEXT(was, now, 0, e.key.c_str());
        differing += was != now ? 1 : 0;
    }
    LONGS_EQUAL(8, differing);
    LONGS_EQUAL(92, f->aq9->attributes()->list.size());
    STRCMP_EQUAL("ahrsRate", f->aq9->attributes()->list.array[0]->name());
    STRCMP_EQUAL("Mag_B2", f->aq9->attributes()->list.array[91]->name());
}

TEST(AQ9Settings, attributes_write_the_settings_record_of_the_link)
{
    f->aq9->populateAttributes(*f->aq9->attributes());
    Attribute::Input in("Mag_B2", "0.5");
    LONGS_EQUAL(0, f->aq9->attributes()->parse(&in));
    DOUBLES_EQUAL(0.5, f->aq9->MagCompB().c[2], 0);
    Attribute::Input mode("HSIMode", "2");
    LONGS_EQUAL(0, f->aq9->attributes()->parse(&mode));
    LONGS_EQUAL(2, f->aq9->HSIMode());
    LONGS_EQUAL(1, f->aq9->HSIOutput());
    LONGS_EQUAL(5, f->aq9->HSIConvergeRate());
}

TEST(AQ9Settings, rates_take_32_bit_values_unchanged_and_give_back_their_low_32_bits)
{
    f->aq9->ahrsRate(4000000000u);
    CHECK(settings().ahrsRate == 4000000000LL);
    LONGS_EQUAL(4000000000u, f->aq9->ahrsRate());
    settings().rawMeasRate = 0x100000005LL;
    LONGS_EQUAL(5, f->aq9->rawMeasRate());
    f->aq9->saveHSIonExit(2);
    CHECK(f->aq9->saveHSIonExit());
}
