#include <string.h>

#include "AQ9Sensor.h"
#include "Exception.h"
#include "FakeSensor.h"
#include "FrameworkRecorder.h"
#include "aq/error_detection.h"
#include "CppUTest/TestHarness.h"

TEST_GROUP(AQ9Sensor)
{
    void setup() { fw::reset(); }
};

TEST(AQ9Sensor, fresh_link_has_zero_records_and_settings)
{
    FakeSensor s;
    ahrsData_SensorUnits a = s.AhrsData();
    rawMeasData_SensorUnits r = s.RawMeasData();
    const unsigned char zero[sizeof a] = {0};
    LONGS_EQUAL(96, sizeof a);
    LONGS_EQUAL(72, sizeof r);
    MEMCMP_EQUAL(zero, &a, sizeof a);
    MEMCMP_EQUAL(zero, &r, sizeof r);
    LONGS_EQUAL(0, s._hsiRunning);
    LONGS_EQUAL(0, s._settings.ahrsRate);
}

TEST(AQ9Sensor, appendCrcToBuf_needs_two_free_bytes)
{
    FakeSensor s;
    char buf[5] = {1, 2, 3, 4, 0x55};
    for (size_t size : {3u, 4u, 5u})
    {
        size_t n = size;
        LONGS_EQUAL(-1, s.appendCrcToBuf(buf, &n, 4));
        LONGS_EQUAL(size, n);
        LONGS_EQUAL(0x55, buf[4]);
    }
    size_t n = 2;
    LONGS_EQUAL(0, s.appendCrcToBuf(buf, &n, 4));
    LONGS_EQUAL(4, n);
    LONGS_EQUAL(0x55, buf[4]);
    size_t zero = 0;
    char tiny[1];
    LONGS_EQUAL(-1, s.appendCrcToBuf(tiny, &zero, 1));
}

TEST(AQ9Sensor, appendCrcToBuf_appends_high_byte_first)
{
    FakeSensor s;
    char buf[256] = {0x00, 0x12, 0x01, 0x00, static_cast<char>(0xFA), 0x00};
    size_t n = 6;
    LONGS_EQUAL(0, s.appendCrcToBuf(buf, &n, sizeof buf));
    LONGS_EQUAL(8, n);
    LONGS_EQUAL(0xCA, static_cast<unsigned char>(buf[6]));
    LONGS_EQUAL(0x67, static_cast<unsigned char>(buf[7]));
    LONGS_EQUAL(0, AqCrc16_compute(buf, n));
}

TEST(AQ9Sensor, matrix_conversions_keep_the_matrix)
{
    v9d rows = {{1, 2, 3, 4, 5, 6, 7, 8, 9}};
    mat3f m = AQ9Sensor::v9dToMat3f(rows);
    const float columns[9] = {1, 4, 7, 2, 5, 8, 3, 6, 9};
    for (int i = 0; i < 9; i++)
        DOUBLES_EQUAL(columns[i], m.e[i], 0);
    v9d back = AQ9Sensor::mat3fToV9d(m);
    aq_mat3f am;
    memcpy(am.e, m.e, sizeof am.e);
    v9d backAq = AQ9Sensor::aq_mat3fToV9d(am);
    // The calibration engine's matrices are row by row, like the settings.
    aq_mat3f engine = AQ9Sensor::v9dToEngineMat3f(rows);
    v9d backEngine = AQ9Sensor::engineMat3fToV9d(engine);
    for (int i = 0; i < 9; i++)
    {
        DOUBLES_EQUAL(rows.c[i], back.c[i], 0);
        DOUBLES_EQUAL(rows.c[i], backAq.c[i], 0);
        DOUBLES_EQUAL(rows.c[i], engine.e[i], 0);
        DOUBLES_EQUAL(rows.c[i], backEngine.c[i], 0);
    }
}

TEST(AQ9Sensor, vector_conversions_round_to_float)
{
    v3d d = {{0.1, -2.5, 1e-3}};
    vec3f f = AQ9Sensor::v3dToVec3f(d);
    v3d back = AQ9Sensor::vec3fToV3d(f);
    aq_vec3f af = {{f.c[0], f.c[1], f.c[2]}};
    v3d backAq = AQ9Sensor::aq_vec3fToV3d(af);
    for (int i = 0; i < 3; i++)
    {
        DOUBLES_EQUAL(static_cast<float>(d.c[i]), f.c[i], 0);
        DOUBLES_EQUAL(d.c[i], back.c[i], 1e-7);
        DOUBLES_EQUAL(back.c[i], backAq.c[i], 0);
    }
}

TEST_GROUP(AQ9SpiParams)
{
    void setup() { fw::reset(); }
};

TEST(AQ9SpiParams, device_argument_and_defaults)
{
    const char* args[] = {"aq9Server", "-cfg", "standard_mission.cfg", "-dev", "/dev/spidev2.0"};
    AQ9SpiParams p(5, const_cast<char**>(args));
    STRCMP_EQUAL("/dev/spidev2.0", p.string());
    LONGS_EQUAL(3, p.mode);
    LONGS_EQUAL(8, p.readBitsPerWord);
    LONGS_EQUAL(8, p.writeBitsPerWord);
    LONGS_EQUAL(8000000, p.readSpeed);
    LONGS_EQUAL(8000000, p.writeSpeed);
    AQ9SpiParams copy(p);
    CHECK(copy.string() != p.string());
    STRCMP_EQUAL("/dev/spidev2.0", copy.string());
}

TEST(AQ9SpiParams, last_device_pair_wins)
{
    const char* args[] = {"x", "-dev", "/dev/a", "-dev", "/dev/b"};
    AQ9SpiParams p(5, const_cast<char**>(args));
    STRCMP_EQUAL("/dev/b", p.string());
}

TEST(AQ9SpiParams, missing_device_logs_and_throws)
{
    const char* rows[][3] = {{"x", "-cfg", "-dev"}, {"x", "-cfg", "a.cfg"}};
    for (auto& args : rows)
    {
        fw::reset();
        bool thrown = false;
        try
        {
            AQ9SpiParams p(3, const_cast<char**>(args));
        }
        catch (Exception& e)
        {
            thrown = true;
            STRCMP_EQUAL("Error in spi parameter specifi" "cation", e.msg);
        }
        CHECK(thrown);
        CHECK(fw::logged("Serial port name not specified"));
        CHECK(fw::logged("Valid args:\n-dev deviceFileName\n"));
    }
}
