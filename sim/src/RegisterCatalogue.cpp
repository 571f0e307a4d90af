// The registers the simulated unit serves, with its factory values and the
// checks a written value must pass. GPS and INS registers are absent: the
// unit is an attitude and heading reference without a receiver, so it answers
// them as unknown registers.
#include <math.h>

#include "Registers.h"

namespace aq9sim {

namespace {

// Wire formats of the floating-point fields.
const char* const ANGLE = "%+08.3f";  // degrees: +010.071
const char* const MAG = "%+07.4f";    // gauss
const char* const ACCEL = "%+07.3f";  // m/s^2
const char* const RATE = "%+08.5f";   // rad/s
const char* const TEMP = "%+05.1f";   // deg C
const char* const PRES = "%+07.3f";   // kPa
const char* const CONFIG = "%+.6f";   // settings: as many decimals as the host sends
const char* const COORD = "%+.8f";    // degrees of latitude and longitude

RegisterValue nums(std::vector<double> v)
{
    RegisterValue r;
    r.num = v;
    return r;
}

RegisterValue text(const char* t)
{
    RegisterValue r;
    r.text = t;
    return r;
}

RegisterValue zeros(size_t n) { return nums(std::vector<double>(n, 0.0)); }

// Identity matrix then a zero offset: a compensation register as shipped.
RegisterValue identityAndZero(bool withOffset)
{
    std::vector<double> v = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    if (withOffset)
        v.insert(v.end(), {0, 0, 0});
    return nums(v);
}

bool oneOf(double v, std::initializer_list<double> allowed)
{
    for (double a : allowed)
        if (v == a)
            return true;
    return false;
}

SensorError checkTag(const RegisterValue& v) { return v.text.size() <= 20 ? ERR_NONE : ERR_INVALID_PARAMETER; }

SensorError checkBaud(const RegisterValue& v)
{
    return oneOf(v.num[0], {9600, 19200, 38400, 57600, 115200, 128000, 230400, 460800, 921600}) ? ERR_NONE
                                                                                                : ERR_INVALID_PARAMETER;
}

// The asynchronous sentences this unit can send (0 = off).
SensorError checkAsyncType(const RegisterValue& v)
{
    return oneOf(v.num[0], {0, 1, 2, 8, 10, 11, 12, 13, 14, 16, 17, 19}) ? ERR_NONE : ERR_INVALID_PARAMETER;
}

SensorError checkAsyncRate(const RegisterValue& v)
{
    return oneOf(v.num[0], {1, 2, 4, 5, 10, 20, 25, 40, 50, 100, 200}) ? ERR_NONE : ERR_INVALID_PARAMETER;
}

// Serial check kind 1 (8-bit checksum) or 2 (CRC-16); errors sent unless mode 0.
SensorError checkProtocolControl(const RegisterValue& v)
{
    if (!oneOf(v.num[4], {1, 2}) || v.num[5] > 3 || v.num[6] > 2)
        return ERR_INVALID_PARAMETER;
    return ERR_NONE;
}

SensorError checkAfeBasic(const RegisterValue& v)
{
    return (v.num[0] <= 1 && v.num[1] <= 2 && v.num[2] <= 1 && v.num[3] <= 1) ? ERR_NONE : ERR_INVALID_PARAMETER;
}

// Mode off, run or reset; output 1 (not applied) or 3 (applied); rate 1-5.
SensorError checkHsiControl(const RegisterValue& v)
{
    return (v.num[0] <= 2 && oneOf(v.num[1], {1, 3}) && v.num[2] >= 1 && v.num[2] <= 5) ? ERR_NONE
                                                                                        : ERR_INVALID_PARAMETER;
}

SensorError checkReferenceConfig(const RegisterValue& v)
{
    if (v.num[0] > 1 || v.num[1] > 1)
        return ERR_INVALID_PARAMETER;
    if (fabs(v.num[6]) > 90.0 || fabs(v.num[7]) > 180.0)
        return ERR_INVALID_PARAMETER;
    return ERR_NONE;
}

FieldSpec f32(const char* name, int count, const char* format) { return {name, FIELD_F32, count, format}; }
FieldSpec u8(const char* name) { return {name, FIELD_U8, 1, nullptr}; }
FieldSpec u16(const char* name) { return {name, FIELD_U16, 1, nullptr}; }
FieldSpec u32(const char* name) { return {name, FIELD_U32, 1, nullptr}; }

RegisterSpec binaryOutput(int number)
{
    return {number,
            "BinaryOutput",
            REG_BINARY_OUTPUT,
            {u16("asyncMode"), u16("rateDivisor"), {"outputGroup", FIELD_HEX8, 1, nullptr},
             {"commonField", FIELD_HEX16, 1, nullptr}, {"timeField", FIELD_HEX16, 1, nullptr},
             {"imuField", FIELD_HEX16, 1, nullptr}, {"gpsField", FIELD_HEX16, 1, nullptr},
             {"attitudeField", FIELD_HEX16, 1, nullptr}, {"insField", FIELD_HEX16, 1, nullptr},
             {"gps2Field", FIELD_HEX16, 1, nullptr}},
            nums({0, 1, 0, 0, 0, 0, 0, 0, 0, 0}),
            nullptr};
}

std::vector<RegisterSpec> build()
{
    const RegisterValue live;
    std::vector<RegisterSpec> c = {
        {0, "UserTag", REG_CONFIG, {{"tag", FIELD_TEXT, 1, nullptr}}, text(""), checkTag},
        {1, "ModelNumber", REG_IDENTITY, {{"productName", FIELD_TEXT, 1, nullptr}}, text("AQ-9T"), nullptr},
        {2, "HardwareRevision", REG_IDENTITY, {u32("revision")}, nums({4}), nullptr},
        {3, "SerialNumber", REG_IDENTITY, {u32("serialNum")}, nums({100442}), nullptr},
        {4, "FirmwareVersion", REG_IDENTITY, {{"firmwareVersion", FIELD_TEXT, 1, nullptr}}, text("2.1.0.4"), nullptr},
        {5, "SerialBaudRate", REG_CONFIG, {u32("baudrate")}, nums({115200}), checkBaud},
        {6, "AsyncDataOutputType", REG_CONFIG, {u32("ador")}, nums({14}), checkAsyncType},
        {7, "AsyncDataOutputFrequency", REG_CONFIG, {u32("adof")}, nums({40}), checkAsyncRate},
        {8, "YawPitchRoll", REG_MEASUREMENT, {f32("yawPitchRoll", 3, ANGLE)}, live, nullptr},
        {9, "AttitudeQuaternion", REG_MEASUREMENT, {f32("quat", 4, CONFIG)}, live, nullptr},
        {15,
         "QuaternionMagneticAccelerationAndAngularRates",
         REG_MEASUREMENT,
         {f32("quat", 4, CONFIG), f32("mag", 3, MAG), f32("accel", 3, ACCEL), f32("gyro", 3, RATE)},
         live,
         nullptr},
        {17, "MagneticMeasurements", REG_MEASUREMENT, {f32("mag", 3, MAG)}, live, nullptr},
        {18, "AccelerationMeasurements", REG_MEASUREMENT, {f32("accel", 3, ACCEL)}, live, nullptr},
        {19, "AngularRateMeasurements", REG_MEASUREMENT, {f32("gyro", 3, RATE)}, live, nullptr},
        {20,
         "MagneticAccelerationAndAngularRates",
         REG_MEASUREMENT,
         {f32("mag", 3, MAG), f32("accel", 3, ACCEL), f32("gyro", 3, RATE)},
         live,
         nullptr},
        // Recomputed from register 83 whenever its models are in use.
        {21,
         "MagneticAndGravityReferenceVectors",
         REG_CONFIG,
         {f32("magRef", 3, CONFIG), f32("accRef", 3, CONFIG)},
         nums({0.22, 0, 0.42, 0, 0, -9.8}),
         nullptr},
        {23, "MagnetometerCompensation", REG_CONFIG, {f32("c", 9, CONFIG), f32("b", 3, CONFIG)}, identityAndZero(true),
         nullptr},
        {25, "AccelerationCompensation", REG_CONFIG, {f32("c", 9, CONFIG), f32("b", 3, CONFIG)},
         identityAndZero(true), nullptr},
        {26, "ReferenceFrameRotation", REG_CONFIG, {f32("c", 9, CONFIG)}, identityAndZero(false), nullptr},
        {27,
         "YawPitchRollMagneticAccelerationAndAngularRates",
         REG_MEASUREMENT,
         {f32("yawPitchRoll", 3, ANGLE), f32("mag", 3, MAG), f32("accel", 3, ACCEL), f32("gyro", 3, RATE)},
         live,
         nullptr},
        {30,
         "CommunicationProtocolControl",
         REG_CONFIG,
         {u8("serialCount"), u8("serialStatus"), u8("spiCount"), u8("spiStatus"), u8("serialChecksum"),
          u8("spiChecksum"), u8("errorMode")},
         nums({0, 0, 0, 0, 1, 1, 1}),
         checkProtocolControl},
        {32,
         "SynchronizationControl",
         REG_CONFIG,
         {u8("syncInMode"), u8("syncInEdge"), u16("syncInSkipFactor"), u32("reserved1"), u8("syncOutMode"),
          u8("syncOutPolarity"), u16("syncOutSkipFactor"), u32("syncOutPulseWidth"), u32("reserved2")},
         nums({3, 0, 0, 0, 0, 1, 0, 100000000, 0}),
         nullptr},
        {33, "SynchronizationStatus", REG_CONFIG, {u32("syncInCount"), u32("syncInTime"), u32("syncOutCount")},
         zeros(3), nullptr},
        {35,
         "AfeBasicControl",
         REG_CONFIG,
         {u8("enable"), u8("headingMode"), u8("filteringMode"), u8("tuningMode")},
         nums({1, 1, 1, 1}),
         checkAfeBasic},
        {36,
         "AfeMagnetometerBasicTuning",
         REG_CONFIG,
         {f32("baseTuning", 3, CONFIG), f32("adaptiveTuning", 3, CONFIG), f32("adaptiveFiltering", 3, CONFIG)},
         nums({4, 4, 4, 5, 5, 5, 5.5, 5.5, 5.5}),
         nullptr},
        {38,
         "AfeAccelerometerBasicTuning",
         REG_CONFIG,
         {f32("baseTuning", 3, CONFIG), f32("adaptiveTuning", 3, CONFIG), f32("adaptiveFiltering", 3, CONFIG)},
         nums({5, 5, 5, 3, 3, 3, 5.5, 5.5, 5.5}),
         nullptr},
        {40,
         "AfeGyroBasicTuning",
         REG_CONFIG,
         {f32("angularWalkVariance", 3, CONFIG), f32("baseTuning", 3, CONFIG), f32("adaptiveTuning", 3, CONFIG)},
         nums({0, 0, 0, 4, 4, 4, 2, 2, 2}),
         nullptr},
        {44,
         "MagnetometerCalibrationControl",
         REG_CONFIG,
         {u8("hsiMode"), u8("hsiOutput"), u8("convergeRate")},
         nums({1, 3, 5}),
         checkHsiControl},
        {47, "CalculatedMagnetometerCalibration", REG_MEASUREMENT, {f32("c", 9, CONFIG), f32("b", 3, CONFIG)}, live,
         nullptr},
        {50, "VelocityCompensationMeasurement", REG_CONFIG, {f32("velocity", 3, CONFIG)}, zeros(3), nullptr},
        {51,
         "VelocityCompensationControl",
         REG_CONFIG,
         {u8("mode"), f32("velocityTuning", 1, CONFIG), f32("rateTuning", 1, CONFIG)},
         nums({0, 0.1, 0.01}),
         nullptr},
        {54,
         "ImuMeasurements",
         REG_MEASUREMENT,
         {f32("mag", 3, MAG), f32("accel", 3, ACCEL), f32("gyro", 3, RATE), f32("temp", 1, TEMP),
          f32("pressure", 1, PRES)},
         live,
         nullptr},
        {74,
         "StartupFilterBiasEstimate",
         REG_CONFIG,
         {f32("gyroBias", 3, CONFIG), f32("accelBias", 3, CONFIG), f32("pressureBias", 1, CONFIG)},
         zeros(7),
         nullptr},
        binaryOutput(75),
        binaryOutput(76),
        binaryOutput(77),
        {82,
         "DeltaThetaAndDeltaVelocityConfiguration",
         REG_CONFIG,
         {u8("integrationFrame"), u8("gyroCompensation"), u8("accelCompensation"), u8("reserved1"), u16("reserved2")},
         zeros(5),
         nullptr},
        {83,
         "ReferenceVectorConfiguration",
         REG_CONFIG,
         {u8("useMagModel"), u8("useGravityModel"), u8("resv1"), u8("resv2"), u32("recalcThreshold"),
          f32("year", 1, CONFIG), {"position", FIELD_F64, 3, COORD}},
         nums({1, 1, 0, 0, 1000, 2024.0, 36.806, -121.9421, 0.0}),
         checkReferenceConfig},
        {84, "GyroCompensation", REG_CONFIG, {f32("c", 9, CONFIG), f32("b", 3, CONFIG)}, identityAndZero(true),
         nullptr},
        {85,
         "ImuFilteringConfiguration",
         REG_CONFIG,
         {u16("magWindowSize"), u16("accelWindowSize"), u16("gyroWindowSize"), u16("tempWindowSize"),
          u16("presWindowSize"), u8("magFilterMode"), u8("accelFilterMode"), u8("gyroFilterMode"),
          u8("tempFilterMode"), u8("presFilterMode")},
         nums({4, 4, 4, 4, 4, 3, 3, 3, 3, 3}),
         nullptr},
        {239,
         "YawPitchRollTrueBodyAccelerationAndAngularRates",
         REG_MEASUREMENT,
         {f32("yawPitchRoll", 3, ANGLE), f32("bodyAccel", 3, ACCEL), f32("gyro", 3, RATE)},
         live,
         nullptr},
        {240,
         "YawPitchRollTrueInertialAccelerationAndAngularRates",
         REG_MEASUREMENT,
         {f32("yawPitchRoll", 3, ANGLE), f32("inertialAccel", 3, ACCEL), f32("gyro", 3, RATE)},
         live,
         nullptr},
    };
    return c;
}

} // namespace

const std::vector<RegisterSpec>& registerCatalogue()
{
    static const std::vector<RegisterSpec> catalogue = build();
    return catalogue;
}

} // namespace aq9sim
