// Command generators: exact bytes per family, every read register's number, the
// capacity guard at every too-small size, and a round trip through the parser
// for every write register (a write command has the shape of the sensor's reply).
#include <string.h>

#include <functional>
#include <string>

#include "CppUTest/TestHarness.h"

#include "upack_fieldValues.h"

namespace
{

const AqErrorDetectionMode kNone = AQERRORDETECTIONMODE_NONE;
const AqErrorDetectionMode kChecksum = AQERRORDETECTIONMODE_CHECKSUM;
const AqErrorDetectionMode kCrc = AQERRORDETECTIONMODE_CRC;

// A generator bound to its fields: (buffer, bufferSize, cmdSize) -> result.
typedef std::function<AqError(char*, size_t, size_t*)> Generator;

struct GeneratorRow
{
    const char* label;
    Generator generate;
    const char* expected; // command bytes; cmdSize is their length
};

vec3f v3(float x, float y, float z)
{
    vec3f v = {{x, y, z}};
    return v;
}

mat3f countingMatrix()
{
    mat3f m;
    for (int i = 0; i < 9; ++i)
        m.e[i] = (float)(i + 1);
    return m;
}

#define GEN(call) [](char* b, size_t n, size_t* s) { return call; }

const GeneratorRow kGeneratorRows[] = {
    {"read 8, no check", GEN(AqUartPacket_genReadYawPitchRoll(b, n, kNone, s)), "$AQRRG,08*XX\r\n"},
    {"read 8, checksum", GEN(AqUartPacket_genReadYawPitchRoll(b, n, kChecksum, s)), "$AQRRG,08*73\r\n"},
    {"read 8, CRC", GEN(AqUartPacket_genReadYawPitchRoll(b, n, kCrc, s)), "$AQRRG,08*3748\r\n"},
    {"read 1, checksum", GEN(AqUartPacket_genReadModelNumber(b, n, kChecksum, s)), "$AQRRG,01*7A\r\n"},
    {"read 1, CRC", GEN(AqUartPacket_genReadModelNumber(b, n, kCrc, s)), "$AQRRG,01*A661\r\n"},
    {"read, unknown mode gives XX", GEN(AqUartPacket_genReadYawPitchRoll(b, n, (AqErrorDetectionMode)3, s)),
     "$AQRRG,08*XX\r\n"},
    {"write 6, one digit register", GEN(AqUartPacket_genWriteAsyncDataOutputType(b, n, kNone, s, 0)),
     "$AQWRG,6,0*XX\r\n"},
    {"write 6, CRC", GEN(AqUartPacket_genWriteAsyncDataOutputType_with_options(b, n, kCrc, s, 0)),
     "$AQWRG,6,0*3C57\r\n"},
    {"write 5 with options", GEN(AqUartPacket_genWriteSerialBaudRate_with_options(b, n, kNone, s, 115200)),
     "$AQWRG,5,115200*XX\r\n"},
    {"write 7 with options", GEN(AqUartPacket_genWriteAsyncDataOutputFrequency_with_options(b, n, kNone, s, 40)),
     "$AQWRG,7,40*XX\r\n"},
    {"32-bit fields stay unsigned", GEN(AqUartPacket_genWriteSynchronizationStatus(b, n, kCrc, s, 3000000000u, 1,
                                                                                   4294967295u)),
     "$AQWRG,33,3000000000,1,4294967295*D0C3\r\n"},
    {"matrix row by row, then bias",
     GEN(AqUartPacket_genWriteMagnetometerCompensation(b, n, kNone, s, countingMatrix(), v3(0.5f, -0.25f, 10))),
     "$AQWRG,23,1.000000,4.000000,7.000000,2.000000,5.000000,8.000000,3.000000,6.000000,9.000000,0.500000,"
     "-0.250000,10.000000*XX\r\n"},
    {"text field", GEN(AqUartPacket_genWriteUserTag(b, n, kNone, s, "bow unit")), "$AQWRG,0,bow unit*XX\r\n"},
    {"integers and a double position",
     GEN(AqUartPacket_genWriteReferenceVectorConfiguration(b, n, kNone, s, 1, 1, 0, 0, 1000, 2026.5f,
                                                           vec3d{{37.5, -122.25, 10}})),
     "$AQWRG,83,1,1,0,0,1000,2026.500000,37.500000,-122.250000,10.000000*XX\r\n"},
    {"binary output 1", GEN(AqUartPacket_genWriteBinaryOutput1(b, n, kNone, s, 1, 80, 0, 0, 0x0030, 0, 0, 0, 0)),
     "$AQWRG,75,1,80,4,30*XX\r\n"},
    {"binary output 1, checksum",
     GEN(AqUartPacket_genWriteBinaryOutput1(b, n, kChecksum, s, 1, 80, 0, 0, 0x0030, 0, 0, 0, 0)),
     "$AQWRG,75,1,80,4,30*72\r\n"},
    {"binary output 3, every group",
     GEN(AqUartPacket_genWriteBinaryOutput3(b, n, kNone, s, 3, 4, 1, 2, 3, 0xAB, 5, 6, 0xFFFF)),
     "$AQWRG,77,3,4,7F,1,2,3,AB,5,6,FFFF*XX\r\n"},
    {"binary output 2, no group", GEN(AqUartPacket_genWriteBinaryOutput2(b, n, kNone, s, 0, 1, 0, 0, 0, 0, 0, 0, 0)),
     "$AQWRG,76,0,1,0*XX\r\n"},
    {"save settings", GEN(AqUartPacket_genCmdWriteSettings(b, n, kCrc, s)), "$AQWNV*7718\r\n"},
    {"factory settings", GEN(AqUartPacket_genCmdRestoreFactorySettings(b, n, kNone, s)), "$AQRFS*XX\r\n"},
    {"reset", GEN(AqUartPacket_genCmdReset(b, n, kNone, s)), "$AQRST*XX\r\n"},
    {"tare", GEN(AqUartPacket_genCmdTare(b, n, kNone, s)), "$AQTAR*XX\r\n"},
    {"gyro bias", GEN(AqUartPacket_genCmdSetGyroBias(b, n, kNone, s)), "$AQSGB*XX\r\n"},
    {"magnetic disturbance 5 is 1", GEN(AqUartPacket_genCmdKnownMagneticDisturbance(b, n, kChecksum, 5, s)),
     "$AQKMD,1*4F\r\n"},
    {"magnetic disturbance -1 is 1", GEN(AqUartPacket_genCmdKnownMagneticDisturbance(b, n, kNone, -1, s)),
     "$AQKMD,1*XX\r\n"},
    {"acceleration disturbance 0", GEN(AqUartPacket_genCmdKnownAccelerationDisturbance(b, n, kNone, 0, s)),
     "$AQKAD,0*XX\r\n"},
    {"format: unknown widths and letters skipped",
     GEN(AqUartPacket_genWrite(b, n, kNone, 300, s, "U9xF1U1F8", 7, 2.5)), "$AQWRG,300,7,2.500000*XX\r\n"},
    {"format: kind letter at the end", GEN(AqUartPacket_genWrite(b, n, kNone, 1, s, "U2U", 12)),
     "$AQWRG,1,12*XX\r\n"},
};

struct ReadRow
{
    const char* name;
    AqError (*generate)(char*, size_t, AqErrorDetectionMode, size_t*);
    unsigned number;
};

#define READ(name, number) {#name, AqUartPacket_genRead##name, number}

const ReadRow kReadRows[] = {
    READ(UserTag, 0), READ(ModelNumber, 1), READ(HardwareRevision, 2), READ(SerialNumber, 3),
    READ(FirmwareVersion, 4), READ(SerialBaudRate, 5), READ(AsyncDataOutputType, 6),
    READ(AsyncDataOutputFrequency, 7), READ(YawPitchRoll, 8), READ(AttitudeQuaternion, 9),
    READ(QuaternionMagneticAccelerationAndAngularRates, 15), READ(MagneticMeasurements, 17),
    READ(AccelerationMeasurements, 18), READ(AngularRateMeasurements, 19),
    READ(MagneticAccelerationAndAngularRates, 20), READ(MagneticAndGravityReferenceVectors, 21),
    READ(MagnetometerCompensation, 23), READ(AccelerationCompensation, 25), READ(ReferenceFrameRotation, 26),
    READ(YawPitchRollMagneticAccelerationAndAngularRates, 27), READ(CommunicationProtocolControl, 30),
    READ(SynchronizationControl, 32), READ(SynchronizationStatus, 33), READ(AfeBasicControl, 35),
    READ(AfeMagnetometerBasicTuning, 36), READ(AfeAccelerometerBasicTuning, 38),
    READ(MagnetometerCalibrationControl, 44), READ(CalculatedMagnetometerCalibration, 47),
    READ(VelocityCompensationMeasurement, 50), READ(VelocityCompensationControl, 51), READ(ImuMeasurements, 54),
    READ(GpsConfiguration, 55), READ(GpsAntennaOffset, 57), READ(GpsSolutionLla, 58), READ(GpsSolutionEcef, 59),
    READ(InsSolutionLla, 63), READ(InsSolutionEcef, 64), READ(InsBasicConfiguration, 67), READ(InsStateLla, 72),
    READ(InsStateEcef, 73), READ(StartupFilterBiasEstimate, 74), READ(BinaryOutput1, 75), READ(BinaryOutput2, 76),
    READ(BinaryOutput3, 77), READ(DeltaThetaAndDeltaVelocity, 80), READ(DeltaThetaAndDeltaVelocityConfiguration, 82),
    READ(ReferenceVectorConfiguration, 83), READ(GyroCompensation, 84), READ(ImuFilteringConfiguration, 85),
    READ(GpsCompassBaseline, 93), READ(GpsCompassEstimatedBaseline, 97),
    READ(YawPitchRollTrueBodyAccelerationAndAngularRates, 239),
    READ(YawPitchRollTrueInertialAccelerationAndAngularRates, 240),
};

// A write register's round trip: generate from `in` into the buffer, then parse
// the buffer into `out`.
struct RoundTripRow
{
    const char* name;
    const char* layout;
    void (*run)(char* buffer, size_t size, FieldValues& in, FieldValues& out);
};


const RoundTripRow kRoundTripRows[] = {
    {"SerialBaudRate", "u", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteSerialBaudRate(b, n, kCrc, &s, i.u[0]);
         AqUartPacket_parseSerialBaudRateRaw(b, &o.u[0]);
     }},
    {"AsyncDataOutputType", "u", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteAsyncDataOutputType(b, n, kCrc, &s, i.u[0]);
         AqUartPacket_parseAsyncDataOutputTypeRaw(b, &o.u[0]);
     }},
    {"AsyncDataOutputFrequency", "u", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteAsyncDataOutputFrequency(b, n, kCrc, &s, i.u[0]);
         AqUartPacket_parseAsyncDataOutputFrequencyRaw(b, &o.u[0]);
     }},
    {"MagneticAndGravityReferenceVectors", "vv", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteMagneticAndGravityReferenceVectors(b, n, kCrc, &s, i.v[0], i.v[1]);
         AqUartPacket_parseMagneticAndGravityReferenceVectorsRaw(b, &o.v[0], &o.v[1]);
     }},
    {"MagnetometerCompensation", "mv", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteMagnetometerCompensation(b, n, kCrc, &s, i.m[0], i.v[0]);
         AqUartPacket_parseMagnetometerCompensationRaw(b, &o.m[0], &o.v[0]);
     }},
    {"AccelerationCompensation", "mv", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteAccelerationCompensation(b, n, kCrc, &s, i.m[0], i.v[0]);
         AqUartPacket_parseAccelerationCompensationRaw(b, &o.m[0], &o.v[0]);
     }},
    {"GyroCompensation", "mv", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteGyroCompensation(b, n, kCrc, &s, i.m[0], i.v[0]);
         AqUartPacket_parseGyroCompensationRaw(b, &o.m[0], &o.v[0]);
     }},
    {"ReferenceFrameRotation", "m", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteReferenceFrameRotation(b, n, kCrc, &s, i.m[0]);
         AqUartPacket_parseReferenceFrameRotationRaw(b, &o.m[0]);
     }},
    {"CommunicationProtocolControl", "bbbbbbb", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteCommunicationProtocolControl(b, n, kCrc, &s, i.b[0], i.b[1], i.b[2], i.b[3], i.b[4],
                                                           i.b[5], i.b[6]);
         AqUartPacket_parseCommunicationProtocolControlRaw(b, &o.b[0], &o.b[1], &o.b[2], &o.b[3], &o.b[4], &o.b[5],
                                                           &o.b[6]);
     }},
    {"SynchronizationControl", "bbhubbhuu", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteSynchronizationControl(b, n, kCrc, &s, i.b[0], i.b[1], i.h[0], i.u[0], i.b[2], i.b[3],
                                                     i.h[1], i.u[1], i.u[2]);
         AqUartPacket_parseSynchronizationControlRaw(b, &o.b[0], &o.b[1], &o.h[0], &o.u[0], &o.b[2], &o.b[3],
                                                     &o.h[1], &o.u[1], &o.u[2]);
     }},
    {"SynchronizationStatus", "uuu", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteSynchronizationStatus(b, n, kCrc, &s, i.u[0], i.u[1], i.u[2]);
         AqUartPacket_parseSynchronizationStatusRaw(b, &o.u[0], &o.u[1], &o.u[2]);
     }},
    {"AfeBasicControl", "bbbb", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteAfeBasicControl(b, n, kCrc, &s, i.b[0], i.b[1], i.b[2], i.b[3]);
         AqUartPacket_parseAfeBasicControlRaw(b, &o.b[0], &o.b[1], &o.b[2], &o.b[3]);
     }},
    {"InsBasicConfiguration", "bbbb", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteInsBasicConfiguration(b, n, kCrc, &s, i.b[0], i.b[1], i.b[2], i.b[3]);
         AqUartPacket_parseInsBasicConfigurationRaw(b, &o.b[0], &o.b[1], &o.b[2], &o.b[3]);
     }},
    {"AfeMagnetometerBasicTuning", "vvv", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteAfeMagnetometerBasicTuning(b, n, kCrc, &s, i.v[0], i.v[1], i.v[2]);
         AqUartPacket_parseAfeMagnetometerBasicTuningRaw(b, &o.v[0], &o.v[1], &o.v[2]);
     }},
    {"AfeAccelerometerBasicTuning", "vvv", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteAfeAccelerometerBasicTuning(b, n, kCrc, &s, i.v[0], i.v[1], i.v[2]);
         AqUartPacket_parseAfeAccelerometerBasicTuningRaw(b, &o.v[0], &o.v[1], &o.v[2]);
     }},
    {"AfeGyroBasicTuning", "vvv", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteAfeGyroBasicTuning(b, n, kCrc, &s, i.v[0], i.v[1], i.v[2]);
         AqUartPacket_parseAfeGyroBasicTuningRaw(b, &o.v[0], &o.v[1], &o.v[2]);
     }},
    {"MagnetometerCalibrationControl", "bbb", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteMagnetometerCalibrationControl(b, n, kCrc, &s, i.b[0], i.b[1], i.b[2]);
         AqUartPacket_parseMagnetometerCalibrationControlRaw(b, &o.b[0], &o.b[1], &o.b[2]);
     }},
    {"VelocityCompensationMeasurement", "v", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteVelocityCompensationMeasurement(b, n, kCrc, &s, i.v[0]);
         AqUartPacket_parseVelocityCompensationMeasurementRaw(b, &o.v[0]);
     }},
    {"GpsAntennaOffset", "v", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteGpsAntennaOffset(b, n, kCrc, &s, i.v[0]);
         AqUartPacket_parseGpsAntennaOffsetRaw(b, &o.v[0]);
     }},
    {"VelocityCompensationControl", "bff", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteVelocityCompensationControl(b, n, kCrc, &s, i.b[0], i.f[0], i.f[1]);
         AqUartPacket_parseVelocityCompensationControlRaw(b, &o.b[0], &o.f[0], &o.f[1]);
     }},
    {"GpsConfiguration", "bbbbb", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteGpsConfiguration(b, n, kCrc, &s, i.b[0], i.b[1], i.b[2], i.b[3], i.b[4]);
         AqUartPacket_parseGpsConfigurationRaw(b, &o.b[0], &o.b[1], &o.b[2], &o.b[3], &o.b[4]);
     }},
    {"StartupFilterBiasEstimate", "vvf", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteStartupFilterBiasEstimate(b, n, kCrc, &s, i.v[0], i.v[1], i.f[0]);
         AqUartPacket_parseStartupFilterBiasEstimateRaw(b, &o.v[0], &o.v[1], &o.f[0]);
     }},
    {"DeltaThetaAndDeltaVelocityConfiguration", "bbbbh", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteDeltaThetaAndDeltaVelocityConfiguration(b, n, kCrc, &s, i.b[0], i.b[1], i.b[2], i.b[3],
                                                                      i.h[0]);
         AqUartPacket_parseDeltaThetaAndDeltaVelocityConfigurationRaw(b, &o.b[0], &o.b[1], &o.b[2], &o.b[3], &o.h[0]);
     }},
    {"ReferenceVectorConfiguration", "bbbbufD", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteReferenceVectorConfiguration(b, n, kCrc, &s, i.b[0], i.b[1], i.b[2], i.b[3], i.u[0],
                                                           i.f[0], i.D[0]);
         AqUartPacket_parseReferenceVectorConfigurationRaw(b, &o.b[0], &o.b[1], &o.b[2], &o.b[3], &o.u[0], &o.f[0],
                                                           &o.D[0]);
     }},
    {"ImuFilteringConfiguration", "hhhhhbbbbb", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteImuFilteringConfiguration(b, n, kCrc, &s, i.h[0], i.h[1], i.h[2], i.h[3], i.h[4], i.b[0],
                                                        i.b[1], i.b[2], i.b[3], i.b[4]);
         AqUartPacket_parseImuFilteringConfigurationRaw(b, &o.h[0], &o.h[1], &o.h[2], &o.h[3], &o.h[4], &o.b[0],
                                                        &o.b[1], &o.b[2], &o.b[3], &o.b[4]);
     }},
    {"GpsCompassBaseline", "vv", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         AqUartPacket_genWriteGpsCompassBaseline(b, n, kCrc, &s, i.v[0], i.v[1]);
         AqUartPacket_parseGpsCompassBaselineRaw(b, &o.v[0], &o.v[1]);
     }},
    // Group fields in hex, one per set group; the groups value is rebuilt by the generator.
    {"BinaryOutput1", "hhHHHHHHHH", [](char* b, size_t n, FieldValues& i, FieldValues& o) {
         size_t s;
         i.h[2] = 0x7F;
         AqUartPacket_genWriteBinaryOutput1(b, n, kCrc, &s, i.h[0], i.h[1], i.h[3], i.h[4], i.h[5], i.h[6], i.h[7],
                                            i.h[8], i.h[9]);
         AqUartPacket_parseBinaryOutputRaw(b, &o.h[0], &o.h[1], &o.h[2], &o.h[3], &o.h[4], &o.h[5], &o.h[6], &o.h[7],
                                           &o.h[8], &o.h[9]);
     }},
};

} // namespace

TEST_GROUP(AqUartPacketCommands)
{
    char buffer[256];
    size_t cmdSize;

    void setup() override
    {
        memset(buffer, '#', sizeof buffer);
        cmdSize = 999;
    }

    // The whole buffer past `from` still holds the fill byte.
    bool untouchedFrom(size_t from)
    {
        for (size_t i = from; i < sizeof buffer; ++i)
            if (buffer[i] != '#')
                return false;
        return true;
    }
};

TEST(AqUartPacketCommands, generators_write_exact_bytes_and_terminate_after_the_line_end)
{
    for (const GeneratorRow& row : kGeneratorRows)
    {
        setup();
        LONGS_EQUAL_TEXT(E_NONE, row.generate(buffer, sizeof buffer, &cmdSize), row.label);
        LONGS_EQUAL_TEXT(strlen(row.expected), cmdSize, row.label);
        STRNCMP_EQUAL_TEXT(row.expected, buffer, cmdSize, row.label);
        BYTES_EQUAL_TEXT(0, buffer[cmdSize], row.label);
        CHECK_TEXT(untouchedFrom(cmdSize + 1), row.label);
    }
}

TEST(AqUartPacketCommands, every_read_generator_names_its_register)
{
    for (const ReadRow& row : kReadRows)
    {
        char expected[32];
        snprintf(expected, sizeof expected, "$AQRRG,%02u*XX\r\n", row.number);
        LONGS_EQUAL_TEXT(E_NONE, row.generate(buffer, sizeof buffer, kNone, &cmdSize), row.name);
        STRCMP_EQUAL_TEXT(expected, buffer, row.name);
        LONGS_EQUAL_TEXT(strlen(expected), cmdSize, row.name);
    }
}

TEST(AqUartPacketCommands, a_command_that_does_not_fit_is_refused_whole_at_every_size)
{
    for (const GeneratorRow& row : kGeneratorRows)
    {
        size_t needed = strlen(row.expected) + 1; // the terminator included
        for (size_t size = 0; size < needed; ++size)
        {
            std::string label = std::string(row.label) + ", capacity " + std::to_string(size);
            setup();
            LONGS_EQUAL_TEXT(E_BUFFER_TOO_SMALL, row.generate(buffer, size, &cmdSize), label.c_str());
            LONGS_EQUAL_TEXT(999, cmdSize, label.c_str());
            CHECK_TEXT(untouchedFrom(size), label.c_str());
            if (size > 0)
                BYTES_EQUAL_TEXT(0, buffer[0], label.c_str());
        }
        setup();
        LONGS_EQUAL_TEXT(E_NONE, row.generate(buffer, needed, &cmdSize), row.label);
        CHECK_TEXT(untouchedFrom(needed), row.label);
    }
}

TEST(AqUartPacketCommands, finalize_appends_the_check_text_only_when_it_fits)
{
    struct
    {
        AqErrorDetectionMode mode;
        size_t capacity;
        AqError result;
        const char* expected;
    } rows[] = {
        {kNone, 15, E_NONE, "$AQRRG,08*XX\r\n"},          {kNone, 14, E_BUFFER_TOO_SMALL, "$AQRRG,08"},
        {kCrc, 16, E_BUFFER_TOO_SMALL, "$AQRRG,08"},       {kCrc, 17, E_NONE, "$AQRRG,08*3748\r\n"},
        {kChecksum, 15, E_NONE, "$AQRRG,08*73\r\n"},      {(AqErrorDetectionMode)3, 15, E_NONE, "$AQRRG,08*XX\r\n"},
        {kNone, 5, E_BUFFER_TOO_SMALL, "$AQRRG,08"}, // capacity below the command itself
    };
    for (auto& row : rows)
    {
        setup();
        memcpy(buffer, "$AQRRG,08", 10);
        size_t length = 9;
        LONGS_EQUAL_TEXT(row.result, AqUartPacket_finalizeCommand(row.mode, (uint8_t*)buffer, &length, row.capacity),
                         row.expected);
        LONGS_EQUAL_TEXT(strlen(row.expected), length, row.expected);
        STRCMP_EQUAL_TEXT(row.expected, buffer, row.expected);
    }
}

TEST(AqUartPacketCommands, refused_arguments_leave_buffer_and_size_untouched)
{
    LONGS_EQUAL(E_NOT_SUPPORTED, AqUartPacket_genWriteAsyncDataOutputType(buffer, sizeof buffer,
                                                                          (AqErrorDetectionMode)3, &cmdSize, 0));
    LONGS_EQUAL(E_INVALID_VALUE, AqUartPacket_genWriteBinaryOutput(buffer, sizeof buffer, kNone, &cmdSize, 0, 1, 80,
                                                                   8, 0, 0, 0, 0, 0, 0));
    LONGS_EQUAL(E_INVALID_VALUE, AqUartPacket_genWriteBinaryOutput(buffer, sizeof buffer, kNone, &cmdSize, 4, 1, 80,
                                                                   8, 0, 0, 0, 0, 0, 0));
    LONGS_EQUAL(999, cmdSize);
    CHECK(untouchedFrom(0));
}

TEST(AqUartPacketCommands, text_that_would_break_the_sentence_is_refused)
{
    const char* tags[] = {"a\r\n$AQRFS", "two,fields", "x*XX", "$", "line\n"};
    for (const char* tag : tags)
    {
        setup();
        LONGS_EQUAL_TEXT(E_INVALID_VALUE, AqUartPacket_genWriteUserTag(buffer, sizeof buffer, kNone, &cmdSize, tag),
                         tag);
        LONGS_EQUAL_TEXT(999, cmdSize, tag);
        BYTES_EQUAL_TEXT(0, buffer[0], tag);
    }
}

TEST(AqUartPacketCommands, huge_values_overflow_a_link_sized_buffer_safely)
{
    mat3f big;
    for (float& e : big.e)
        e = -3e38f; // ",%f" prints about 47 characters each
    char link[256 + 1];
    memset(link, '#', sizeof link);
    LONGS_EQUAL(E_BUFFER_TOO_SMALL, AqUartPacket_genWriteMagnetometerCompensation(link, 256, kCrc, &cmdSize, big,
                                                                                  vec3f{{0, 0, 0}}));
    LONGS_EQUAL(999, cmdSize);
    BYTES_EQUAL(0, link[0]);
    BYTES_EQUAL('#', link[256]);
}

TEST(AqUartPacketCommands, every_write_command_parses_back_to_its_fields)
{
    for (const RoundTripRow& row : kRoundTripRows)
    {
        FieldValues in, out;
        fillValues(row.layout, in);
        setup();
        row.run(buffer, sizeof buffer, in, out);
        std::vector<double> sent = flatten(row.layout, in), parsed = flatten(row.layout, out);
        for (size_t n = 0; n < sent.size(); ++n)
        {
            std::string label = std::string(row.name) + " value " + std::to_string(n) + " in " + buffer;
            DOUBLES_EQUAL_TEXT(sent[n], parsed[n], 0.0, label.c_str());
        }
        CHECK_TEXT(markersIntact(row.layout, out), row.name);
    }
}

TEST(AqUartPacketCommands, user_tag_round_trip_is_bounded_by_the_output_capacity)
{
    AqUartPacket_genWriteUserTag(buffer, sizeof buffer, kCrc, &cmdSize, "starboard AHRS");
    char tag[10];
    memset(tag, '#', sizeof tag);
    AqUartPacket_parseUserTagRaw(buffer, tag, sizeof tag - 1);
    STRCMP_EQUAL("starboar", tag);
    BYTES_EQUAL('#', tag[sizeof tag - 1]);
}
