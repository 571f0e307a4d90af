#include <math.h>
#include <string.h>

#include "DriverFixture.h"
#include "CppUTest/TestHarness.h"

TEST_GROUP(AQ9Outputs)
{
    DriverFixture* f;
    void setup() { f = new DriverFixture(); }
    void teardown() { delete f; }
};

TEST(AQ9Outputs, attitude_record_in_vehicle_units)
{
    ahrsData_SensorUnits a;
    memset(&a, 0, sizeof a);
    a.ypr_deg = vec3f{{90, 45, -30}};
    a.yprU = vec3f{{1, 2, 3}};
    a.gyro_rads = vec3f{{0.1f, 0.2f, 0.3f}};
    a.accel_ms2 = vec3f{{0, 0, -9.793746f}};
    a.mag_G = vec3f{{0.25f, 0.16f, 0.43f}};
    a.temp_C = 25.135f;
    a.pres_kPa = 101.634f;
    a.afeStatus = 0xFFFF;
    aq9DataConsumerUnits c = f->aq9->sensorToConsumerData(a);
    DOUBLES_EQUAL(1.5707964f, c.yaw_rad, 0);
    DOUBLES_EQUAL(0.7853982f, c.pitch_rad, 0);
    DOUBLES_EQUAL(-0.5235988f, c.roll_rad, 0);
    DOUBLES_EQUAL(static_cast<float>(3 * 0.017453292519943295), c.sigmaRoll_rad, 0);
    DOUBLES_EQUAL(0.1f, c.rollRate_rads, 0);
    DOUBLES_EQUAL(0.3f, c.yawRate_rads, 0);
    DOUBLES_EQUAL(-1.0f, c.accelZ_g, 0);
    DOUBLES_EQUAL(0.43f, c.magZ_G, 0);
    LONGS_EQUAL(0xFFFF, c.afeStatus);
    DOUBLES_EQUAL(101.634f, c.pres_kpa, 0);
    const float raws[] = {c.uMagX_G, c.uMagY_G, c.uMagZ_G, c.uAccelX_ms2, c.uAccelY_ms2,
                          c.uAccelZ_ms2, c.uRollRate_rads, c.uPitchRate_rads, c.uYawRate_rads};
    for (float v : raws)
        DOUBLES_EQUAL(0, v, 0);
    f->aq9->data = c;
    f->aq9->writeOutput();
    LONGS_EQUAL(65535, f->out->data.afeStatus);
    DOUBLES_EQUAL(-0.5235988f, f->out->data.roll_rad, 0);
    LONGS_EQUAL(DeviceIF::Ok, f->out->data.status);
    CHECK(f->out->data.sampleTime.tv_sec > 0);
}

TEST(AQ9Outputs, raw_record_copied_unchanged)
{
    rawMeasData_SensorUnits r;
    memset(&r, 0, sizeof r);
    r.mag_G = vec3f{{0.270182f, 0.126994f, 0.433079f}};
    r.accel_ms2 = vec3f{{0.080015f, 0.046209f, -9.485458f}};
    r.gyro_rads = vec3f{{-0.002589f, 0.000513f, -0.004219f}};
    r.temp_C = 22.25f;
    r.pres_kpa = 101.381f;
    aq9DataConsumerUnits c = f->aq9->sensorToConsumerData(r);
    DOUBLES_EQUAL(0.126994f, c.uMagY_G, 0);
    DOUBLES_EQUAL(-9.485458f, c.uAccelZ_ms2, 0);
    DOUBLES_EQUAL(0.000513f, c.uPitchRate_rads, 0);
    DOUBLES_EQUAL(22.25f, c.temp_C, 0);
    DOUBLES_EQUAL(101.381f, c.pres_kpa, 0);
    const float attitude[] = {c.roll_rad, c.pitch_rad, c.yaw_rad, c.accelX_g, c.accelZ_g, c.magX_G};
    for (float v : attitude)
        DOUBLES_EQUAL(0, v, 0);
    f->aq9->data = c;
    f->aq9->writeRawMeasOutput();
    DOUBLES_EQUAL(-9.485458f, f->rawOut->data.uAccelZ_m_s2, 0);
    DOUBLES_EQUAL(101.381f, f->rawOut->data.uPres_kPa, 0);
    LONGS_EQUAL(DeviceIF::Ok, f->rawOut->data.status);
}

TEST(AQ9Outputs, accelerations_scale_by_the_gravity_reference)
{
    AQ9TestAccess::setGravity(*f->aq9, vec3f{{0, 0, -9.81f}});
    ahrsData_SensorUnits a;
    memset(&a, 0, sizeof a);
    a.accel_ms2 = vec3f{{9.81f, 0, -19.62f}};
    aq9DataConsumerUnits c = f->aq9->sensorToConsumerData(a);
    DOUBLES_EQUAL(1.0f, c.accelX_g, 0);
    DOUBLES_EQUAL(-2.0f, c.accelZ_g, 0);
}

TEST(AQ9Outputs, unusable_gravity_reference_falls_back_and_logs_once)
{
    ahrsData_SensorUnits a;
    memset(&a, 0, sizeof a);
    a.accel_ms2 = vec3f{{0, 0, -9.793746f}};
    const vec3f bad[] = {vec3f{{0, 0, 0}}, vec3f{{NAN, 0, 0}}, vec3f{{INFINITY, 0, 0}}};
    for (const vec3f& g : bad)
    {
        fw::reset();
        AQ9TestAccess::setGravity(*f->aq9, vec3f{{0, 0, -9.8f}});
        f->aq9->sensorToConsumerData(a);
        AQ9TestAccess::setGravity(*f->aq9, g);
        aq9DataConsumerUnits c1 = f->aq9->sensorToConsumerData(a);
        aq9DataConsumerUnits c2 = f->aq9->sensorToConsumerData(a);
        DOUBLES_EQUAL(-1.0f, c1.accelZ_g, 0);
        DOUBLES_EQUAL(-1.0f, c2.accelZ_g, 0);
        LONGS_EQUAL(1, fw::loggedCount("AQ9 - invalid gravity reference vector, using 9.793746"));
    }
}

TEST(AQ9Outputs, vector_magnitude_in_single_precision)
{
    DOUBLES_EQUAL(5.0f, f->aq9->vec3fMag(vec3f{{3, 4, 0}}), 0);
    DOUBLES_EQUAL(9.793746f, f->aq9->vec3fMag(f->aq9->gVector()), 0);
}

TEST(AQ9Outputs, clear_zeroes_the_local_copy_without_publishing)
{
    int writes = fw::sharedWriteCount("aq9Output");
    f->out->data.roll_rad = 1;
    f->out->clear();
    DOUBLES_EQUAL(0, f->out->data.roll_rad, 0);
    LONGS_EQUAL(writes, fw::sharedWriteCount("aq9Output"));
}
