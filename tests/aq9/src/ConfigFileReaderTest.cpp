// Splitting configuration lines and reading configuration files.
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>

#include "ConfigFileReader.h"

// CppUTest last: its allocation macros must not reach the standard headers.
#include "CppUTest/TestHarness.h"

namespace {

struct LineRow
{
    const char* line;
    ConfigLineKind kind;
    const char* key;
    const char* value;
};

const LineRow kLines[] = {
    {"Mag_C00 =   1.000000;", CONFIGLINE_ENTRY, "Mag_C00", "1.000000"},
    {"Mag_B2 =  -0.012500;\n", CONFIGLINE_ENTRY, "Mag_B2", "-0.012500"},
    {"  ahrsRate=20;  ", CONFIGLINE_ENTRY, "ahrsRate", "20"},
    {"\tUse_HSI_MODE_3D = true ;\r\n", CONFIGLINE_ENTRY, "Use_HSI_MODE_3D", "true"},
    {"ahrsRate = 20; % the AHRS poll", CONFIGLINE_ENTRY, "ahrsRate", "20"},
    {"ahrsRate = 20; // the AHRS poll", CONFIGLINE_ENTRY, "ahrsRate", "20"},
    {"Key = 1 2;", CONFIGLINE_ENTRY, "Key", "1 2"},
    {"", CONFIGLINE_SKIP, "", ""},
    {"   \r\n", CONFIGLINE_SKIP, "", ""},
    {"% ahrsRate = 20;", CONFIGLINE_SKIP, "", ""},
    {"# comment", CONFIGLINE_SKIP, "", ""},
    {"// comment", CONFIGLINE_SKIP, "", ""},
    {"   # indented comment", CONFIGLINE_SKIP, "", ""},
    {"ahrsRate = 20; junk", CONFIGLINE_MALFORMED, "", ""},
    {"ahrsRate = 20", CONFIGLINE_MALFORMED, "", ""},
    {"ahrsRate 20;", CONFIGLINE_MALFORMED, "", ""},
    {"= 20;", CONFIGLINE_MALFORMED, "", ""},
    {"ahrsRate = ;", CONFIGLINE_MALFORMED, "", ""},
    {"ahrs Rate = 20;", CONFIGLINE_MALFORMED, "", ""},
    {"ahrsRate = 20;;", CONFIGLINE_MALFORMED, "", ""},
    {"a = b = c;", CONFIGLINE_MALFORMED, "", ""},
    {"ahrsRate ; = 20", CONFIGLINE_MALFORMED, "", ""},
    {"/ single slash", CONFIGLINE_MALFORMED, "", ""},
    {"FORMATTED FOR .cfg FILE: ", CONFIGLINE_MALFORMED, "", ""},
};

}  // namespace

TEST_GROUP(ConfigFileReader)
{
    std::string dir;
    AttributeInputList* inputs;
    ConfigFileReport report;

    void setup()
    {
        char tmpl[] = "/tmp/aq9cfgXXXXXX";
        dir = mkdtemp(tmpl);
        inputs = new AttributeInputList(10);
    }
    void teardown()
    {
        ConfigFile_freeInputs(inputs);
        delete inputs;
        std::string cmd = "rm -rf '" + dir + "'";
        if (system(cmd.c_str()) != 0)
            FAIL("could not remove the temporary directory");
    }
    std::string write(const std::string& name, const std::string& text)
    {
        std::string path = dir + "/" + name;
        FILE* f = fopen(path.c_str(), "w");
        fputs(text.c_str(), f);
        fclose(f);
        return path;
    }
    std::string input(int i, bool value)
    {
        return value ? inputs->array[i]->valueString : inputs->array[i]->name;
    }
};

TEST(ConfigFileReader, lines_split_into_key_and_value_or_are_skipped_or_refused)
{
    for (const LineRow& row : kLines)
    {
        std::string key = "", value = "";
        ConfigLineKind kind = ConfigFile_splitLine(row.line, &key, &value);
        std::string label = std::string("line \"") + row.line + "\"";
        LONGS_EQUAL_TEXT(row.kind, kind, label.c_str());
        STRCMP_EQUAL_TEXT(row.key, key.c_str(), label.c_str());
        STRCMP_EQUAL_TEXT(row.value, value.c_str(), label.c_str());
    }
}

TEST(ConfigFileReader, a_line_with_a_nul_byte_is_refused_rather_than_cut_short)
{
    // Zero-filled blocks are what an interrupted write may leave in a file.
    const std::string lines[] = {std::string("ahrsRate = 2\0" "0;", 15), std::string("ahrsRate\0junk = 20;", 19),
                                 std::string("ahrsRate = 20; %\0", 17)};
    for (const std::string& line : lines)
    {
        std::string key = "", value = "";
        LONGS_EQUAL_TEXT(CONFIGLINE_MALFORMED, ConfigFile_splitLine(line, &key, &value), line.c_str());
        STRCMP_EQUAL("", key.c_str());
    }
}

TEST(ConfigFileReader, file_yields_its_entries_in_order_with_their_line_numbers)
{
    std::string path = write("m.cfg", "% mission\n\nahrsRate = 20;\n# x\nMag_C00 =   1.000000;\r\nahrsRate = 5;");
    LONGS_EQUAL(CONFIGFILE_OK, ConfigFile_read(path.c_str(), inputs, &report));
    STRCMP_EQUAL(path.c_str(), report.path.c_str());
    LONGS_EQUAL(3, inputs->size());
    STRCMP_EQUAL("ahrsRate", input(0, false).c_str());
    STRCMP_EQUAL("20", input(0, true).c_str());
    STRCMP_EQUAL("Mag_C00", input(1, false).c_str());
    STRCMP_EQUAL("5", input(2, true).c_str());
    LONGS_EQUAL(3, report.entryLines[0]);
    LONGS_EQUAL(5, report.entryLines[1]);
    LONGS_EQUAL(6, report.entryLines[2]);
}

TEST(ConfigFileReader, name_as_given_is_preferred_and_a_directory_is_not_a_file)
{
    write("mission", "HSIMode = 1;\n");
    write("mission.cfg", "HSIMode = 2;\n");
    LONGS_EQUAL(CONFIGFILE_OK, ConfigFile_read((dir + "/mission").c_str(), inputs, &report));
    STRCMP_EQUAL("1", input(0, true).c_str());

    ConfigFile_freeInputs(inputs);
    mkdir((dir + "/plan").c_str(), 0700);
    write("plan.cfg", "HSIMode = 3;\n");
    ConfigFileReport second;
    LONGS_EQUAL(CONFIGFILE_OK, ConfigFile_read((dir + "/plan").c_str(), inputs, &second));
    STRCMP_EQUAL("3", input(0, true).c_str());
}


TEST(ConfigFileReader, scan_keeps_the_entries_of_a_malformed_file_that_read_refuses_whole)
{
    std::string path = write("m.cfg", "ahrsRate = 20;\nahrsRate 5;\nHSIMode = 1;\nahrsRate = 7;\n");
    std::vector<ConfigEntry> entries;
    LONGS_EQUAL(CONFIGFILE_MALFORMED, ConfigFile_scan(path.c_str(), &entries, &report));
    LONGS_EQUAL(3, entries.size());
    LONGS_EQUAL(4, entries[2].line);
    STRCMP_EQUAL("7", entries[2].value.c_str());
    LONGS_EQUAL(2, report.malformedLines[0]);
    LONGS_EQUAL(1, report.repeats.size());
    LONGS_EQUAL(4, report.repeats[0].line);
    LONGS_EQUAL(1, report.repeats[0].firstLine);

    ConfigFileReport whole;
    LONGS_EQUAL(CONFIGFILE_MALFORMED, ConfigFile_read(path.c_str(), inputs, &whole));
    LONGS_EQUAL(0, inputs->size());
    CHECK(whole.entryLines.empty() && whole.repeats.empty());
}
