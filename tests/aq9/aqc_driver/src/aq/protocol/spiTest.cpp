#include <string.h>

#include <functional>
#include <vector>

#include "CppUTest/TestHarness.h"
#include "aq/protocol/spi.h"
#include "aq/protocol/spi_catalogue.h"

namespace {

const char kMarker = '\x5A';
const size_t kFrameCap = 128;

typedef AqError (*ReadGen)(char*, size_t*, size_t, size_t*);

// A write request turned into the sensor's answer: 00, 02, register, no error,
// then the request's payload, as the sensor echoes what it stored.
void answerTo(const char* request, size_t frameSize, char* response)
{
    memset(response, 0, kFrameCap);
    response[1] = request[0];
    response[2] = request[1];
    memcpy(response + 4, request + 4, frameSize - 4);
}

void putFloat(char* p, float f)
{
    memcpy(p, &f, 4);
}

void putDouble(char* p, double d)
{
    memcpy(p, &d, 8);
}

vec3f v3(float a, float b, float c)
{
    vec3f v = {{a, b, c}};
    return v;
}

void vecsEqual(const vec3f& want, const vec3f& got, const char* what)
{
    for (int i = 0; i < 3; i++)
    {
        DOUBLES_EQUAL_TEXT(want.c[i], got.c[i], 0.0, what);
    }
}

void matsEqual(const mat3f& want, const mat3f& got, const char* what)
{
    for (int i = 0; i < 9; i++)
    {
        DOUBLES_EQUAL_TEXT(want.e[i], got.e[i], 0.0, what);
    }
}

mat3f counting(float start)
{
    mat3f m;
    for (int i = 0; i < 9; i++)
    {
        m.e[i] = start + 0.5f * static_cast<float>(i);
    }
    return m;
}

}  // namespace

TEST_GROUP(spi)
{
    char buf[kFrameCap];
    char rsp[kFrameCap];
    size_t size;
    size_t responseSize;

    void setup()
    {
        memset(buf, kMarker, sizeof buf);
        memset(rsp, 0, sizeof rsp);
        size = sizeof buf;
        responseSize = 0;
    }

    // Generates a write into buf, checks its header and frame size, and builds
    // the sensor's echo of it in rsp.
    void written(AqError err, uint8_t reg, size_t frameSize)
    {
        LONGS_EQUAL_TEXT(E_NONE, err, StringFromFormat("register %d", reg).asCharString());
        LONGS_EQUAL_TEXT(frameSize, responseSize, StringFromFormat("register %d", reg).asCharString());
        BYTES_EQUAL(2, buf[0]);
        BYTES_EQUAL(reg, buf[1]);
        BYTES_EQUAL(0, buf[2]);
        BYTES_EQUAL(0, buf[3]);
        answerTo(buf, frameSize, rsp);
    }
};

// ---------------------------------------------------------------------------
// Frame sizes and request layout

TEST(spi, every_read_generator_reports_its_frame_size_and_writes_the_header_only)
{
    struct Row
    {
        const char* name;
        ReadGen gen;
        uint8_t reg;
        size_t frame;
#define READ(name, reg, frame) {#name, AqSpi_genRead##name, reg, frame}
    } rows[] = {
        READ(UserTag, 0, 4),
        READ(ModelNumber, 1, 4),
        READ(HardwareRevision, 2, 8),
        READ(SerialNumber, 3, 8),
        READ(FirmwareVersion, 4, 4),
        READ(SerialBaudRate, 5, 9),
        READ(AsyncDataOutputType, 6, 9),
        READ(AsyncDataOutputFrequency, 7, 9),
        READ(YawPitchRoll, 8, 16),
        READ(AttitudeQuaternion, 9, 20),
        READ(QuaternionMagneticAccelerationAndAngularRates, 15, 56),
        READ(MagneticMeasurements, 17, 16),
        READ(AccelerationMeasurements, 18, 16),
        READ(AngularRateMeasurements, 19, 16),
        READ(MagneticAccelerationAndAngularRates, 20, 40),
        READ(MagneticAndGravityReferenceVectors, 21, 28),
        READ(MagnetometerCompensation, 23, 52),
        READ(AccelerationCompensation, 25, 52),
        READ(ReferenceFrameRotation, 26, 40),
        READ(YawPitchRollMagneticAccelerationAndAngularRates, 27, 52),
        READ(CommunicationProtocolControl, 30, 11),
        READ(SynchronizationControl, 32, 24),
        READ(SynchronizationStatus, 33, 16),
        READ(AfeBasicControl, 35, 8),
        READ(AfeMagnetometerBasicTuning, 36, 40),
        READ(AfeAccelerometerBasicTuning, 38, 40),
        READ(MagnetometerCalibrationControl, 44, 7),
        READ(CalculatedMagnetometerCalibration, 47, 52),
        READ(VelocityCompensationMeasurement, 50, 16),
        READ(VelocityCompensationControl, 51, 13),
        READ(ImuMeasurements, 54, 48),
        READ(GpsConfiguration, 55, 9),
        READ(GpsAntennaOffset, 57, 16),
        READ(GpsSolutionLla, 58, 76),
        READ(GpsSolutionEcef, 59, 76),
        READ(InsSolutionLla, 63, 76),
        READ(InsSolutionEcef, 64, 76),
        READ(InsBasicConfiguration, 67, 8),
        READ(InsStateLla, 72, 76),
        READ(InsStateEcef, 73, 76),
        READ(StartupFilterBiasEstimate, 74, 32),
        READ(DeltaThetaAndDeltaVelocity, 80, 32),
        READ(DeltaThetaAndDeltaVelocityConfiguration, 82, 10),
        READ(ReferenceVectorConfiguration, 83, 44),
        READ(GyroCompensation, 84, 52),
        READ(ImuFilteringConfiguration, 85, 19),
        READ(GpsCompassBaseline, 93, 28),
        READ(GpsCompassEstimatedBaseline, 97, 32),
        READ(YawPitchRollTrueBodyAccelerationAndAngularRates, 239, 40),
        READ(YawPitchRollTrueInertialAccelerationAndAngularRates, 240, 40),
    };
#undef READ
    for (const Row& r : rows)
    {
        setup();
        size = 256;  // the link's capacity; only the header may be written
        LONGS_EQUAL_TEXT(E_NONE, r.gen(buf, &size, 0, &responseSize), r.name);
        LONGS_EQUAL_TEXT(r.frame, responseSize, r.name);
        LONGS_EQUAL_TEXT(4, size, r.name);
        BYTES_EQUAL(1, buf[0]);
        LONGS_EQUAL_TEXT(r.reg, static_cast<uint8_t>(buf[1]), r.name);
        BYTES_EQUAL(0, buf[2]);
        BYTES_EQUAL(0, buf[3]);
        BYTES_EQUAL(kMarker, buf[4]);
    }
}

TEST(spi, write_only_and_register_less_frame_sizes)
{
    vec3f z = v3(0, 0, 0);
    LONGS_EQUAL(E_NONE, AqSpi_genWriteAfeGyroBasicTuning(buf, &size, 0, &responseSize, z, z, z));
    LONGS_EQUAL(40, responseSize);
    typedef AqError (*Cmd)(char*, size_t*, size_t, size_t*);
    const Cmd cmds[] = {AqSpi_genWriteSettings, AqSpi_genRestorFactorySettings, AqSpi_genTare, AqSpi_genReset};
    const char ids[] = {3, 4, 5, 6};
    for (int i = 0; i < 4; i++)
    {
        setup();
        LONGS_EQUAL(E_NONE, cmds[i](buf, &size, 0, &responseSize));
        LONGS_EQUAL(2, responseSize);
        LONGS_EQUAL(1, size);
        BYTES_EQUAL(ids[i], buf[0]);
        BYTES_EQUAL(kMarker, buf[1]);
    }
}

// The catalogue's layouts must fill their frames: a field of the wrong width
// would survive a round trip but misplace everything after it on the wire.
TEST(spi, every_catalogue_layout_fills_its_frame)
{
    for (int id = 0; id < 256; id++)
    {
        const AqSpiRegister* r = AqSpiCatalogue_find(static_cast<uint8_t>(id));
        if (r == nullptr || r->layout == nullptr)
        {
            continue;
        }
        // 5, 6 and 7 carry one uint32_t in a 9-byte frame.
        size_t slack = (id >= 5 && id <= 7) ? 1 : 0;
        LONGS_EQUAL_TEXT(r->frameSize, 4 + AqSpiCatalogue_layoutSize(r->layout) + slack,
                         StringFromFormat("register %d", id).asCharString());
    }
}

TEST(spi, read_and_command_generators_honour_capacity_and_desired_length)
{
    struct Row
    {
        const char* label;
        size_t capacity;
        size_t desired;
        AqError result;
        size_t sizeAfter;
        size_t bytesWritten;
    } reads[] = {
        {"no wish", 256, 0, E_NONE, 4, 4},
        {"padded to 16", 256, 16, E_NONE, 16, 16},
        {"wish below the header", 256, 2, E_NONE, 4, 4},
        {"capacity 3", 3, 0, E_BUFFER_TOO_SMALL, 3, 0},
        {"wish beyond capacity", 8, 9, E_BUFFER_TOO_SMALL, 8, 0},
    };
    for (const Row& r : reads)
    {
        setup();
        size = r.capacity;
        LONGS_EQUAL_TEXT(r.result, AqSpi_genRead(buf, &size, 8, r.desired), r.label);
        LONGS_EQUAL_TEXT(r.sizeAfter, size, r.label);
        for (size_t i = 0; i < r.bytesWritten; i++)
        {
            LONGS_EQUAL_TEXT(i == 0 ? 1 : i == 1 ? 8 : 0, buf[i], r.label);
        }
        BYTES_EQUAL(kMarker, buf[r.bytesWritten]);
    }

    size = 3;
    LONGS_EQUAL(E_BUFFER_TOO_SMALL, AqSpi_genReadYawPitchRoll(buf, &size, 0, &responseSize));
    LONGS_EQUAL(0, responseSize);

    setup();
    LONGS_EQUAL(E_NONE, AqSpi_genReset(buf, &size, 4, &responseSize));
    LONGS_EQUAL(4, size);
    MEMCMP_EQUAL("\x06\x00\x00\x00", buf, 4);
    BYTES_EQUAL(kMarker, buf[4]);

    setup();
    size = 0;
    LONGS_EQUAL(E_BUFFER_TOO_SMALL, AqSpi_genWriteSettings(buf, &size, 0, &responseSize));
    size = 3;
    LONGS_EQUAL(E_BUFFER_TOO_SMALL, AqSpi_genTare(buf, &size, 4, &responseSize));
    BYTES_EQUAL(kMarker, buf[0]);
}

TEST(spi, write_puts_values_little_endian_after_the_header_and_checks_capacity)
{
    LONGS_EQUAL(E_NONE, AqSpi_genWriteSerialBaudRate(buf, &size, 0, &responseSize, 115200));
    MEMCMP_EQUAL("\x02\x05\x00\x00\x00\xC2\x01\x00", buf, 8);
    LONGS_EQUAL(9, responseSize);
    LONGS_EQUAL(sizeof buf, size);
    BYTES_EQUAL(kMarker, buf[8]);

    setup();
    size = 8;
    LONGS_EQUAL(E_BUFFER_TOO_SMALL, AqSpi_genWriteSerialBaudRate(buf, &size, 0, &responseSize, 115200));
    BYTES_EQUAL(kMarker, buf[0]);
    LONGS_EQUAL(0, responseSize);

    // A matrix travels in storage order e[0..8].
    setup();
    LONGS_EQUAL(E_NONE, AqSpi_genWriteReferenceFrameRotation(buf, &size, 0, &responseSize, counting(1.0f)));
    for (int i = 0; i < 9; i++)
    {
        float f;
        memcpy(&f, buf + 4 + 4 * i, 4);
        DOUBLES_EQUAL(1.0f + 0.5f * i, f, 0.0);
    }
    BYTES_EQUAL(kMarker, buf[40]);
}

TEST(spi, user_tag_write_needs_room_for_the_whole_tag)
{
    char tag[] = "hull-7";
    size = 9;
    LONGS_EQUAL(E_BUFFER_TOO_SMALL, AqSpi_genWriteUserTag(buf, &size, 0, &responseSize, tag));
    BYTES_EQUAL(kMarker, buf[0]);

    size = 10;
    LONGS_EQUAL(E_NONE, AqSpi_genWriteUserTag(buf, &size, 0, &responseSize, tag));
    LONGS_EQUAL(4, responseSize);
    MEMCMP_EQUAL("\x02\x00\x00\x00hull-7", buf, 10);
    BYTES_EQUAL(kMarker, buf[10]);  // no terminator on the wire

    // The echo carries the tag back; a terminator ends it in the frame.
    answerTo(buf, 10, rsp);
    char back[16];
    LONGS_EQUAL(E_NONE, AqSpi_parseUserTag(rsp, back, sizeof back));
    STRCMP_EQUAL("hull-7", back);
}

// ---------------------------------------------------------------------------
// Round trips: write, echo, parse back; every field compared

TEST(spi, round_trip_integer_registers)
{
    written(AqSpi_genWriteSerialBaudRate(buf, &size, 0, &responseSize, 0x12345678u), 5, 9);
    uint32_t u = 0;
    LONGS_EQUAL(E_NONE, AqSpi_parseSerialBaudRate(rsp, &u));
    UNSIGNED_LONGS_EQUAL(0x12345678u, u);

    written(AqSpi_genWriteAsyncDataOutputType(buf, &size, 0, &responseSize, 0x0A0B0C0Du), 6, 9);
    LONGS_EQUAL(E_NONE, AqSpi_parseAsyncDataOutputType(rsp, &u));
    UNSIGNED_LONGS_EQUAL(0x0A0B0C0Du, u);

    written(AqSpi_genWriteAsyncDataOutputFrequency(buf, &size, 0, &responseSize, 0xCAFE0040u), 7, 9);
    LONGS_EQUAL(E_NONE, AqSpi_parseAsyncDataOutputFrequency(rsp, &u));
    UNSIGNED_LONGS_EQUAL(0xCAFE0040u, u);

    written(AqSpi_genWriteCommunicationProtocolControl(buf, &size, 0, &responseSize, 1, 2, 3, 4, 5, 6, 7), 30, 11);
    uint8_t b[10] = {0};
    LONGS_EQUAL(E_NONE,
                AqSpi_parseCommunicationProtocolControl(rsp, &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &b[6]));
    for (int i = 0; i < 7; i++)
    {
        LONGS_EQUAL(i + 1, b[i]);
    }

    written(AqSpi_genWriteSynchronizationControl(buf, &size, 0, &responseSize, 0x11, 0x22, 0x3344, 0x55667788u,
                                                 0x99, 0xAA, 0xBBCC, 0xDDEEFF01u, 0x02030405u),
            32, 24);
    uint16_t h[5] = {0};
    uint32_t w[5] = {0};
    LONGS_EQUAL(E_NONE, AqSpi_parseSynchronizationControl(rsp, &b[0], &b[1], &h[0], &w[0], &b[2], &b[3], &h[1],
                                                          &w[1], &w[2]));
    LONGS_EQUAL(0x11, b[0]);
    LONGS_EQUAL(0x22, b[1]);
    LONGS_EQUAL(0x3344, h[0]);
    UNSIGNED_LONGS_EQUAL(0x55667788u, w[0]);
    LONGS_EQUAL(0x99, b[2]);
    LONGS_EQUAL(0xAA, b[3]);
    LONGS_EQUAL(0xBBCC, h[1]);
    UNSIGNED_LONGS_EQUAL(0xDDEEFF01u, w[1]);
    UNSIGNED_LONGS_EQUAL(0x02030405u, w[2]);

    written(AqSpi_genWriteSynchronizationStatus(buf, &size, 0, &responseSize, 0x01020304u, 0x05060708u, 0x090A0B0Cu),
            33, 16);
    LONGS_EQUAL(E_NONE, AqSpi_parseSynchronizationStatus(rsp, &w[0], &w[1], &w[2]));
    UNSIGNED_LONGS_EQUAL(0x01020304u, w[0]);
    UNSIGNED_LONGS_EQUAL(0x05060708u, w[1]);
    UNSIGNED_LONGS_EQUAL(0x090A0B0Cu, w[2]);

    written(AqSpi_genWriteAfeBasicControl(buf, &size, 0, &responseSize, 0xF1, 0xF2, 0xF3, 0xF4), 35, 8);
    LONGS_EQUAL(E_NONE, AqSpi_parseAfeBasicControl(rsp, &b[0], &b[1], &b[2], &b[3]));
    LONGS_EQUAL(0xF1, b[0]);
    LONGS_EQUAL(0xF2, b[1]);
    LONGS_EQUAL(0xF3, b[2]);
    LONGS_EQUAL(0xF4, b[3]);

    written(AqSpi_genWriteMagnetometerCalibrationControl(buf, &size, 0, &responseSize, 3, 1, 9), 44, 7);
    LONGS_EQUAL(E_NONE, AqSpi_parseMagnetometerCalibrationControl(rsp, &b[0], &b[1], &b[2]));
    LONGS_EQUAL(3, b[0]);
    LONGS_EQUAL(1, b[1]);
    LONGS_EQUAL(9, b[2]);

    written(AqSpi_genWriteGpsConfiguration(buf, &size, 0, &responseSize, 10, 20, 30, 40, 50), 55, 9);
    LONGS_EQUAL(E_NONE, AqSpi_parseGpsConfiguration(rsp, &b[0], &b[1], &b[2], &b[3], &b[4]));
    for (int i = 0; i < 5; i++)
    {
        LONGS_EQUAL(10 * (i + 1), b[i]);
    }

    written(AqSpi_genWriteInsBasicConfiguration(buf, &size, 0, &responseSize, 0xE1, 0xE2, 0xE3, 0xE4), 67, 8);
    LONGS_EQUAL(E_NONE, AqSpi_parseInsBasicConfiguration(rsp, &b[0], &b[1], &b[2], &b[3]));
    LONGS_EQUAL(0xE1, b[0]);
    LONGS_EQUAL(0xE2, b[1]);
    LONGS_EQUAL(0xE3, b[2]);
    LONGS_EQUAL(0xE4, b[3]);

    written(AqSpi_genWriteDeltaThetaAndDeltaVelocityConfiguration(buf, &size, 0, &responseSize, 1, 2, 3, 4, 0xA55A),
            82, 10);
    LONGS_EQUAL(E_NONE, AqSpi_parseDeltaThetaAndDeltaVelocityConfiguration(rsp, &b[0], &b[1], &b[2], &b[3], &h[0]));
    LONGS_EQUAL(1, b[0]);
    LONGS_EQUAL(2, b[1]);
    LONGS_EQUAL(3, b[2]);
    LONGS_EQUAL(4, b[3]);
    LONGS_EQUAL(0xA55A, h[0]);

    written(AqSpi_genWriteImuFilteringConfiguration(buf, &size, 0, &responseSize, 0x0101, 0x0202, 0x0303, 0x0404,
                                                    0x0505, 6, 7, 8, 9, 10),
            85, 19);
    LONGS_EQUAL(E_NONE, AqSpi_parseImuFilteringConfiguration(rsp, &h[0], &h[1], &h[2], &h[3], &h[4], &b[0], &b[1],
                                                             &b[2], &b[3], &b[4]));
    for (int i = 0; i < 5; i++)
    {
        LONGS_EQUAL(0x0101 * (i + 1), h[i]);
        LONGS_EQUAL(6 + i, b[i]);
    }
}

TEST(spi, round_trip_vector_and_matrix_registers)
{
    vec3f a = v3(1.5f, -2.25f, 3.125f);
    vec3f b = v3(-0.5f, 4.75f, 1e-3f);
    vec3f c = v3(100.0f, -7.0f, 0.0625f);
    vec3f ra, rb, rc;
    mat3f m = counting(-3.0f);
    mat3f rm;

    written(AqSpi_genWriteMagneticAndGravityReferenceVectors(buf, &size, 0, &responseSize, a, b), 21, 28);
    LONGS_EQUAL(E_NONE, AqSpi_parseMagneticAndGravityReferenceVectors(rsp, &ra, &rb));
    vecsEqual(a, ra, "21 magRef");
    vecsEqual(b, rb, "21 accRef");

    struct CompRow
    {
        uint8_t reg;
        AqError (*gen)(char*, size_t*, size_t, size_t*, mat3f, vec3f);
        AqError (*parse)(const char*, mat3f*, vec3f*);
    } comps[] = {
        {23, AqSpi_genWriteMagnetometerCompensation, AqSpi_parseMagnetometerCompensation},
        {25, AqSpi_genWriteAccelerationCompensation, AqSpi_parseAccelerationCompensation},
        {84, AqSpi_genWriteGyroCompensation, AqSpi_parseGyroCompensation},
    };
    for (const CompRow& r : comps)
    {
        setup();
        written(r.gen(buf, &size, 0, &responseSize, m, c), r.reg, 52);
        LONGS_EQUAL(E_NONE, r.parse(rsp, &rm, &rb));
        matsEqual(m, rm, StringFromFormat("%d c", r.reg).asCharString());
        vecsEqual(c, rb, StringFromFormat("%d b", r.reg).asCharString());
    }

    setup();
    written(AqSpi_genWriteReferenceFrameRotation(buf, &size, 0, &responseSize, m), 26, 40);
    LONGS_EQUAL(E_NONE, AqSpi_parseReferenceFrameRotation(rsp, &rm));
    matsEqual(m, rm, "26");

    struct TuneRow
    {
        uint8_t reg;
        AqError (*gen)(char*, size_t*, size_t, size_t*, vec3f, vec3f, vec3f);
        AqError (*parse)(const char*, vec3f*, vec3f*, vec3f*);
    } tunes[] = {
        {36, AqSpi_genWriteAfeMagnetometerBasicTuning, AqSpi_parseAfeMagnetometerBasicTuning},
        {38, AqSpi_genWriteAfeAccelerometerBasicTuning, AqSpi_parseAfeAccelerometerBasicTuning},
        {40, AqSpi_genWriteAfeGyroBasicTuning, AqSpi_parseAfeGyroBasicTuning},
    };
    for (const TuneRow& r : tunes)
    {
        setup();
        written(r.gen(buf, &size, 0, &responseSize, a, b, c), r.reg, 40);
        LONGS_EQUAL(E_NONE, r.parse(rsp, &ra, &rb, &rc));
        vecsEqual(a, ra, StringFromFormat("%d first", r.reg).asCharString());
        vecsEqual(b, rb, StringFromFormat("%d second", r.reg).asCharString());
        vecsEqual(c, rc, StringFromFormat("%d third", r.reg).asCharString());
    }

    struct OneVecRow
    {
        uint8_t reg;
        AqError (*gen)(char*, size_t*, size_t, size_t*, vec3f);
        AqError (*parse)(const char*, vec3f*);
    } ones[] = {
        {50, AqSpi_genWriteVelocityCompensationMeasurement, AqSpi_parseVelocityCompensationMeasurement},
        {57, AqSpi_genWriteGpsAntennaOffset, AqSpi_parseGpsAntennaOffset},
    };
    for (const OneVecRow& r : ones)
    {
        setup();
        written(r.gen(buf, &size, 0, &responseSize, b), r.reg, 16);
        LONGS_EQUAL(E_NONE, r.parse(rsp, &ra));
        vecsEqual(b, ra, StringFromFormat("%d", r.reg).asCharString());
    }

    setup();
    written(AqSpi_genWriteGpsCompassBaseline(buf, &size, 0, &responseSize, c, a), 93, 28);
    LONGS_EQUAL(E_NONE, AqSpi_parseGpsCompassBaseline(rsp, &ra, &rb));
    vecsEqual(c, ra, "93 position");
    vecsEqual(a, rb, "93 uncertainty");
}

TEST(spi, round_trip_mixed_registers)
{
    uint8_t mode = 0;
    float f1 = 0, f2 = 0;
    written(AqSpi_genWriteVelocityCompensationControl(buf, &size, 0, &responseSize, 0xC7, 0.75f, -12.5f), 51, 13);
    LONGS_EQUAL(E_NONE, AqSpi_parseVelocityCompensationControl(rsp, &mode, &f1, &f2));
    LONGS_EQUAL(0xC7, mode);
    DOUBLES_EQUAL(0.75f, f1, 0.0);
    DOUBLES_EQUAL(-12.5f, f2, 0.0);

    vec3f g = v3(0.01f, -0.02f, 0.03f), a = v3(9.5f, -1.0f, 0.25f), rg, ra;
    written(AqSpi_genWriteStartupFilterBiasEstimate(buf, &size, 0, &responseSize, g, a, 101.325f), 74, 32);
    LONGS_EQUAL(E_NONE, AqSpi_parseStartupFilterBiasEstimate(rsp, &rg, &ra, &f1));
    vecsEqual(g, rg, "74 gyroBias");
    vecsEqual(a, ra, "74 accelBias");
    DOUBLES_EQUAL(101.325f, f1, 0.0);
}

TEST(spi, reference_vector_configuration_skips_its_gap_both_ways)
{
    vec3d pos = {{36.6, -121.9, 12.25}};
    written(AqSpi_genWriteReferenceVectorConfiguration(buf, &size, 0, &responseSize, 1, 0, 0xA1, 0xA2, 100,
                                                       2026.9f, pos),
            83, 44);
    // The writer leaves the gap alone; the position starts at byte 20.
    for (int i = 16; i < 20; i++)
    {
        BYTES_EQUAL(kMarker, buf[i]);
    }
    double lat;
    memcpy(&lat, buf + 20, 8);
    DOUBLES_EQUAL(36.6, lat, 0.0);
    BYTES_EQUAL(kMarker, buf[44]);

    uint8_t b[4] = {9, 9, 9, 9};
    uint32_t threshold = 0;
    float year = 0;
    vec3d rp;
    LONGS_EQUAL(E_NONE, AqSpi_parseReferenceVectorConfiguration(rsp, &b[0], &b[1], &b[2], &b[3], &threshold, &year,
                                                                &rp));
    LONGS_EQUAL(1, b[0]);
    LONGS_EQUAL(0, b[1]);
    LONGS_EQUAL(0xA1, b[2]);
    LONGS_EQUAL(0xA2, b[3]);
    UNSIGNED_LONGS_EQUAL(100, threshold);
    DOUBLES_EQUAL(2026.9f, year, 0.0);
    for (int i = 0; i < 3; i++)
    {
        DOUBLES_EQUAL(pos.c[i], rp.c[i], 0.0);
    }
}

// ---------------------------------------------------------------------------
// Read-only layouts at their frame offsets

TEST(spi, ins_solution_reads_status_at_14_and_attitude_at_16)
{
    putDouble(rsp + 4, 345600.5);
    rsp[12] = 0x2A;
    rsp[13] = 0x08;  // week 2090
    rsp[14] = 0x34;
    rsp[15] = 0x12;  // status 0x1234
    putFloat(rsp + 16, 90.5f);
    putFloat(rsp + 24, -3.0f);
    putDouble(rsp + 28, 36.5);
    putDouble(rsp + 44, -5.0);
    putFloat(rsp + 52, 1.25f);
    putFloat(rsp + 60, -0.5f);
    putFloat(rsp + 64, 0.125f);
    putFloat(rsp + 68, 2.5f);
    putFloat(rsp + 72, 0.0625f);
    double time;
    uint16_t week, status;
    vec3f ypr, vel;
    vec3d pos;
    float att, posU, velU;
    LONGS_EQUAL(E_NONE, AqSpi_parseInsSolutionLla(rsp, &time, &week, &status, &ypr, &pos, &vel, &att, &posU, &velU));
    DOUBLES_EQUAL(345600.5, time, 0.0);
    LONGS_EQUAL(2090, week);
    LONGS_EQUAL(0x1234, status);
    DOUBLES_EQUAL(90.5f, ypr.c[0], 0.0);
    DOUBLES_EQUAL(-3.0f, ypr.c[2], 0.0);
    DOUBLES_EQUAL(36.5, pos.c[0], 0.0);
    DOUBLES_EQUAL(-5.0, pos.c[2], 0.0);
    DOUBLES_EQUAL(1.25f, vel.c[0], 0.0);
    DOUBLES_EQUAL(-0.5f, vel.c[2], 0.0);
    DOUBLES_EQUAL(0.125f, att, 0.0);
    DOUBLES_EQUAL(2.5f, posU, 0.0);
    DOUBLES_EQUAL(0.0625f, velU, 0.0);
}

TEST(spi, gps_solutions_skip_the_gap_after_numSats)
{
    typedef AqError (*GpsParse)(const char*, double*, uint16_t*, uint8_t*, uint8_t*, vec3d*, vec3f*, vec3f*, float*,
                                float*);
    const GpsParse parsers[] = {AqSpi_parseGpsSolutionLla, AqSpi_parseGpsSolutionEcef};
    for (GpsParse parse : parsers)
    {
        memset(rsp, 0, sizeof rsp);
        putDouble(rsp + 4, 12.5);
        rsp[14] = 3;  // gpsFix
        rsp[15] = 11;  // numSats
        memset(rsp + 16, 0xEE, 4);
        putDouble(rsp + 20, 48.25);
        putFloat(rsp + 44, 0.5f);
        putFloat(rsp + 56, 1.5f);
        putFloat(rsp + 68, 0.25f);
        putFloat(rsp + 72, 7.0f);
        double t;
        uint16_t week;
        uint8_t fix, sats;
        vec3d p;
        vec3f v, acc;
        float speedAcc, timeAcc;
        LONGS_EQUAL(E_NONE, parse(rsp, &t, &week, &fix, &sats, &p, &v, &acc, &speedAcc, &timeAcc));
        DOUBLES_EQUAL(12.5, t, 0.0);
        LONGS_EQUAL(3, fix);
        LONGS_EQUAL(11, sats);
        DOUBLES_EQUAL(48.25, p.c[0], 0.0);
        DOUBLES_EQUAL(0.5f, v.c[0], 0.0);
        DOUBLES_EQUAL(1.5f, acc.c[0], 0.0);
        DOUBLES_EQUAL(0.25f, speedAcc, 0.0);
        DOUBLES_EQUAL(7.0f, timeAcc, 0.0);
    }
}

// ---------------------------------------------------------------------------
// Every parser: the error byte, and a full payload without overrun

namespace {

// Storage every parser can point its outputs into.
struct Outs
{
    uint8_t b[16];
    uint16_t h[8];
    uint32_t w[8];
    float f[8];
    double d[2];
    vec3f v[6];
    vec4f q;
    vec3d V;
    mat3f m;
    char text[32];
};

typedef std::function<AqError(const char*, Outs&)> AnyParse;

struct ParseRow
{
    const char* name;
    AnyParse parse;
};

// One row per parser, its outputs pointed into Outs.
#define PARSER(name, ...) {#name, [](const char* r, Outs& o) { return AqSpi_parse##name(r, __VA_ARGS__); }}

std::vector<ParseRow> everyParser()
{
    return {
        PARSER(UserTag, o.text, sizeof o.text),
        PARSER(ModelNumber, o.text, sizeof o.text),
        PARSER(HardwareRevision, &o.w[0]),
        PARSER(SerialNumber, &o.w[0]),
        PARSER(FirmwareVersion, o.text, sizeof o.text),
        PARSER(SerialBaudRate, &o.w[0]),
        PARSER(AsyncDataOutputType, &o.w[0]),
        PARSER(AsyncDataOutputFrequency, &o.w[0]),
        PARSER(YawPitchRoll, &o.v[0]),
        PARSER(AttitudeQuaternion, &o.q),
        PARSER(QuaternionMagneticAccelerationAndAngularRates, &o.q, &o.v[0], &o.v[1], &o.v[2]),
        PARSER(MagneticMeasurements, &o.v[0]),
        PARSER(AccelerationMeasurements, &o.v[0]),
        PARSER(AngularRateMeasurements, &o.v[0]),
        PARSER(MagneticAccelerationAndAngularRates, &o.v[0], &o.v[1], &o.v[2]),
        PARSER(MagneticAndGravityReferenceVectors, &o.v[0], &o.v[1]),
        PARSER(MagnetometerCompensation, &o.m, &o.v[0]),
        PARSER(AccelerationCompensation, &o.m, &o.v[0]),
        PARSER(ReferenceFrameRotation, &o.m),
        PARSER(YawPitchRollMagneticAccelerationAndAngularRates, &o.v[0], &o.v[1], &o.v[2], &o.v[3]),
        PARSER(CommunicationProtocolControl, &o.b[0], &o.b[1], &o.b[2], &o.b[3], &o.b[4], &o.b[5], &o.b[6]),
        PARSER(SynchronizationControl, &o.b[0], &o.b[1], &o.h[0], &o.w[0], &o.b[2], &o.b[3], &o.h[1], &o.w[1], &o.w[2]),
        PARSER(SynchronizationStatus, &o.w[0], &o.w[1], &o.w[2]),
        PARSER(AfeBasicControl, &o.b[0], &o.b[1], &o.b[2], &o.b[3]),
        PARSER(AfeMagnetometerBasicTuning, &o.v[0], &o.v[1], &o.v[2]),
        PARSER(AfeAccelerometerBasicTuning, &o.v[0], &o.v[1], &o.v[2]),
        PARSER(AfeGyroBasicTuning, &o.v[0], &o.v[1], &o.v[2]),
        PARSER(MagnetometerCalibrationControl, &o.b[0], &o.b[1], &o.b[2]),
        PARSER(CalculatedMagnetometerCalibration, &o.m, &o.v[0]),
        PARSER(VelocityCompensationMeasurement, &o.v[0]),
        PARSER(VelocityCompensationControl, &o.b[0], &o.f[0], &o.f[1]),
        PARSER(ImuMeasurements, &o.v[0], &o.v[1], &o.v[2], &o.f[0], &o.f[1]),
        PARSER(GpsConfiguration, &o.b[0], &o.b[1], &o.b[2], &o.b[3], &o.b[4]),
        PARSER(GpsAntennaOffset, &o.v[0]),
        PARSER(GpsSolutionLla, &o.d[0], &o.h[0], &o.b[0], &o.b[1], &o.V, &o.v[0], &o.v[1], &o.f[0], &o.f[1]),
        PARSER(GpsSolutionEcef, &o.d[0], &o.h[0], &o.b[0], &o.b[1], &o.V, &o.v[0], &o.v[1], &o.f[0], &o.f[1]),
        PARSER(InsSolutionLla, &o.d[0], &o.h[0], &o.h[1], &o.v[0], &o.V, &o.v[1], &o.f[0], &o.f[1], &o.f[2]),
        PARSER(InsSolutionEcef, &o.d[0], &o.h[0], &o.h[1], &o.v[0], &o.V, &o.v[1], &o.f[0], &o.f[1], &o.f[2]),
        PARSER(InsBasicConfiguration, &o.b[0], &o.b[1], &o.b[2], &o.b[3]),
        PARSER(InsStateLla, &o.v[0], &o.V, &o.v[1], &o.v[2], &o.v[3]),
        PARSER(InsStateEcef, &o.v[0], &o.V, &o.v[1], &o.v[2], &o.v[3]),
        PARSER(StartupFilterBiasEstimate, &o.v[0], &o.v[1], &o.f[0]),
        PARSER(DeltaThetaAndDeltaVelocity, &o.f[0], &o.v[0], &o.v[1]),
        PARSER(DeltaThetaAndDeltaVelocityConfiguration, &o.b[0], &o.b[1], &o.b[2], &o.b[3], &o.h[0]),
        PARSER(ReferenceVectorConfiguration, &o.b[0], &o.b[1], &o.b[2], &o.b[3], &o.w[0], &o.f[0], &o.V),
        PARSER(GyroCompensation, &o.m, &o.v[0]),
        PARSER(ImuFilteringConfiguration, &o.h[0], &o.h[1], &o.h[2], &o.h[3], &o.h[4], &o.b[0], &o.b[1], &o.b[2],
               &o.b[3], &o.b[4]),
        PARSER(GpsCompassBaseline, &o.v[0], &o.v[1]),
        PARSER(GpsCompassEstimatedBaseline, &o.b[0], &o.b[1], &o.h[0], &o.v[0], &o.v[1]),
        PARSER(YawPitchRollTrueBodyAccelerationAndAngularRates, &o.v[0], &o.v[1], &o.v[2]),
        PARSER(YawPitchRollTrueInertialAccelerationAndAngularRates, &o.v[0], &o.v[1], &o.v[2]),
        PARSER(FilterMeasurementsVarianceParameters, &o.f[0], &o.v[0], &o.v[1], &o.v[2]),
        PARSER(FilterActiveTuningParameters, &o.f[0], &o.f[1], &o.f[2], &o.f[3]),
        PARSER(FilterBasicControl, &o.b[0], &o.b[1], &o.b[2], &o.b[3], &o.v[0]),
        PARSER(AfeMagnetometerAdvancedTuning, &o.v[0], &o.v[1], &o.f[0], &o.f[1], &o.f[2]),
        PARSER(AfeAccelerometerAdvancedTuning, &o.v[0], &o.v[1], &o.f[0], &o.f[1], &o.f[2]),
        PARSER(FilterStartupGyroBias, &o.v[0]),
        PARSER(IndoorHeadingModeControl, &o.f[0], &o.b[0]),
        PARSER(VelocityCompensationStatus, &o.f[0], &o.f[1], &o.v[0], &o.v[1]),
        PARSER(InsAdvancedConfiguration, &o.b[0], &o.b[1], &o.b[2], &o.b[3], &o.b[4], &o.b[5], &o.b[6], &o.b[7],
               &o.f[0], &o.f[1], &o.f[2], &o.f[3], &o.f[4], &o.f[5], &o.f[6]),
        PARSER(ImuRateConfiguration, &o.h[0], &o.h[1], &o.f[0], &o.f[1]),
    };
}

#undef PARSER

}  // namespace

TEST(spi, a_set_error_byte_is_returned_as_1000_plus_n_and_nothing_is_parsed)
{
    const struct
    {
        uint8_t byte3;
        AqError expected;
    } errors[] = {{3, E_SENSOR_INVALID_CHECKSUM},
                  {13, E_SENSOR_ERROR_BUFFER_OVERFLOW},
                  {1, E_SENSOR_HARD_FAULT},
                  {0xFF, static_cast<AqError>(1255)}};
    for (const ParseRow& row : everyParser())
    {
        for (const auto& e : errors)
        {
            memset(rsp, 0x41, sizeof rsp);  // a payload that would change every output
            rsp[3] = static_cast<char>(e.byte3);
            Outs before, outs;
            memset(&before, 0xC3, sizeof before);
            memcpy(&outs, &before, sizeof outs);
            LONGS_EQUAL_TEXT(e.expected, row.parse(rsp, outs), row.name);
            MEMCMP_EQUAL_TEXT(&before, &outs, sizeof outs, row.name);
        }
    }
}

// Each parser reads exactly its outputs: a layout longer than the output list
// would write through a missing pointer (caught by the sanitizers), a shorter
// one would leave the first output as it was.
TEST(spi, every_parser_fills_its_outputs_from_a_clean_frame)
{
    for (const ParseRow& row : everyParser())
    {
        memset(rsp, 0x41, sizeof rsp);
        rsp[0] = rsp[1] = rsp[2] = rsp[3] = 0;
        rsp[20] = 0;  // ends the text rows inside their capacity
        Outs before, outs;
        memset(&before, 0xC3, sizeof before);
        memcpy(&outs, &before, sizeof outs);
        LONGS_EQUAL_TEXT(E_NONE, row.parse(rsp, outs), row.name);
        CHECK_TEXT(memcmp(&before, &outs, sizeof outs) != 0, row.name);
    }
}

// ---------------------------------------------------------------------------
// Text registers

TEST(spi, text_parsers_copy_only_when_text_and_terminator_fit)
{
    typedef AqError (*TextParse)(const char*, char*, size_t);
    struct Row
    {
        const char* name;
        TextParse parse;
    } rows[] = {
        {"UserTag", AqSpi_parseUserTag},
        {"ModelNumber", AqSpi_parseModelNumber},
        {"FirmwareVersion", AqSpi_parseFirmwareVersion},
    };
    for (const Row& r : rows)
    {
        char frame[] = "\x00\x01\x01\x00" "AQ-9";  // header, text, terminator
        char out[40];

        memset(out, kMarker, sizeof out);
        LONGS_EQUAL_TEXT(E_NONE, r.parse(frame, out, 32), r.name);
        STRCMP_EQUAL_TEXT("AQ-9", out, r.name);
        BYTES_EQUAL(kMarker, out[5]);

        memset(out, kMarker, sizeof out);
        LONGS_EQUAL_TEXT(E_NONE, r.parse(frame, out, 5), r.name);  // exactly fits
        STRCMP_EQUAL_TEXT("AQ-9", out, r.name);
        BYTES_EQUAL(kMarker, out[5]);

        memset(out, kMarker, sizeof out);
        LONGS_EQUAL_TEXT(E_BUFFER_TOO_SMALL, r.parse(frame, out, 4), r.name);
        BYTES_EQUAL(kMarker, out[0]);

        frame[3] = 7;
        LONGS_EQUAL_TEXT(E_SENSOR_INVALID_PARAMETER, r.parse(frame, out, 32), r.name);
        BYTES_EQUAL(kMarker, out[0]);
    }
}

TEST(spi, an_unterminated_text_is_not_read_past_the_capacity)
{
    // A heap frame exactly header + capacity long with no terminator: reading
    // one byte further would be caught by the address sanitizer.
    const size_t cap = 8;
    std::vector<char> frame(4 + cap, 'x');
    frame[0] = frame[1] = frame[2] = frame[3] = 0;
    char out[cap + 1];
    memset(out, kMarker, sizeof out);
    LONGS_EQUAL(E_BUFFER_TOO_SMALL, AqSpi_parseModelNumber(frame.data(), out, cap));
    BYTES_EQUAL(kMarker, out[0]);
}
