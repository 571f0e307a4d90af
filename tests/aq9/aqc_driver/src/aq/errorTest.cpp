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

TEST(error, version_text_stays_inside_the_given_length)
{
    struct Row
    {
        size_t length;
        AqError result;
        const char* text; // what out holds afterwards; NULL: untouched
    } rows[] = {
        {16, E_NONE, "1.1.0.126"},
        {AQ_VERSION_TEXT_SIZE, E_NONE, "1.1.0.126"},
        {AQ_VERSION_TEXT_SIZE - 1, E_BUFFER_TOO_SMALL, ""},
        {1, E_BUFFER_TOO_SMALL, ""},
        {0, E_BUFFER_TOO_SMALL, NULL},
    };
    for (const Row& r : rows)
    {
        char v[17];
        memset(v, 'Z', sizeof v);
        v[sizeof v - 1] = '\0';
        const SimpleString label = StringFromFormat("length %u", static_cast<unsigned>(r.length));
        LONGS_EQUAL_TEXT(r.result, AqApi_getVersion(v, r.length), label.asCharString());
        if (r.text)
            STRCMP_EQUAL_TEXT(r.text, v, label.asCharString());
        else
            BYTES_EQUAL('Z', v[0]);
        for (size_t i = r.length; i < sizeof v - 1; i++)
            BYTES_EQUAL_TEXT('Z', v[i], label.asCharString());
    }
}

TEST(error, bool_texts)
{
    char b[8];
    strFromBool(b, 5);
    STRCMP_EQUAL("true", b);
    strFromBool(b, 0);
    STRCMP_EQUAL("false", b);
}
