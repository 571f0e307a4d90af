#include "aq/protocol/spi_catalogue.h"

#include <string.h>

#include "aq/util.h"

namespace {

// Response frame sizes and payload layouts of every numbered register. The
// frame size is the header plus the payload, except for 5, 6 and 7, whose
// frame the sensor clocks one byte longer than their single uint32_t, and the
// text registers 0, 1 and 4, which report the header alone.
const AqSpiRegister kCatalogue[] = {
    {0, 4, nullptr},         // UserTag
    {1, 4, nullptr},         // ModelNumber
    {2, 8, "w"},             // HardwareRevision
    {3, 8, "w"},             // SerialNumber
    {4, 4, nullptr},         // FirmwareVersion
    {5, 9, "w"},             // SerialBaudRate
    {6, 9, "w"},             // AsyncDataOutputType
    {7, 9, "w"},             // AsyncDataOutputFrequency
    {8, 16, "v"},            // YawPitchRoll
    {9, 20, "q"},            // AttitudeQuaternion
    {15, 56, "qvvv"},        // QuaternionMagneticAccelerationAndAngularRates
    {17, 16, "v"},           // MagneticMeasurements
    {18, 16, "v"},           // AccelerationMeasurements
    {19, 16, "v"},           // AngularRateMeasurements
    {20, 40, "vvv"},         // MagneticAccelerationAndAngularRates
    {21, 28, "vv"},          // MagneticAndGravityReferenceVectors
    {23, 52, "mv"},          // MagnetometerCompensation
    {25, 52, "mv"},          // AccelerationCompensation
    {26, 40, "m"},           // ReferenceFrameRotation
    {27, 52, "vvvv"},        // YawPitchRollMagneticAccelerationAndAngularRates
    {30, 11, "bbbbbbb"},     // CommunicationProtocolControl
    {32, 24, "bbhwbbhww"},   // SynchronizationControl
    {33, 16, "www"},         // SynchronizationStatus
    {35, 8, "bbbb"},         // AfeBasicControl
    {36, 40, "vvv"},         // AfeMagnetometerBasicTuning
    {38, 40, "vvv"},         // AfeAccelerometerBasicTuning
    {40, 40, "vvv"},         // AfeGyroBasicTuning
    {44, 7, "bbb"},          // MagnetometerCalibrationControl
    {47, 52, "mv"},          // CalculatedMagnetometerCalibration
    {50, 16, "v"},           // VelocityCompensationMeasurement
    {51, 13, "bff"},         // VelocityCompensationControl
    {54, 48, "vvvff"},       // ImuMeasurements
    {55, 9, "bbbbb"},        // GpsConfiguration
    {57, 16, "v"},           // GpsAntennaOffset
    {58, 76, "dhbb_Vvvff"},  // GpsSolutionLla: gap after numSats
    {59, 76, "dhbb_Vvvff"},  // GpsSolutionEcef: gap after numSats
    {63, 76, "dhhvVvfff"},   // InsSolutionLla
    {64, 76, "dhhvVvfff"},   // InsSolutionEcef
    {67, 8, "bbbb"},         // InsBasicConfiguration
    {72, 76, "vVvvv"},       // InsStateLla
    {73, 76, "vVvvv"},       // InsStateEcef
    {74, 32, "vvf"},         // StartupFilterBiasEstimate
    {80, 32, "fvv"},         // DeltaThetaAndDeltaVelocity
    {82, 10, "bbbbh"},       // DeltaThetaAndDeltaVelocityConfiguration
    {83, 44, "bbbbwf_V"},    // ReferenceVectorConfiguration: gap after year
    {84, 52, "mv"},          // GyroCompensation
    {85, 19, "hhhhhbbbbb"},  // ImuFilteringConfiguration
    {93, 28, "vv"},          // GpsCompassBaseline
    {97, 32, "bbhvv"},       // GpsCompassEstimatedBaseline
    {239, 40, "vvv"},        // YawPitchRollTrueBodyAccelerationAndAngularRates
    {240, 40, "vvv"},        // YawPitchRollTrueInertialAccelerationAndAngularRates
};

// A field letter as count scalars of scalarSize bytes (0 = unknown letter).
struct FieldShape
{
    char scalar;  // 'b', 'h', 'w', 'f', 'd' or '_' (gap)
    size_t scalarSize;
    size_t count;
};

FieldShape shapeOf(char letter)
{
    switch (letter)
    {
        case 'b': return {'b', 1, 1};
        case 'h': return {'h', 2, 1};
        case 'w': return {'w', 4, 1};
        case 'f': return {'f', 4, 1};
        case 'd': return {'d', 8, 1};
        case 'v': return {'f', 4, 3};
        case 'q': return {'f', 4, 4};
        case 'V': return {'d', 8, 3};
        case 'm': return {'f', 4, 9};
        case '_': return {'_', 4, 1};
        default: return {'_', 0, 0};
    }
}

// One scalar from host order to wire order.
void putScalar(char* dst, char scalar, const char* src)
{
    switch (scalar)
    {
        case 'b': dst[0] = src[0]; break;
        case 'h': { uint16_t v; memcpy(&v, src, 2); v = htos16(v); memcpy(dst, &v, 2); break; }
        case 'w': { uint32_t v; memcpy(&v, src, 4); v = htos32(v); memcpy(dst, &v, 4); break; }
        case 'f': { float v; memcpy(&v, src, 4); v = htosf4(v); memcpy(dst, &v, 4); break; }
        case 'd': { double v; memcpy(&v, src, 8); v = htosf8(v); memcpy(dst, &v, 8); break; }
        default: break;
    }
}

// One scalar from wire order to host order.
void getScalar(char* dst, char scalar, const char* src)
{
    switch (scalar)
    {
        case 'b': dst[0] = src[0]; break;
        case 'h': { uint16_t v = AqUtil_extractUint16(src); memcpy(dst, &v, 2); break; }
        case 'w': { uint32_t v = AqUtil_extractUint32(src); memcpy(dst, &v, 4); break; }
        case 'f': { float v = AqUtil_extractFloat(src); memcpy(dst, &v, 4); break; }
        case 'd': { double v = AqUtil_extractDouble(src); memcpy(dst, &v, 8); break; }
        default: break;
    }
}

}  // namespace

const AqSpiRegister* AqSpiCatalogue_find(uint8_t id)
{
    for (const AqSpiRegister& r : kCatalogue)
    {
        if (r.id == id)
        {
            return &r;
        }
    }
    return nullptr;
}

size_t AqSpiCatalogue_layoutSize(const char* layout)
{
    size_t total = 0;
    for (const char* p = layout; p != nullptr && *p != '\0'; p++)
    {
        FieldShape s = shapeOf(*p);
        total += s.scalarSize * s.count;
    }
    return total;
}

void AqSpiCatalogue_put(char* dst, const char* layout, const void* const* values)
{
    for (const char* p = layout; *p != '\0'; p++)
    {
        FieldShape s = shapeOf(*p);
        if (s.scalar != '_')
        {
            // Vectors and matrices are arrays of their scalar: element i sits
            // i * scalarSize bytes into the host value as on the wire.
            const char* src = static_cast<const char*>(*values++);
            for (size_t i = 0; i < s.count; i++)
            {
                putScalar(dst + i * s.scalarSize, s.scalar, src + i * s.scalarSize);
            }
        }
        dst += s.scalarSize * s.count;
    }
}

void AqSpiCatalogue_get(const char* src, const char* layout, void* const* outs)
{
    for (const char* p = layout; *p != '\0'; p++)
    {
        FieldShape s = shapeOf(*p);
        if (s.scalar != '_')
        {
            char* dst = static_cast<char*>(*outs++);
            for (size_t i = 0; i < s.count; i++)
            {
                getScalar(dst + i * s.scalarSize, s.scalar, src + i * s.scalarSize);
            }
        }
        src += s.scalarSize * s.count;
    }
}

AqError AqSpiCatalogue_errorOf(const char* response)
{
    // Read unsigned: a byte of 0x80 or more read as signed would give a code
    // below 1000 that names no sensor error.
    uint8_t n = static_cast<uint8_t>(response[3]);
    return n == 0 ? E_NONE : static_cast<AqError>(1000 + n);
}
