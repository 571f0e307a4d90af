// Command generators: every command is built through one bounded writer, so a
// command that would not fit is refused whole instead of being cut short.
#include "aq/protocol/upack_commands.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "aq/error_detection.h"

namespace
{

// Bounded text writer over the caller's buffer; once a piece did not fit it
// stays overflowed and writes nothing more.
struct CmdWriter
{
    char* buf;
    size_t cap;
    size_t len;
    bool overflow;
    bool invalid; // a text field would have broken the sentence
};

CmdWriter writerOn(char* buffer, size_t bufferSize)
{
    CmdWriter w = {buffer, buffer ? bufferSize : 0, 0, false, false};
    return w;
}

void vput(CmdWriter& w, const char* fmt, va_list ap)
{
    if (w.overflow)
        return;
    size_t room = w.cap - w.len;
    int n = vsnprintf(w.buf + w.len, room, fmt, ap);
    // The piece plus its terminator must fit; otherwise the command is lost.
    if (n < 0 || (size_t)n >= room)
    {
        w.overflow = true;
        return;
    }
    w.len += (size_t)n;
}

void put(CmdWriter& w, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    vput(w, fmt, ap);
    va_end(ap);
}

// Appends the check text and hands out the size; on overflow nothing left in
// the buffer reads as a command.
AqError finish(CmdWriter& w, AqErrorDetectionMode mode, size_t* cmdSize)
{
    AqError err = w.invalid ? E_INVALID_VALUE : E_BUFFER_TOO_SMALL;
    if (!w.invalid && !w.overflow && w.cap > 0)
        err = AqUartPacket_finalizeCommand(mode, (uint8_t*)w.buf, &w.len, w.cap);
    if (err != E_NONE)
    {
        if (w.cap > 0)
            w.buf[0] = '\0';
        return err;
    }
    if (cmdSize)
        *cmdSize = w.len;
    return E_NONE;
}

// A text field may not carry the sentence's own framing: a ',' would split it,
// and '$', '*' or a line end would let it smuggle in a second command.
bool isSafeText(const char* text)
{
    return strpbrk(text, "$*,\r\n") == NULL;
}

bool isKnownMode(AqErrorDetectionMode mode)
{
    return mode == AQERRORDETECTIONMODE_NONE || mode == AQERRORDETECTIONMODE_CHECKSUM ||
           mode == AQERRORDETECTIONMODE_CRC;
}

AqError genText(char* buffer, size_t bufferSize, AqErrorDetectionMode mode, size_t* cmdSize, const char* text)
{
    CmdWriter w = writerOn(buffer, bufferSize);
    put(w, "%s", text);
    return finish(w, mode, cmdSize);
}

AqError genReadRegister(char* buffer, size_t bufferSize, AqErrorDetectionMode mode, size_t* cmdSize,
                        unsigned registerId)
{
    CmdWriter w = writerOn(buffer, bufferSize);
    put(w, "$AQRRG,%02u", registerId);
    return finish(w, mode, cmdSize);
}

AqError genDisturbance(char* buffer, size_t bufferSize, AqErrorDetectionMode mode, size_t* cmdSize,
                       const char* code, int8_t present)
{
    CmdWriter w = writerOn(buffer, bufferSize);
    put(w, "$AQ%s,%d", code, present != 0 ? 1 : 0);
    return finish(w, mode, cmdSize);
}

} // namespace

AqError AqUartPacket_finalizeCommand(AqErrorDetectionMode errorDetectionMode, uint8_t* packet, size_t* length,
                                     size_t capacity)
{
    size_t digits = errorDetectionMode == AQERRORDETECTIONMODE_CRC ? 4 : 2;
    // '*', the check digits, "\r\n" and the terminator.
    if (!packet || !length || *length > capacity || capacity - *length < digits + 4)
        return E_BUFFER_TOO_SMALL;

    char* end = (char*)packet + *length;
    const char* covered = (const char*)packet + 1;
    size_t coveredLength = *length > 0 ? *length - 1 : 0;
    *end++ = '*';
    if (errorDetectionMode == AQERRORDETECTIONMODE_CHECKSUM)
        AqUtil_toHexStrFromUint8(AqChecksum8_compute(covered, coveredLength), end);
    else if (errorDetectionMode == AQERRORDETECTIONMODE_CRC)
        AqUtil_toHexStrFromUint16(AqCrc16_compute(covered, coveredLength), end);
    else
        end[0] = end[1] = 'X';
    end += digits;
    *end++ = '\r';
    *end++ = '\n';
    *end = '\0';
    *length += digits + 3;
    return E_NONE;
}

AqError AqUartPacket_genWrite(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                              uint16_t registerId, size_t* cmdSize, const char* format, ...)
{
    if (!isKnownMode(errorDetectionMode))
        return E_NOT_SUPPORTED;

    CmdWriter w = writerOn(buffer, bufferSize);
    put(w, "$AQWRG,%u", (unsigned)registerId);
    va_list ap;
    va_start(ap, format);
    for (const char* f = format ? format : ""; *f; ++f)
    {
        if (*f == 'S')
        {
            const char* text = va_arg(ap, const char*);
            text = text ? text : "";
            w.invalid = w.invalid || !isSafeText(text);
            put(w, ",%s", text);
            continue;
        }
        if (*f != 'U' && *f != 'F')
            continue;
        char kind = *f;
        char width = *++f;
        if (kind == 'U' && (width == '1' || width == '2'))
            put(w, ",%d", va_arg(ap, int));
        else if (kind == 'U' && width == '4')
            put(w, ",%u", va_arg(ap, unsigned)); // a 32-bit register value, never negative
        else if (kind == 'F' && (width == '4' || width == '8'))
            put(w, ",%f", va_arg(ap, double));
        if (width == '\0')
            break; // a kind letter at the very end of the format
    }
    va_end(ap);
    return finish(w, errorDetectionMode, cmdSize);
}

// ---------------------------------------------------------------- read generators

// The readable registers of the catalogue: name and number.
#define AQ_READABLE_REGISTERS(X)                                                                                       \
    X(UserTag, 0)                                                                                                      \
    X(ModelNumber, 1)                                                                                                  \
    X(HardwareRevision, 2)                                                                                             \
    X(SerialNumber, 3)                                                                                                 \
    X(FirmwareVersion, 4)                                                                                              \
    X(SerialBaudRate, 5)                                                                                               \
    X(AsyncDataOutputType, 6)                                                                                          \
    X(AsyncDataOutputFrequency, 7)                                                                                     \
    X(YawPitchRoll, 8)                                                                                                 \
    X(AttitudeQuaternion, 9)                                                                                           \
    X(QuaternionMagneticAccelerationAndAngularRates, 15)                                                               \
    X(MagneticMeasurements, 17)                                                                                        \
    X(AccelerationMeasurements, 18)                                                                                    \
    X(AngularRateMeasurements, 19)                                                                                     \
    X(MagneticAccelerationAndAngularRates, 20)                                                                         \
    X(MagneticAndGravityReferenceVectors, 21)                                                                          \
    X(MagnetometerCompensation, 23)                                                                                    \
    X(AccelerationCompensation, 25)                                                                                    \
    X(ReferenceFrameRotation, 26)                                                                                      \
    X(YawPitchRollMagneticAccelerationAndAngularRates, 27)                                                             \
    X(CommunicationProtocolControl, 30)                                                                                \
    X(SynchronizationControl, 32)                                                                                      \
    X(SynchronizationStatus, 33)                                                                                       \
    X(AfeBasicControl, 35)                                                                                             \
    X(AfeMagnetometerBasicTuning, 36)                                                                                  \
    X(AfeAccelerometerBasicTuning, 38)                                                                                 \
    X(MagnetometerCalibrationControl, 44)                                                                              \
    X(CalculatedMagnetometerCalibration, 47)                                                                           \
    X(VelocityCompensationMeasurement, 50)                                                                             \
    X(VelocityCompensationControl, 51)                                                                                 \
    X(ImuMeasurements, 54)                                                                                             \
    X(GpsConfiguration, 55)                                                                                            \
    X(GpsAntennaOffset, 57)                                                                                            \
    X(GpsSolutionLla, 58)                                                                                              \
    X(GpsSolutionEcef, 59)                                                                                             \
    X(InsSolutionLla, 63)                                                                                              \
    X(InsSolutionEcef, 64)                                                                                             \
    X(InsBasicConfiguration, 67)                                                                                       \
    X(InsStateLla, 72)                                                                                                 \
    X(InsStateEcef, 73)                                                                                                \
    X(StartupFilterBiasEstimate, 74)                                                                                   \
    X(BinaryOutput1, 75)                                                                                               \
    X(BinaryOutput2, 76)                                                                                               \
    X(BinaryOutput3, 77)                                                                                               \
    X(DeltaThetaAndDeltaVelocity, 80)                                                                                  \
    X(DeltaThetaAndDeltaVelocityConfiguration, 82)                                                                     \
    X(ReferenceVectorConfiguration, 83)                                                                                \
    X(GyroCompensation, 84)                                                                                            \
    X(ImuFilteringConfiguration, 85)                                                                                   \
    X(GpsCompassBaseline, 93)                                                                                          \
    X(GpsCompassEstimatedBaseline, 97)                                                                                 \
    X(YawPitchRollTrueBodyAccelerationAndAngularRates, 239)                                                            \
    X(YawPitchRollTrueInertialAccelerationAndAngularRates, 240)

#define AQ_DEFINE_READ_GENERATOR(name, id)                                                                             \
    AqError AqUartPacket_genRead##name(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,      \
                                       size_t* cmdSize)                                                                \
    {                                                                                                                  \
        return genReadRegister(buffer, bufferSize, errorDetectionMode, cmdSize, id);                                   \
    }
AQ_READABLE_REGISTERS(AQ_DEFINE_READ_GENERATOR)
#undef AQ_DEFINE_READ_GENERATOR

// ---------------------------------------------------------------- register-less commands

// The register-less commands without arguments: name and text.
#define AQ_PLAIN_COMMANDS(X)                                                                                           \
    X(WriteSettings, "$AQWNV")                                                                                         \
    X(RestoreFactorySettings, "$AQRFS")                                                                                \
    X(Reset, "$AQRST")                                                                                                 \
    X(Tare, "$AQTAR")                                                                                                  \
    X(SetGyroBias, "$AQSGB")

#define AQ_DEFINE_PLAIN_COMMAND(name, text)                                                                            \
    AqError AqUartPacket_genCmd##name(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,       \
                                      size_t* cmdSize)                                                                 \
    {                                                                                                                  \
        return genText(buffer, bufferSize, errorDetectionMode, cmdSize, text);                                         \
    }
AQ_PLAIN_COMMANDS(AQ_DEFINE_PLAIN_COMMAND)
#undef AQ_DEFINE_PLAIN_COMMAND

AqError AqUartPacket_genCmdKnownMagneticDisturbance(char* buffer, size_t bufferSize,
                                                    AqErrorDetectionMode errorDetectionMode, int8_t disturbancePresent,
                                                    size_t* cmdSize)
{
    return genDisturbance(buffer, bufferSize, errorDetectionMode, cmdSize, "KMD", disturbancePresent);
}

AqError AqUartPacket_genCmdKnownAccelerationDisturbance(char* buffer, size_t bufferSize,
                                                        AqErrorDetectionMode errorDetectionMode,
                                                        int8_t disturbancePresent, size_t* cmdSize)
{
    return genDisturbance(buffer, bufferSize, errorDetectionMode, cmdSize, "KAD", disturbancePresent);
}

// ---------------------------------------------------------------- binary output registers

AqError AqUartPacket_genWriteBinaryOutput(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                          size_t* cmdSize, uint8_t binaryOutputNumber, uint16_t asyncMode,
                                          uint16_t rateDivisor, uint16_t commonField, uint16_t timeField,
                                          uint16_t imuField, uint16_t gpsField, uint16_t attitudeField,
                                          uint16_t insField, uint16_t gps2Field)
{
    if (binaryOutputNumber < 1 || binaryOutputNumber > 3)
        return E_INVALID_VALUE;

    // Group fields in the order of the groups byte's bits 0-6.
    const uint16_t fields[7] = {commonField, timeField, imuField, gpsField, attitudeField, insField, gps2Field};
    unsigned groups = 0;
    for (unsigned bit = 0; bit < 7; ++bit)
        if (fields[bit] != 0)
            groups |= 1u << bit;

    CmdWriter w = writerOn(buffer, bufferSize);
    put(w, "$AQWRG,%u,%u,%u,%X", 74u + binaryOutputNumber, (unsigned)asyncMode, (unsigned)rateDivisor, groups);
    for (unsigned bit = 0; bit < 7; ++bit)
        if (fields[bit] != 0)
            put(w, ",%X", (unsigned)fields[bit]);
    return finish(w, errorDetectionMode, cmdSize);
}

#define AQ_DEFINE_BINARY_OUTPUT_WRITE(n)                                                                               \
    AqError AqUartPacket_genWriteBinaryOutput##n(                                                                      \
        char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,                     \
        uint16_t asyncMode, uint16_t rateDivisor, uint16_t commonField, uint16_t timeField, uint16_t imuField,         \
        uint16_t gpsField, uint16_t attitudeField, uint16_t insField, uint16_t gps2Field)                              \
    {                                                                                                                  \
        return AqUartPacket_genWriteBinaryOutput(buffer, bufferSize, errorDetectionMode, cmdSize, n, asyncMode,       \
                                                 rateDivisor, commonField, timeField, imuField, gpsField,              \
                                                 attitudeField, insField, gps2Field);                                  \
    }
AQ_DEFINE_BINARY_OUTPUT_WRITE(1)
AQ_DEFINE_BINARY_OUTPUT_WRITE(2)
AQ_DEFINE_BINARY_OUTPUT_WRITE(3)
#undef AQ_DEFINE_BINARY_OUTPUT_WRITE
