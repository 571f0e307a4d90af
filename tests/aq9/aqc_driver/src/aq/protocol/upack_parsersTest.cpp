// ASCII parsers: the tokenizer on whole, bare-"XX", truncated and malformed
// sentences held in exact-size heap copies (so the sanitizers see any read past
// their end), the field order of every asynchronous sentence and of the
// read-only registers, and the parsers' answers to missing and non-numeric text.
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "CppUTest/TestHarness.h"

#include "AqParserCases.h"
#include "upack_fieldValues.h"

namespace
{

// An exact-size heap copy of a sentence: no byte past `length` is readable.
struct HeapSentence
{
    uint8_t* bytes;
    size_t length;

    HeapSentence(const char* text, size_t n) : bytes((uint8_t*)malloc(n)), length(n) { memcpy(bytes, text, n); }
    explicit HeapSentence(const std::string& text) : HeapSentence(text.c_str(), text.size() + 1) {}
    ~HeapSentence() { free(bytes); }
    HeapSentence(const HeapSentence&) = delete;
    HeapSentence& operator=(const HeapSentence&) = delete;

    AqUartPacket view() { return AqUartPacket{0, length, bytes}; }
};

#define NO_TERMINATOR(text) text, sizeof text - 1
#define TERMINATED(text) text, sizeof text

struct TokenRow
{
    const char* label;
    const char* text;
    size_t length;
    bool response;        // skip the register number
    const char* expected; // fields joined by '|', "-" for none
};

const TokenRow kTokenRows[] = {
    {"sentence", NO_TERMINATOR("$AQYPR,1.5,-2,3*XX\r\n"), false, "1.5|-2|3"},
    {"response skips the register", NO_TERMINATOR("$AQRRG,08,1,2,3*XX\r\n"), true, "1|2|3"},
    {"bare XX without star", NO_TERMINATOR("$AQYPR,1,2,3XX\r\n"), false, "1|2|3XX"},
    {"line feed alone ends it", NO_TERMINATOR("$AQYPR,1,2\n"), false, "1|2"},
    {"truncated at the terminator", TERMINATED("$AQYPR,1,2"), false, "1|2"},
    {"empty fields", NO_TERMINATOR("$AQYPR,,5,*XX\r\n"), false, "|5|"},
    {"register-less reply has no fields", NO_TERMINATOR("$AQRST*XX\r\n"), false, "-"},
    {"response with the register only", NO_TERMINATOR("$AQRRG,08*XX\r\n"), true, "-"},
    {"header cut short", TERMINATED("$AQ"), false, "-"},
    {"header cut by a line end", NO_TERMINATOR("$AQY\r\n"), true, "-"},
    {"header without a comma", NO_TERMINATOR("$AQYPRX1,2*XX\r\n"), false, "-"},
    {"empty text", TERMINATED(""), false, "-"},
};

// Each row builds the sentence prefix + the layout's fields + "*XX\r\n" and
// calls one parser with the outputs of the layout.
struct OrderRow
{
    const char* prefix;
    const char* layout;
    void (*parse)(HeapSentence& s, FieldValues& o);
};

#define ASYNC(code, layout, ...)                                                                                       \
    {"$AQ" #code, layout, [](HeapSentence& s, FieldValues& o) {                                                        \
         AqUartPacket p = s.view();                                                                                    \
         AqUartPacket_parseAQ##code(&p, __VA_ARGS__);                                                                  \
     }}
#define REGISTER(name, layout, ...)                                                                                    \
    {"$AQRRG,99 " #name, layout, [](HeapSentence& s, FieldValues& o) {                                                 \
         AqUartPacket p = s.view();                                                                                    \
         AqUartPacket_parse##name(&p, __VA_ARGS__);                                                                    \
     }}

const OrderRow kOrderRows[] = {
    ASYNC(YPR, "v", &o.v[0]),
    ASYNC(QTN, "q", &o.q[0]),
    ASYNC(QMR, "qvvv", &o.q[0], &o.v[0], &o.v[1], &o.v[2]),
    ASYNC(MAG, "v", &o.v[0]),
    ASYNC(ACC, "v", &o.v[0]),
    ASYNC(GYR, "v", &o.v[0]),
    ASYNC(MAR, "vvv", &o.v[0], &o.v[1], &o.v[2]),
    ASYNC(YMR, "vvvv", &o.v[0], &o.v[1], &o.v[2], &o.v[3]),
    ASYNC(YBA, "vvv", &o.v[0], &o.v[1], &o.v[2]),
    ASYNC(YIA, "vvv", &o.v[0], &o.v[1], &o.v[2]),
    ASYNC(IMU, "vvvff", &o.v[0], &o.v[1], &o.v[2], &o.f[0], &o.f[1]),
    ASYNC(GPS, "dhbbDvvff", &o.d[0], &o.h[0], &o.b[0], &o.b[1], &o.D[0], &o.v[0], &o.v[1], &o.f[0], &o.f[1]),
    ASYNC(GPE, "dhbbDvvff", &o.d[0], &o.h[0], &o.b[0], &o.b[1], &o.D[0], &o.v[0], &o.v[1], &o.f[0], &o.f[1]),
    ASYNC(INS, "dhHvDvfff", &o.d[0], &o.h[0], &o.h[1], &o.v[0], &o.D[0], &o.v[1], &o.f[0], &o.f[1], &o.f[2]),
    ASYNC(INE, "dhHvDvfff", &o.d[0], &o.h[0], &o.h[1], &o.v[0], &o.D[0], &o.v[1], &o.f[0], &o.f[1], &o.f[2]),
    ASYNC(ISL, "vDvvv", &o.v[0], &o.D[0], &o.v[1], &o.v[2], &o.v[3]),
    ASYNC(ISE, "vDvvv", &o.v[0], &o.D[0], &o.v[1], &o.v[2], &o.v[3]),
    ASYNC(DTV, "fvv", &o.f[0], &o.v[0], &o.v[1]),
    // Read-only registers (the writable ones are covered by the round trips).
    REGISTER(HardwareRevision, "u", &o.u[0]),
    REGISTER(SerialNumber, "u", &o.u[0]),
    REGISTER(YawPitchRoll, "v", &o.v[0]),
    REGISTER(AttitudeQuaternion, "q", &o.q[0]),
    REGISTER(QuaternionMagneticAccelerationAndAngularRates, "qvvv", &o.q[0], &o.v[0], &o.v[1], &o.v[2]),
    REGISTER(MagneticMeasurements, "v", &o.v[0]),
    REGISTER(AccelerationMeasurements, "v", &o.v[0]),
    REGISTER(AngularRateMeasurements, "v", &o.v[0]),
    REGISTER(MagneticAccelerationAndAngularRates, "vvv", &o.v[0], &o.v[1], &o.v[2]),
    REGISTER(YawPitchRollMagneticAccelerationAndAngularRates, "vvvv", &o.v[0], &o.v[1], &o.v[2], &o.v[3]),
    REGISTER(CalculatedMagnetometerCalibration, "mv", &o.m[0], &o.v[0]),
    REGISTER(ImuMeasurements, "vvvff", &o.v[0], &o.v[1], &o.v[2], &o.f[0], &o.f[1]),
    REGISTER(GpsSolutionLla, "dhbbDvvff", &o.d[0], &o.h[0], &o.b[0], &o.b[1], &o.D[0], &o.v[0], &o.v[1], &o.f[0],
             &o.f[1]),
    REGISTER(GpsSolutionEcef, "dhbbDvvff", &o.d[0], &o.h[0], &o.b[0], &o.b[1], &o.D[0], &o.v[0], &o.v[1], &o.f[0],
             &o.f[1]),
    REGISTER(InsSolutionLla, "dhHvDvfff", &o.d[0], &o.h[0], &o.h[1], &o.v[0], &o.D[0], &o.v[1], &o.f[0], &o.f[1],
             &o.f[2]),
    REGISTER(InsSolutionEcef, "dhHvDvfff", &o.d[0], &o.h[0], &o.h[1], &o.v[0], &o.D[0], &o.v[1], &o.f[0], &o.f[1],
             &o.f[2]),
    REGISTER(InsStateLla, "vDvvv", &o.v[0], &o.D[0], &o.v[1], &o.v[2], &o.v[3]),
    REGISTER(InsStateEcef, "vDvvv", &o.v[0], &o.D[0], &o.v[1], &o.v[2], &o.v[3]),
    REGISTER(DeltaThetaAndDeltaVelocity, "fvv", &o.f[0], &o.v[0], &o.v[1]),
    REGISTER(GpsCompassEstimatedBaseline, "bbhvv", &o.b[0], &o.b[1], &o.h[0], &o.v[0], &o.v[1]),
    REGISTER(YawPitchRollTrueBodyAccelerationAndAngularRates, "vvv", &o.v[0], &o.v[1], &o.v[2]),
    REGISTER(YawPitchRollTrueInertialAccelerationAndAngularRates, "vvv", &o.v[0], &o.v[1], &o.v[2]),
    // Registers with parsers only.
    REGISTER(FilterMeasurementsVarianceParameters, "fvvv", &o.f[0], &o.v[0], &o.v[1], &o.v[2]),
    REGISTER(FilterActiveTuningParameters, "ffff", &o.f[0], &o.f[1], &o.f[2], &o.f[3]),
    REGISTER(FilterBasicControl, "bbbbv", &o.b[0], &o.b[1], &o.b[2], &o.b[3], &o.v[0]),
    REGISTER(AfeMagnetometerAdvancedTuning, "vvfff", &o.v[0], &o.v[1], &o.f[0], &o.f[1], &o.f[2]),
    REGISTER(AfeAccelerometerAdvancedTuning, "vvfff", &o.v[0], &o.v[1], &o.f[0], &o.f[1], &o.f[2]),
    REGISTER(FilterStartupGyroBias, "v", &o.v[0]),
    REGISTER(IndoorHeadingModeControl, "fb", &o.f[0], &o.b[0]),
    REGISTER(VelocityCompensationStatus, "ffvv", &o.f[0], &o.f[1], &o.v[0], &o.v[1]),
    REGISTER(InsAdvancedConfiguration, "bbbbbbbbfffffff", &o.b[0], &o.b[1], &o.b[2], &o.b[3], &o.b[4], &o.b[5],
             &o.b[6], &o.b[7], &o.f[0], &o.f[1], &o.f[2], &o.f[3], &o.f[4], &o.f[5], &o.f[6]),
    REGISTER(ImuRateConfiguration, "hhff", &o.h[0], &o.h[1], &o.f[0], &o.f[1]),
};

std::string sentenceFor(const OrderRow& row)
{
    // "$AQRRG,99 Name": the register number field is 99, the name is only the label.
    std::string prefix(row.prefix);
    prefix = prefix.substr(0, prefix.find(' '));
    return prefix + fieldTexts(row.layout) + "*XX\r\n";
}

} // namespace

TEST_GROUP(AqUartPacketParsers)
{
};

TEST(AqUartPacketParsers, tokenizer_stops_at_star_line_end_or_terminator)
{
    for (const TokenRow& row : kTokenRows)
    {
        HeapSentence s(row.text, row.length);
        size_t index = 0;
        char* field = row.response ? AqUartPacket_startAsciiResponsePacketParse(s.bytes, &index)
                                   : AqUartPacket_startAsciiPacketParse(s.bytes, &index);
        std::string got = field ? "" : "-";
        for (int n = 0; field; ++n, field = AqUartPacket_getNextData(s.bytes, &index))
            got += (n ? "|" : "") + std::string(field);
        STRCMP_EQUAL_TEXT(row.expected, got.c_str(), row.label);
        // Once ended, the list stays ended.
        POINTERS_EQUAL_TEXT(NULL, aqstrtok(s.bytes, &index), row.label);
        POINTERS_EQUAL_TEXT(NULL, AqUartPacket_getNextData(s.bytes, &index), row.label);
    }
}

TEST(AqUartPacketParsers, every_sentence_and_read_only_register_fills_its_outputs_in_field_order)
{
    for (const OrderRow& row : kOrderRows)
    {
        std::string text = sentenceFor(row);
        HeapSentence s(text);
        FieldValues expected, got;
        fillValues(row.layout, expected);
        row.parse(s, got);
        std::vector<double> want = flatten(row.layout, expected), have = flatten(row.layout, got);
        for (size_t n = 0; n < want.size(); ++n)
        {
            std::string label = std::string(row.prefix) + " value " + std::to_string(n) + " of " + text;
            DOUBLES_EQUAL_TEXT(want[n], have[n], 0.0, label.c_str());
        }
        CHECK_TEXT(markersIntact(row.layout, got), row.prefix);
    }
}

TEST(AqUartPacketParsers, missing_fields_leave_outputs_and_non_numbers_read_as_zero)
{
    vec3f ypr = {{7, 7, 7}};
    char twoValues[] = "$AQRRG,08,+010.071,-002.342*XX\r\n";
    CHECK_FALSE(AqUartPacket_parseYawPitchRollRaw(twoValues, &ypr));
    DOUBLES_EQUAL(10.071, ypr.c[0], 1e-5); // float precision of a 5-digit value
    DOUBLES_EQUAL(-2.342, ypr.c[1], 1e-6);
    DOUBLES_EQUAL(7, ypr.c[2], 0);

    char junk[] = "$AQRRG,08,abc,,1e2*XX\r\n";
    CHECK_TRUE(AqUartPacket_parseYawPitchRollRaw(junk, &ypr)); // three fields, whatever they hold
    DOUBLES_EQUAL(0, ypr.c[0], 0);
    DOUBLES_EQUAL(0, ypr.c[1], 0);
    DOUBLES_EQUAL(100, ypr.c[2], 0);

    char notDecimal[] = "$AQRRG,08,nan,-inf,0x10*XX\r\n";
    AqUartPacket_parseYawPitchRollRaw(notDecimal, &ypr);
    for (float c : ypr.c)
        DOUBLES_EQUAL(0, c, 0);

    // Decimals beyond the type's range would read as infinity.
    ypr = vec3f{{7, 7, 7}};
    char outOfRange[] = "$AQRRG,08,1e39,-5e38,1e-50*XX\r\n";
    AqUartPacket_parseYawPitchRollRaw(outOfRange, &ypr);
    for (float c : ypr.c)
        DOUBLES_EQUAL(0, c, 0);
    vec3d lla = {{7, 7, 7}};
    char hugeDouble[] = "$AQISL,1,2,3,1e309,-1e400,48.5*XX\r\n";
    HeapSentence isl(hugeDouble);
    AqUartPacket p = isl.view();
    AqUartPacket_parseAQISL(&p, &ypr, &lla, NULL, NULL, NULL);
    DOUBLES_EQUAL(0, lla.c[0], 0);
    DOUBLES_EQUAL(0, lla.c[1], 0);
    DOUBLES_EQUAL(48.5, lla.c[2], 0);

    uint32_t baud = 5;
    char notANumber[] = "$AQRRG,05,fast*XX\r\n";
    AqUartPacket_parseSerialBaudRateRaw(notANumber, &baud);
    LONGS_EQUAL(0, baud);
}

TEST(AqUartPacketParsers, every_register_parser_refuses_a_reply_short_of_its_fields)
{
    int parsers = 0;
    for (const AqParserCase& c : kAqParserCases)
    {
        if (c.family != AQPARSER_UART_RESPONSE || c.fields < 0)
            continue;
        // The whole reply and every shorter one, down to the register number alone.
        for (int k = c.fields; k >= 0; --k)
        {
            std::string text = "$AQRRG,99";
            for (int i = 0; i < k; ++i)
                text += ",1";
            text += "*XX\r\n";
            HeapSentence s(text);
            std::string label = std::string(c.name) + " on " + text;
            CHECK_EQUAL_TEXT(k == c.fields, c.run(s.bytes, s.length), label.c_str());
        }
        ++parsers;
    }
    // Numeric registers of the catalogue and those with parsers only, Raw and view.
    LONGS_EQUAL(2 * 58, parsers);
}

TEST(AqUartPacketParsers, async_ymr_reports_whether_all_twelve_values_arrived)
{
    FieldValues o;
    std::string whole = "$AQYMR" + fieldTexts("vvvv") + "*XX\r\n";
    HeapSentence full(whole);
    AqUartPacket p = full.view();
    LONGS_EQUAL(E_NONE, AqUartPacket_parseAQYMR(&p, &o.v[0], &o.v[1], &o.v[2], &o.v[3]));

    HeapSentence cut(whole.substr(0, whole.rfind(',')) + "*XX\r\n");
    p = cut.view();
    FieldValues c;
    LONGS_EQUAL(E_UNKNOWN, AqUartPacket_parseAQYMR(&p, &c.v[0], &c.v[1], &c.v[2], &c.v[3]));
    DOUBLES_EQUAL(o.v[3].c[1], c.v[3].c[1], 0);
    const unsigned char* last = (const unsigned char*)&c.v[3].c[2];
    for (size_t i = 0; i < sizeof(float); ++i)
        BYTES_EQUAL(kMarker, last[i]); // the missing twelfth value was not written
}

TEST(AqUartPacketParsers, text_registers_copy_within_capacity_and_empty_when_absent)
{
    struct
    {
        const char* sentence;
        size_t capacity;
        const char* expected;
        bool whole; // the text field is there, even empty
    } rows[] = {
        {"$AQRRG,01,AQ-9 INERTIAL*XX\r\n", 32, "AQ-9 INERTIAL", true},
        {"$AQRRG,01,AQ-9 INERTIAL*XX\r\n", 5, "AQ-9", true},
        {"$AQRRG,01,AQ-9 INERTIAL*XX\r\n", 1, "", true},
        {"$AQRRG,01,*XX\r\n", 32, "", true},
        {"$AQRRG,01*XX\r\n", 32, "", false},
        {"$AQRRG,01,no end", 32, "no end", true},
    };
    for (auto& row : rows)
    {
        HeapSentence s(row.sentence);
        char out[33];
        memset(out, '#', sizeof out);
        AqUartPacket p = s.view();
        CHECK_EQUAL_TEXT(row.whole, AqUartPacket_parseModelNumber(&p, out, row.capacity), row.sentence);
        STRCMP_EQUAL_TEXT(row.expected, out, row.sentence);
        BYTES_EQUAL_TEXT('#', out[row.capacity], row.sentence);
    }
    char out[4] = "###";
    char sentence[] = "$AQRRG,04,1.2.0.3*XX\r\n";
    AqUartPacket_parseFirmwareVersionRaw(sentence, out, 0);
    STRCMP_EQUAL("###", out); // no capacity, nothing written
}

TEST(AqUartPacketParsers, binary_output_reads_one_hex_field_per_announced_group)
{
    uint16_t v[10];
    memset(v, 0x5A, sizeof v);
    char sentence[] = "$AQRRG,75,1,80,05,1528,3F*XX\r\n";
    CHECK_TRUE(AqUartPacket_parseBinaryOutputRaw(sentence, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8],
                                                 &v[9]));
    const uint16_t expected[10] = {1, 80, 0x05, 0x1528, 0, 0x3F, 0, 0, 0, 0};
    for (int i = 0; i < 10; ++i)
        LONGS_EQUAL_TEXT(expected[i], v[i], std::to_string(i).c_str());

    // A group announced but missing: the field stays cleared.
    char cut[] = "$AQRRG,76,2,4,11,8*XX\r\n";
    CHECK_FALSE(
        AqUartPacket_parseBinaryOutputRaw(cut, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9]));
    LONGS_EQUAL(0x11, v[2]);
    LONGS_EQUAL(8, v[3]);
    LONGS_EQUAL(0, v[7]);
}

TEST(AqUartPacketParsers, error_report_reads_the_hex_number_after_the_header)
{
    struct
    {
        const char* sentence;
        uint8_t expected;
    } rows[] = {
        {"$AQERR,0C*XX\r\n", 12}, {"$AQERR,0C*4E\r\n", 12}, {"$AQERR,0c*XX\r\n", 12}, {"$AQERR,3\r\n", 3},
        {"$AQERR,*XX\r\n", 0},    {"$AQERR", 0},            {"$AQ\r\n", 0},
    };
    for (auto& row : rows)
    {
        HeapSentence s(row.sentence);
        uint8_t error = 99;
        AqUartPacket p = s.view();
        AqUartPacket_parseError(&p, &error);
        LONGS_EQUAL_TEXT(row.expected, error, row.sentence);
    }
}
