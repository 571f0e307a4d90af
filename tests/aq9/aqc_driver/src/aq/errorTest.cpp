#include <string.h>

#include "CppUTest/TestHarness.h"
#include "aq/error.h"

TEST_GROUP(error){};

TEST(error, texts_of_listed_and_unlisted_values)
{
    struct Row
    {
        int code;
        const char* text;
    } rows[] = {
        {0, "NONE"},
        {1, "UNKNOWN"},
        {10, "SIGNALED"},
        {11, "UNKNOWN_VALUE"},  // E_MEMORY_NOT_ALLOCATED has no text of its own
        {12, "UNKNOWN_VALUE"},
        {1000, "UNKNOWN_VALUE"},
        {1001, "SENSOR_HARD_FAULT"},
        {1006, "SENSOR_TOO_MANY_PARAMETERS"},
        {1013, "SENSOR_ERROR_BUFFER_OVERFLOW"},
        {1014, "UNKNOWN_VALUE"},
        {2004, "BAD_FINAL_ITERATION"},
        {2005, "INSUFFICIENT_DATA"},
        {2006, "UNKNOWN_VALUE"},
        {3000, "UNKNOWN_VALUE"},
        {-1, "UNKNOWN_VALUE"},
    };
    for (const Row& r : rows)
    {
        char out[AQ_ERROR_TEXT_SIZE + 1];
        memset(out, 'Z', sizeof out);
        strFromAqError(out, static_cast<AqError>(r.code));
        STRCMP_EQUAL_TEXT(r.text, out, StringFromFormat("code %d", r.code).asCharString());
        LONGS_EQUAL('Z', out[AQ_ERROR_TEXT_SIZE]);
    }
}

TEST(error, longest_text_fits_the_documented_size)
{
    char out[AQ_ERROR_TEXT_SIZE];
    strFromAqError(out, E_SENSOR_SERIAL_BUFFER_OVERFLOW);
    LONGS_EQUAL(AQ_ERROR_TEXT_SIZE - 1, strlen(out));
}

TEST(error, version_and_bool_texts)
{
    char v[16];
    memset(v, 'Z', sizeof v);
    LONGS_EQUAL(E_NONE, AqApi_getVersion(v, sizeof v));
    STRCMP_EQUAL("1.1.0.126", v);
    char b[8];
    strFromBool(b, 5);
    STRCMP_EQUAL("true", b);
    strFromBool(b, 0);
    STRCMP_EQUAL("false", b);
}
