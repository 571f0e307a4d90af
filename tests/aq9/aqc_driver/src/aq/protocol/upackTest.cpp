#include <math.h>
#include <string.h>

#include "aq/protocol/upack.h"
#include "upackTestBytes.h"

#include "CppUTest/TestHarness.h"

namespace
{

template <typename T> void appendLe(Bytes& b, T value)
{
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(&value);
    b.insert(b.end(), raw, raw + sizeof value);
}

bool isValidText(const std::string& text)
{
    std::string copy = text;
    AqUartPacket p;
    AqUartPacket_initialize(&p, reinterpret_cast<uint8_t*>(&copy[0]), copy.size());
    return AqUartPacket_isValid(&p) == 1;
}

} // namespace

TEST_GROUP(upack)
{
    AqUartPacket packet;
    Bytes bytes;

    void view(const Bytes& b)
    {
        bytes = b;
        AqUartPacket_initialize(&packet, bytes.data(), bytes.size());
    }
};

TEST(upack, ascii_validation_follows_the_check_text)
{
    const std::string body = "$AQRRG,08,+010.071,-002.342,+001.120";
    struct Row
    {
        const char* label;
        std::string text;
        bool valid;
    } rows[] = {
        {"bare XX form, 7 bytes", "$ABXX\r\n", true},
        {"6 bytes", "$VXX\r\n", false},
        {"XX check text", body + "*XX\r\n", true},
        {"right checksum", body + "*5E\r\n", true},
        {"lower-case checksum", body + "*5e\r\n", true},
        {"wrong checksum", body + "*5F\r\n", false},
        {"checksum with a non-hex digit", body + "*<E\r\n", false},
        {"right CRC-16", body + "*FC9B\r\n", true},
        {"wrong CRC-16", body + "*FC9C\r\n", false},
        {"CRC-16 with a non-hex digit", body + "*FC9G\r\n", false},
        {"star 6 from the end", body + "*5E0\r\n", false},
        {"no star at all", body + "5E\r\n", false},
        {"line end not examined", body + "*5E??", true},
        {"checksum of a damaged body", "$AQRRG,08,+010.071,-002.343,+001.120*5E\r\n", false},
        {"not a sentence", "#AQRRG,08*XX\r\n", false},
    };
    for (const Row& row : rows)
        CHECK_EQUAL_TEXT(row.valid, isValidText(row.text), row.label);
}

TEST(upack, binary_crc_covers_every_byte_after_the_sync_byte)
{
    const Bytes good = fromHex(RECORD_78_HEX);
    view(good);
    LONGS_EQUAL(PACKETTYPE_BINARY, AqUartPacket_type(&packet));
    LONGS_EQUAL(1, AqUartPacket_isValid(&packet));
    for (size_t i = 1; i < good.size(); i++)
        for (uint8_t mask : {0x01, 0x80, 0xFF})
        {
            Bytes damaged = good;
            damaged[i] ^= mask;
            view(damaged);
            CHECK_EQUAL_TEXT(0, AqUartPacket_isValid(&packet), ("byte " + std::to_string(i)).c_str());
        }
    view(Bytes(good.begin(), good.begin() + 6));
    LONGS_EQUAL(0, AqUartPacket_isValid(&packet));
}

TEST(upack, classification_by_first_byte)
{
    const struct
    {
        Bytes bytes;
        PacketType type;
    } rows[] = {{Bytes(), PACKETTYPE_UNKNOWN},
                {{'$'}, PACKETTYPE_ASCII},
                {{0xFA}, PACKETTYPE_BINARY},
                {{0xFB}, PACKETTYPE_UNKNOWN}};
    for (const auto& row : rows)
    {
        view(row.bytes);
        LONGS_EQUAL(row.type, AqUartPacket_type(&packet));
    }
}

TEST(upack, header_matching_on_the_three_letter_code)
{
    struct Row
    {
        const char* text;
        AqAsciiAsync async;
        bool response;
        bool error;
    } rows[] = {
        {"$AQYPR,", AQYPR, false, false}, {"$AQQTN,", AQQTN, false, false}, {"$AQQMR,", AQQMR, false, false},
        {"$AQMAG,", AQMAG, false, false}, {"$AQACC,", AQACC, false, false}, {"$AQGYR,", AQGYR, false, false},
        {"$AQMAR,", AQMAR, false, false}, {"$AQYMR,", AQYMR, false, false}, {"$AQYBA,", AQYBA, false, false},
        {"$AQYIA,", AQYIA, false, false}, {"$AQIMU,", AQIMU, false, false}, {"$AQGPS,", AQGPS, false, false},
        {"$AQGPE,", AQGPE, false, false}, {"$AQINS,", AQINS, false, false}, {"$AQINE,", AQINE, false, false},
        {"$AQISL,", AQISL, false, false}, {"$AQISE,", AQISE, false, false}, {"$AQDTV,", AQDTV, false, false},
        {"$AQWRG,", AQOFF, true, false},  {"$AQRRG,", AQOFF, true, false},  {"$AQWNV,", AQOFF, true, false},
        {"$AQRFS,", AQOFF, true, false},  {"$AQRST,", AQOFF, true, false},  {"$AQFWU,", AQOFF, true, false},
        {"$AQCMD,", AQOFF, true, false},  {"$AQASY,", AQOFF, true, false},  {"$AQTAR,", AQOFF, true, false},
        {"$AQKMD,", AQOFF, true, false},  {"$AQKAD,", AQOFF, true, false},  {"$AQSGB,", AQOFF, true, false},
        {"$AQERR,", AQOFF, false, true},  {"$AQyPR,", AQOFF, false, false}, {"$AQOFF,", AQOFF, false, false},
        {"$AQYP", AQOFF, false, false},
    };
    for (const Row& row : rows)
    {
        std::string text = row.text;
        AqUartPacket_initializeFromStr(&packet, &text[0]);
        LONGS_EQUAL_TEXT(row.async, AqUartPacket_determineAsciiAsyncType(&packet), row.text);
        CHECK_EQUAL_TEXT(row.async != AQOFF, AqUartPacket_isAsciiAsync(&packet) == 1, row.text);
        CHECK_EQUAL_TEXT(row.response, AqUartPacket_isResponse(&packet) == 1, row.text);
        CHECK_EQUAL_TEXT(row.error, AqUartPacket_isError(&packet) == 1, row.text);
    }
}

TEST(upack, async_texts_fit_their_buffer)
{
    char out[AQ_ASCII_ASYNC_TEXT_SIZE + 1];
    out[AQ_ASCII_ASYNC_TEXT_SIZE] = 0x5A;
    strFromAqAsciiAsync(out, AQQTN);
    STRCMP_EQUAL("Quaterion", out);
    strFromAqAsciiAsync(out, static_cast<AqAsciiAsync>(3));
    STRCMP_EQUAL("Unknown", out);
    strFromAqAsciiAsync(out, AQYMR);
    STRCMP_EQUAL("Yaw, Pitch, Roll, Magnetic, Acceleration, and Angular Rate Measurements", out);
    BYTES_EQUAL(0x5A, out[AQ_ASCII_ASYNC_TEXT_SIZE]);
}

TEST(upack, packet_length_from_the_header_alone)
{
    struct Row
    {
        const char* label;
        const char* header;
        size_t length;
    } rows[] = {
        {"yaw-pitch-roll only", "fa010800", 18},
        {"common and imu temperature, pressure", "fa0508003000", 28},
        {"binary output 1 record", "fa1128150001", 78},
        {"binary output 2 record", "fa043e00", 50},
        {"no group", "fa00", 4},
        {"group bit 7 ignored", "fa80", 4},
        {"second gps, dop only", "fa400020", 34},
        {"field bit 15 has no size", "fa010080", 6},
        // Row sums: common 198, time 59, IMU 152, GPS 142, attitude 190, INS 262, GPS2 142.
        {"every group, every field", "faffff7fff7fff7fff7fff7fff7fff7f",
         2 + 7 * 2 + 198 + 59 + 152 + 142 + 190 + 262 + 142 + 2},
    };
    for (const Row& row : rows)
    {
        const Bytes header = fromHex(row.header);
        LONGS_EQUAL_TEXT(row.length, AqUartPacket_computeBinaryPacketLength(header.data()), row.label);
    }
}

TEST(upack, group_payload_uses_the_row_of_the_group)
{
    struct Row
    {
        BinaryGroupType group;
        uint16_t field;
        size_t bytes;
    } rows[] = {
        {BINARYGROUPTYPE_COMMON, 0x1528, 58},   {BINARYGROUPTYPE_ATTITUDE, 0x0100, 12},
        {BINARYGROUPTYPE_IMU, 0x003E, 44},      {BINARYGROUPTYPE_IMU, 0x1000, 40},
        {BINARYGROUPTYPE_INS, 0x1800, 132},     {BINARYGROUPTYPE_TIME, 0x7C00, 0},
        {BINARYGROUPTYPE_TIME, 0x0240, 9},      {BINARYGROUPTYPE_GPS, 0x3000, 30},
        {BINARYGROUPTYPE_GPS2, 0x3000, 30},     {BINARYGROUPTYPE_ATTITUDE, 0x0E08, 100},
        {BINARYGROUPTYPE_COMMON, 0x8000, 0},    {static_cast<BinaryGroupType>(0), 0x7FFF, 0},
    };
    for (const Row& row : rows)
        LONGS_EQUAL_TEXT(row.bytes, AqUartPacket_computeNumOfBytesForBinaryGroupPayload(row.group, row.field),
                         ("group " + std::to_string(row.group) + " field " + std::to_string(row.field)).c_str());
}

TEST(upack, compatibility_requires_exactly_the_expected_groups)
{
    struct Row
    {
        const char* label;
        const char* header;
        uint16_t common, imu, attitude;
        bool compatible;
    } rows[] = {
        {"common ypr as expected", "fa010800", 0x0008, 0, 0, true},
        {"unexpected time group", "fa0308000100", 0x0008, 0, 0, false},
        {"other common fields", "fa010900", 0x0008, 0, 0, false},
        {"expected group not announced", "fa100800", 0x0008, 0, 0, false},
        {"binary output 1", "fa1128150001", 0x1528, 0, 0x0100, true},
        {"binary output 1 without attitude expected", "fa1128150001", 0x1528, 0, 0, false},
        {"binary output 2", "fa043e00", 0, 0x003E, 0, true},
        {"binary output 2 against output 1", "fa043e00", 0x1528, 0, 0x0100, false},
        {"word beyond the view", "fa01", 0x0008, 0, 0, false},
    };
    for (const Row& row : rows)
    {
        view(fromHex(row.header));
        const bool got = AqUartPacket_isCompatible(&packet, static_cast<CommonGroup>(row.common), TIMEGROUP_NONE,
                                                   static_cast<ImuGroup>(row.imu), GPSGROUP_NONE,
                                                   static_cast<AttitudeGroup>(row.attitude), INSGROUP_NONE,
                                                   GPSGROUP_NONE) == 1;
        CHECK_EQUAL_TEXT(row.compatible, got, row.label);
    }
}

TEST(upack, sensor_records_read_in_layout_order)
{
    // Layout letters: f float, H uint16. Values as the sensor's documentation
    // prints them, to six decimals.
    struct Row
    {
        const char* label;
        const char* hex;
        size_t firstPayloadByte;
        const char* layout;
        std::vector<double> values;
    } rows[] = {
        {"binary output 1", RECORD_78_HEX, 6, "ffffffffffffffHfff",
         {-31.424128, 0.384415, -0.221387, 0.000437, 0.000914, 0.000621, 0.045011, 0.042623, -9.514268, 0.263523,
          0.162135, 0.433429, 25.135, 101.634, 0, 0.046515, 0.028722, 0.029956}},
        {"binary output 2", RECORD_50_HEX, 4, "fffffffffff",
         {0.270182, 0.126994, 0.433079, 0.080015, 0.046209, -9.485458, -0.002589, 0.000513, -0.004219, 22.25,
          101.381}},
    };
    for (const Row& row : rows)
    {
        view(fromHex(row.hex));
        CHECK_TEXT(AqUartPacket_isValid(&packet), row.label);
        LONGS_EQUAL_TEXT(bytes.size(), AqUartPacket_computeBinaryPacketLength(packet.data), row.label);
        AqUartPacket_startExtractionIfNeeded(&packet);
        LONGS_EQUAL_TEXT(row.firstPayloadByte, packet.curExtractLoc, row.label);
        for (size_t k = 0; row.layout[k] != '\0'; k++)
        {
            const double v =
                row.layout[k] == 'f' ? AqUartPacket_extractFloat(&packet) : AqUartPacket_extractUint16(&packet);
            // Half a unit of the sixth decimal, plus float resolution at the value's magnitude.
            const double tol = 1e-6 + 1e-7 * fabs(row.values[k]);
            DOUBLES_EQUAL_TEXT(row.values[k], v, tol, (std::string(row.label) + " field " + std::to_string(k)).c_str());
        }
        LONGS_EQUAL_TEXT(bytes.size() - 2, packet.curExtractLoc, row.label);
    }
}

TEST(upack, every_extraction_member_reads_its_width_little_endian)
{
    // Common: startup time (u64), quaternion, position (vec3d), sync-in count (u32);
    // GPS: UTC, satellites, time info, DOP; attitude: AFE status (u16), DCM.
    Bytes b = {0x19, 0x51, 0x20, 0x09, 0x30, 0x09, 0x00};
    appendLe<uint64_t>(b, 0x0102030405060708ull);
    for (float f : {0.5f, -0.25f, 0.125f, 1.0f})
        appendLe(b, f);
    for (double d : {48.5, -123.25, 12.0})
        appendLe(b, d);
    appendLe<uint32_t>(b, 0xA1B2C3D4u);
    for (uint8_t x : {0xFE, 12, 31, 23, 59, 58, 0xE7, 0x03, 0xF6, 3, 0xEE})
        b.push_back(x); // UTC, 246 satellites (-10 signed), time status 3, leap -18
    for (int k = 0; k < 7; k++)
        appendLe(b, 1.5f * static_cast<float>(k));
    appendLe<uint16_t>(b, 0xBEEF);
    for (int k = 0; k < 9; k++)
        appendLe(b, static_cast<float>(k) + 0.5f);
    view(binaryPacket(b));
    LONGS_EQUAL(139, AqUartPacket_computeBinaryPacketLength(packet.data));

    UNSIGNED_LONGLONGS_EQUAL(0x0102030405060708ull, AqUartPacket_extractUint64(&packet));
    DOUBLES_EQUAL(1.0, AqUartPacket_extractVec4f(&packet).c[3], 0.0);
    DOUBLES_EQUAL(12.0, AqUartPacket_extractVec3d(&packet).c[2], 0.0);
    UNSIGNED_LONGS_EQUAL(0xA1B2C3D4u, AqUartPacket_extractUint32(&packet));
    const TimeUtc t = AqUartPacket_extractTimeUtc(&packet);
    CHECK(t.year == -2 && t.day == 31 && t.sec == 58 && t.ms == 999);
    const size_t satellites = packet.curExtractLoc;
    LONGS_EQUAL(246, AqUartPacket_extractUint8(&packet));
    const TimeInfo info = AqUartPacket_extractTimeInfo(&packet);
    CHECK(info.timeStatus == 3 && info.leapSeconds == -18);
    DOUBLES_EQUAL(9.0, AqUartPacket_extractGpsDop(&packet).eDOP, 0.0);
    LONGS_EQUAL(0xBEEF, AqUartPacket_extractUint16(&packet));
    DOUBLES_EQUAL(8.5, AqUartPacket_extractMat3f(&packet).e[8], 0.0);
    LONGS_EQUAL(bytes.size() - 2, packet.curExtractLoc);

    packet.curExtractLoc = satellites;
    LONGS_EQUAL(-10, AqUartPacket_extractInt8(&packet));
}
