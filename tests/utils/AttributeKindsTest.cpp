// The host attribute kinds: strict text conversion, storage at the bound
// address (one byte only for byte fields), defaults written at construction.
#include <stdint.h>
#include <string.h>

#include <string>

#include "AttributeKinds.h"
#include "CppUTest/TestHarness.h"

namespace {

// Runs setValue and reports whether the text was accepted.
bool accepts(Attribute& a, const char* text)
{
    try
    {
        a.setValue(text);
        return true;
    }
    catch (...)
    {
        return false;
    }
}

struct IntegerRow
{
    const char* text;
    bool ok;
    long value;
};

const IntegerRow kIntegerRows[] = {
    {"42", true, 42},
    {" -7 ", true, -7},
    {"+3", true, 3},
    {"0", true, 0},
    {"9223372036854775807", true, 9223372036854775807L},
    {"9223372036854775808", false, 0},
    {"12abc", false, 0},
    {"1.5", false, 0},
    {"0x10", false, 0},
    {"", false, 0},
    {"   ", false, 0},
    {"-", false, 0},
    {"1 2", false, 0},
};

struct FloatRow
{
    const char* text;
    bool ok;
    double value;
};

const FloatRow kFloatRows[] = {
    {"1.5", true, 1.5},
    {" -0.25\t", true, -0.25},
    {"5", true, 5.0},
    {"1e3", true, 1000.0},
    {"  1.000000", true, 1.0},
    {"1e400", false, 0},
    {"nan", false, 0},
    {"-inf", false, 0},
    {"abc", false, 0},
    {"1.0;", false, 0},
    {"1.0 x", false, 0},
    {"", false, 0},
};

struct BooleanRow
{
    const char* text;
    bool ok;
    Boolean value;
};

const BooleanRow kBooleanRows[] = {
    {"true", true, 1}, {"false", true, 0}, {" true ", true, 1}, {"TRUE", false, 0}, {"1", false, 0},
    {"yes", false, 0}, {"", false, 0},     {"truex", false, 0}, {"fals", false, 0},
};

}  // namespace

TEST_GROUP(AttributeKinds){};

TEST(AttributeKinds, integer_accepts_only_whole_decimal_numbers_that_fit_a_long)
{
    for (const IntegerRow& row : kIntegerRows)
    {
        long field = -99;
        IntegerAttribute a("k", "d", &field);
        std::string label = std::string("text \"") + row.text + "\"";
        CHECK_EQUAL_TEXT(row.ok, accepts(a, row.text), label.c_str());
        LONGS_EQUAL_TEXT(row.ok ? row.value : -99, field, label.c_str());
    }
}

TEST(AttributeKinds, float_accepts_only_one_finite_number)
{
    for (const FloatRow& row : kFloatRows)
    {
        double field = -99;
        FloatAttribute a("k", "d", &field);
        std::string label = std::string("text \"") + row.text + "\"";
        CHECK_EQUAL_TEXT(row.ok, accepts(a, row.text), label.c_str());
        DOUBLES_EQUAL_TEXT(row.ok ? row.value : -99, field, 0, label.c_str());
    }
}

TEST(AttributeKinds, boolean_accepts_only_true_or_false)
{
    for (const BooleanRow& row : kBooleanRows)
    {
        Boolean field = 7;
        BooleanAttribute a("k", "d", &field);
        std::string label = std::string("text \"") + row.text + "\"";
        CHECK_EQUAL_TEXT(row.ok, accepts(a, row.text), label.c_str());
        LONGS_EQUAL_TEXT(row.ok ? row.value : 7, field, label.c_str());
    }
}

TEST(AttributeKinds, byte_field_receives_the_low_byte_and_its_neighbours_stay)
{
    const struct
    {
        const char* text;
        uint8_t stored;
    } rows[] = {{"2", 2}, {"255", 255}, {"300", 44}, {"-1", 255}, {"256", 0}};
    for (const auto& row : rows)
    {
        uint8_t bytes[3] = {0xA5, 0x00, 0x5A};
        IntegerAttribute a("k", "d", &bytes[1]);
        CHECK_TEXT(accepts(a, row.text), row.text);
        LONGS_EQUAL_TEXT(row.stored, bytes[1], row.text);
        LONGS_EQUAL_TEXT(0xA5, bytes[0], row.text);
        LONGS_EQUAL_TEXT(0x5A, bytes[2], row.text);
    }
}

TEST(AttributeKinds, default_is_stored_at_construction_and_reported_as_the_value)
{
    long l = -1;
    uint8_t bytes[3] = {0xA5, 0xEE, 0x5A};
    double d = -1;
    Boolean b = 0;
    IntegerAttribute li("l", "d", &l, 10);
    IntegerAttribute bi("b", "d", &bytes[1], 0x103);
    FloatAttribute fa("f", "d", &d, 5.5);
    BooleanAttribute ba("t", "d", &b, 1);

    LONGS_EQUAL(10, l);
    LONGS_EQUAL(3, bytes[1]);
    LONGS_EQUAL(0xA5, bytes[0]);
    LONGS_EQUAL(0x5A, bytes[2]);
    DOUBLES_EQUAL(5.5, d, 0);
    LONGS_EQUAL(1, b);
    STRCMP_EQUAL("10", li.valueString());
    STRCMP_EQUAL("3", bi.valueString());
    STRCMP_EQUAL("5.5", fa.valueString());
    STRCMP_EQUAL("true", ba.valueString());
    CHECK(li.hasDefault() && bi.hasDefault() && fa.hasDefault() && ba.hasDefault());
}

TEST(AttributeKinds, forms_without_default_leave_the_field_and_are_mandatory)
{
    long l = 77;
    uint8_t u = 9;
    double d = 2.5;
    Boolean b = 1;
    IntegerAttribute li("l", "d", &l);
    IntegerAttribute bi("b", "d", &u);
    FloatAttribute fa("f", "d", &d);
    BooleanAttribute ba("t", "d", &b);

    LONGS_EQUAL(77, l);
    LONGS_EQUAL(9, u);
    DOUBLES_EQUAL(2.5, d, 0);
    LONGS_EQUAL(1, b);
    CHECK_FALSE(li.hasDefault() || bi.hasDefault() || fa.hasDefault() || ba.hasDefault());
}

TEST(AttributeKinds, value_text_follows_the_stored_value_and_reads_back_exactly)
{
    long l = 0;
    double d = 0;
    Boolean b = 0;
    IntegerAttribute li("l", "d", &l, 1);
    FloatAttribute fa("f", "d", &d, 0);
    BooleanAttribute ba("t", "d", &b, 1);

    li.setValue("-123");
    fa.setValue("0.1");
    ba.setValue("false");
    STRCMP_EQUAL("-123", li.valueString());
    STRCMP_EQUAL("0.1", fa.valueString());
    STRCMP_EQUAL("false", ba.valueString());

    // A value a person typed with full precision survives a round trip through its text.
    fa.setValue("0.30000000000000004");
    double back = 0;
    FloatAttribute reader("r", "d", &back);
    reader.setValue(fa.valueString());
    DOUBLES_EQUAL(d, back, 0);
    CHECK(back != 0.3);
}
