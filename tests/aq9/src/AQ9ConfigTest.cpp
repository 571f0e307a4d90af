// Loading the mission configuration file into the settings.
#include <string>

#include "AttributeKinds.h"
#include "DriverFixture.h"

// CppUTest last: its allocation macros must not reach the standard headers.
#include "CppUTest/TestHarness.h"
#include "CppUTestExt/MockSupport.h"

TEST_GROUP(AQ9Config)
{
    DriverFixture* f;
    void setup()
    {
        f = new DriverFixture();
        f->aq9->initializeDefaultSettingsStruct();
        f->aq9->populateAttributes(*f->aq9->attributes());
    }
    void teardown()
    {
        delete f;
        // The recorder's lines and blocks were allocated during the test.
        fw::reset();
        mock().clear();
    }
    AQ9& aq9() { return *f->aq9; }
};

TEST(AQ9Config, good_file_sets_the_named_keys_and_releases_the_attributes)
{
    f->writeConfig(
        "% mission settings\n# another comment\n// and another\n\n"
        "   ahrsRate   =  20 ;\nHSIConvergeRate = 7;\r\nWriteHSIToEEPROM = true;  % save what the run finds\n"
        "Mag_C00 =   1.250000;\nMag_B2 =  -0.012500;");
    LONGS_EQUAL(DeviceIF::Ok, aq9().readInConfigFile());
    LONGS_EQUAL(20, aq9().ahrsRate());
    LONGS_EQUAL(7, aq9().HSIConvergeRate());
    CHECK(aq9().saveHSIonExit());
    DOUBLES_EQUAL(1.25, aq9().MagCompC().c[0], 0);
    DOUBLES_EQUAL(-0.0125, aq9().MagCompB().c[2], 0);
    // Keys the file does not name hold their attribute defaults.
    LONGS_EQUAL(10, aq9().rawMeasRate());
    LONGS_EQUAL(0, aq9().HSIMode());
    CHECK(aq9().attributes() == nullptr);
    CHECK(fw::logged("AQ9 - loaded 5 entries from config file"));
}

TEST(AQ9Config, unknown_key_or_bad_value_fails_naming_the_line)
{
    const struct
    {
        const char* text;
        const char* framework;
        const char* driver;
    } rows[] = {
        {"ahrsRate = 20;\nahrsrate = 20;\n", "Unknown attribute name: \"ahrsrate\"", "line 2: \"ahrsrate\" rejected"},
        {"\nHSIMode = two;\n", "Caught conversion error for value \"two\"", "line 2: \"HSIMode\" rejected"},
        {"Use_HSI_MODE_3D = yes;\n", "Caught conversion error for value \"yes\"", "line 1: \"Use_HSI_MODE_3D\""},
        {"Rot00 = nan;\n", "Caught conversion error for value \"nan\"", "line 1: \"Rot00\" rejected"},
        // Finite as a double, but the sensor takes floats.
        {"Mag_C00 = 1e39;\n", "Caught conversion error for value \"1e39\"", "line 1: \"Mag_C00\" rejected"},
        {"Mag_B0 = 0;\n\nAFEGyro_BaseTuningZ = -3.5e38;\n", "Caught conversion error for value \"-3.5e38\"",
         "line 3: \"AFEGyro_BaseTuningZ\" rejected"},
    };
    for (const auto& row : rows)
    {
        teardown();
        setup();
        f->writeConfig(row.text);
        LONGS_EQUAL_TEXT(DeviceIF::Error, aq9().readInConfigFile(), row.text);
        CHECK_TEXT(fw::logged(row.framework), row.text);
        CHECK_TEXT(fw::logged(row.driver), row.text);
        CHECK_TEXT(aq9().attributes() == nullptr, row.text);
    }
}

TEST(AQ9Config, values_up_to_the_float_range_are_taken_and_one_beyond_leaves_the_field)
{
    f->writeConfig("Mag_B0 = 3.4028234e38;\nMag_B1 = -3.4028234e38;\nMag_C00 = 3.41e38;\n");
    LONGS_EQUAL(DeviceIF::Error, aq9().readInConfigFile());
    DOUBLES_EQUAL(3.4028234e38, aq9().MagCompB().c[0], 0);
    DOUBLES_EQUAL(-3.4028234e38, aq9().MagCompB().c[1], 0);
    DOUBLES_EQUAL(1, aq9().MagCompC().c[0], 0);
}

TEST(AQ9Config, duplicate_key_is_applied_in_order_and_reported)
{
    f->writeConfig("Mag_C00 = 0.9;\nahrsRate = 5;\nMag_C00 = 1.1;\n");
    LONGS_EQUAL(DeviceIF::Ok, aq9().readInConfigFile());
    DOUBLES_EQUAL(1.1, aq9().MagCompC().c[0], 0);
    CHECK(fw::logged("line 3 repeats \"Mag_C00\" of line 1; the later value is used"));
}

TEST(AQ9Config, malformed_line_fails_with_its_number_and_sets_nothing)
{
    f->writeConfig("ahrsRate = 20;\n% fine\nMag_C00 1.0;\n");
    LONGS_EQUAL(DeviceIF::Error, aq9().readInConfigFile());
    CHECK(fw::logged("line 3 malformed, expected \"Key = value;\""));
    CHECK_FALSE(fw::logged("line 1 malformed"));
    LONGS_EQUAL(10, aq9().ahrsRate());
    CHECK(aq9().attributes() == nullptr);
}

TEST(AQ9Config, missing_file_fails_and_names_both_tries)
{
    remove(f->cfg.c_str());
    LONGS_EQUAL(DeviceIF::Error, aq9().readInConfigFile());
    std::string want = "AQ9 - config file \"" + f->cfg + "\" not found (also tried \"" + f->cfg + ".cfg\")";
    CHECK(fw::logged(want));
    CHECK(aq9().attributes() == nullptr);
}

TEST(AQ9Config, name_without_extension_reads_the_cfg_file)
{
    f->writeConfig("rawMeasRate = 25;\n");
    AQ9 other(f->sensor, f->out, f->rawOut, (f->dir + "/mission").c_str());
    other.populateAttributes(*other.attributes());
    LONGS_EQUAL(DeviceIF::Ok, other.readInConfigFile());
    LONGS_EQUAL(25, other.rawMeasRate());
}

TEST(AQ9Config, mandatory_attribute_missing_fails_verify)
{
    long spare = 0;
    aq9().attributes()->add(new IntegerAttribute("SpareChannel", "a mandatory extra", &spare));
    f->writeConfig("ahrsRate = 20;\n");
    LONGS_EQUAL(DeviceIF::Error, aq9().readInConfigFile());
    CHECK(fw::logged("Mandatory attribute \"SpareChannel\" not specified for object \"AQ9\""));
}

TEST(AQ9Config, reading_again_without_an_attribute_set_fails_safely)
{
    LONGS_EQUAL(DeviceIF::Ok, aq9().readInConfigFile());
    LONGS_EQUAL(DeviceIF::Error, aq9().readInConfigFile());
    CHECK(fw::logged("AQ9 - no attribute set to load the config file into"));
}

TEST(AQ9Config, every_initialization_applies_the_configuration_again)
{
    f->writeConfig("ahrsRate = 20;\nHSIConvergeRate = 9;\n");
    // The settings snapshot's file calls are not what this test is about.
    mock("os").ignoreOtherCalls();
    // Release the set the fixture filled, as a first run would have.
    LONGS_EQUAL(DeviceIF::Ok, aq9().readInConfigFile());
    LONGS_EQUAL(DeviceIF::Ok, aq9().initialize());
    aq9().ahrsRate(3);
    aq9().HSIConvergeRate(1);
    LONGS_EQUAL(DeviceIF::Ok, aq9().initialize());
    LONGS_EQUAL(20, aq9().ahrsRate());
    LONGS_EQUAL(9, aq9().HSIConvergeRate());
    CHECK(aq9().attributes() == nullptr);
}
