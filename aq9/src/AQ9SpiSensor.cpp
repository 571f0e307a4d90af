#include "AQ9SpiSensor.h"

#include <linux/spi/spidev.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "PlatformCalls.h"
#include "Syslog.h"
#include "aq/error_detection.h"
#include "aq/protocol/spi.h"

namespace {

const size_t kBufSize = 256;
// Header (4) plus CRC (2): the shortest frame that can be checked.
const size_t kMinFrame = 6;
const size_t kHeaderSize = 4;
const unsigned kTransferHz = 5000000;
const unsigned kInterTransactionUs = 1000;
// The sensor's own error numbers are 1..13, reported as 1001..1013.
const unsigned kLastSensorError = 13;

const char kCmdRead = 1;
const char kCmdWrite = 2;
const char kCmdWriteSettings = 3;
const char kCmdReset = 6;
const char kCmdKnownMagDisturbance = 8;
const char kCmdBinaryPoll = 0x12;

// Binary output set-up: the attitude record (common group: yaw/pitch/roll,
// angular rate, acceleration, magnetic field, temperature, pressure; attitude
// group: yaw/pitch/roll uncertainty) and the raw record (IMU group:
// uncompensated magnetic field, acceleration, angular rate, temperature and
// pressure, which is what the 50-byte poll payload carries).
const uint16_t kAsyncMode = 0;
const uint16_t kRateDivisor = 800;
const uint8_t kReg1Group = 0x11;
const uint16_t kReg1CommonFields = 0x1528;
const uint16_t kReg1AttitudeFields = 0x0100;
const uint8_t kReg2Group = 4;
const uint16_t kReg2ImuFields = 0x003E;

// Values enableCrcChecksums writes to register 30, in catalogue order.
const uint8_t kCrcProtocol[7] = {0, 0, 0, 0, 2, 2, 1};
const char* const kCrcProtocolMsgs[7] = {
    "AQ9SpiSensor - failed to set serialCount",    "AQ9SpiSensor - failed to set serialStatus",
    "AQ9SpiSensor - failed to set spiCount",       "AQ9SpiSensor - failed to set spiStatus",
    "AQ9SpiSensor - failed to set serialChecksum", "AQ9SpiSensor - failed to set spiChecksum",
    "AQ9SpiSensor - failed to set errorMode"};

void log(const char* msg)
{
    Syslog::write("%s", msg);
}

// A parser's result: logged with msg when it failed.
AqError checked(AqError parsed, const char* msg)
{
    if (parsed != E_NONE)
    {
        log(msg);
    }
    return parsed;
}

void putUint16(char* p, uint16_t v)
{
    v = htos16(v);
    memcpy(p, &v, 2);
}

}  // namespace

AQ9SpiSensor::AQ9SpiSensor(AQ9SpiParams* s)
    : _responseSize(0),
      _requestSize(0),
      _payloadSize(0),
      _cmdId(0),
      _arg1(0),
      _fd(0),
      _payloadPtr(nullptr),
      _binReg1PayloadSize(78),
      _binReg2PayloadSize(50),
      _deviceOpen(false)
{
    spiParams = s;
}

AQ9SpiSensor::~AQ9SpiSensor()
{
    closeDevice();
}

void AQ9SpiSensor::closeDevice()
{
    // Only a descriptor this link opened is its to close.
    if (!_deviceOpen)
    {
        return;
    }
    if (close(_fd) == -1)
    {
        Syslog::write("AQ9SpiSensor - can't close %s (descriptor %d)", spiParams->fdName, _fd);
    }
    _deviceOpen = false;
    _fd = -1;
}

// ---------------------------------------------------------------------------
// Bus access

int AQ9SpiSensor::transfer(const char* dataOut, size_t size, char* dataIn)
{
    struct spi_ioc_transfer tr;
    memset(&tr, 0, sizeof tr);
    tr.tx_buf = reinterpret_cast<uintptr_t>(dataOut);
    tr.rx_buf = reinterpret_cast<uintptr_t>(dataIn);
    tr.len = static_cast<uint32_t>(size);
    tr.speed_hz = kTransferHz;
    tr.bits_per_word = 8;
    return ioctl(_fd, SPI_IOC_MESSAGE(1), &tr);
}

bool AQ9SpiSensor::spiWriteRead(const char* dataOut, size_t sizeDataOut, char* dataIn)
{
    if (transfer(dataOut, sizeDataOut, dataIn) < 1)
    {
        log("AQ9SpiSensor - can't write message");
        return false;
    }
    return true;
}

bool AQ9SpiSensor::spiDoubleWR(const char* dataOut, size_t sizeDataOut, char* dataIn)
{
    // Nothing of an earlier exchange may pass for this one's response.
    memset(dataIn, 0, sizeDataOut);
    bool ok = spiWriteRead(dataOut, sizeDataOut, dataIn);
    usleep(kInterTransactionUs);
    ok = spiWriteRead(dataOut, sizeDataOut, dataIn) && ok;
    return ok;
}

bool AQ9SpiSensor::spiRequestOneTwo(const char* outBuf, char* inBuf, size_t req1Size, size_t req2Size)
{
    // Nothing of an earlier exchange may pass for this one's response.
    memset(inBuf, 0, req1Size > req2Size ? req1Size : req2Size);
    bool ok = true;
    if (transfer(outBuf, req1Size, inBuf) < 1)
    {
        log("AQ9SpiSensor - RequestOneTwo failed first transaction");
        ok = false;
    }
    usleep(kInterTransactionUs);
    if (transfer(outBuf, req2Size, inBuf) < 1)
    {
        log("AQ9SpiSensor - RequestOneTwo failed second transaction");
        ok = false;
    }
    return ok;
}

AqError AQ9SpiSensor::payloadFromRxBuf(const char* buf, size_t respSize, char& cmdId, char& arg1,
                                       const char*& payloadPtr, size_t& payloadSize)
{
    if (respSize < kMinFrame)
    {
        log("AQSpiSensor - response size too small for parsing, expecting >= 6 bytes (Headder+CRC = 6)");
        return E_BUFFER_TOO_SMALL;
    }
    if (AqCrc16_compute(buf, respSize) != 0)
    {
        log("AQ9SpiSensor - bad CRC on RX");
        return E_SENSOR_INVALID_CHECKSUM;
    }
    if (buf[0] != 0)
    {
        log("AQ9SpiSensor - rxBuffer[0] != 0 ");
        return E_UNKNOWN;
    }
    cmdId = buf[1];
    arg1 = buf[2];
    // The error byte is an unsigned number: 0x80 and above are failures like
    // any other, never codes below 1000. A number beyond the sensor's own
    // 1..13 has no text, so its value goes into the log line.
    const unsigned errorByte = static_cast<unsigned char>(buf[3]);
    if (errorByte != 0)
    {
        AqError e = static_cast<AqError>(1000 + errorByte);
        char text[AQ_ERROR_TEXT_SIZE];
        strFromAqError(text, e);
        if (errorByte <= kLastSensorError)
        {
            Syslog::write("AQ9SpiSensor - sensor error: %s", text);
        }
        else
        {
            Syslog::write("AQ9SpiSensor - sensor error: %s (error byte %u)", text, errorByte);
        }
        return e;
    }
    payloadPtr = buf + kHeaderSize;
    payloadSize = respSize - kMinFrame;
    return E_NONE;
}

// ---------------------------------------------------------------------------
// Interface bring-up

DeviceIF::Status AQ9SpiSensor::initIface()
{
    struct Step
    {
        unsigned long request;
        int* value;
        const char* failure;
    };
    AQ9SpiParams* p = spiParams;
    const Step steps[] = {
        {SPI_IOC_WR_BITS_PER_WORD, &p->writeBitsPerWord, "AQ9SpiSensor - can't set write bits per word"},
        {SPI_IOC_RD_BITS_PER_WORD, &p->readBitsPerWord, "AQ9SpiSensor - can't set read bits per word"},
        {SPI_IOC_WR_MAX_SPEED_HZ, &p->writeSpeed, "AQ9SpiSensor - can't set write speed"},
        {SPI_IOC_RD_MAX_SPEED_HZ, &p->readSpeed, "AQ9SpiSensor - can't set read speed"},
        {SPI_IOC_WR_MODE, &p->mode, "AQ9SpiSensor - can't set WR mode"},
        {SPI_IOC_RD_MODE, &p->mode, "AQ9SpiSensor - can't set RD mode"},
    };
    // A re-initialisation opens the device afresh: the earlier descriptor goes first.
    closeDevice();
    // A failed open shows as the first ioctl failing on the bad descriptor.
    _fd = open(p->fdName, O_RDWR);
    _deviceOpen = _fd >= 0;
    for (const Step& s : steps)
    {
        if (ioctl(_fd, s.request, s.value) == -1)
        {
            log(s.failure);
            return DeviceIF::Error;
        }
    }
    return DeviceIF::Ok;
}

DeviceIF::Status AQ9SpiSensor::finalizeIface()
{
    return DeviceIF::Ok;
}

const char* AQ9SpiSensor::interfaceStr()
{
    return spiParams->string();
}

// ---------------------------------------------------------------------------
// Register exchange

void AQ9SpiSensor::beginRequest()
{
    txBufSize = kBufSize;
    _requestSize = 0;
    _responseSize = 0;
    // The CRC covers the whole request length: no stale bytes may sit in it.
    memset(_txBuf, 0, sizeof _txBuf);
}

AqError AQ9SpiSensor::exchange(char expectedCmd, uint8_t expectedReg, const char* cmdMsg, const char* regMsg)
{
    appendCrcToBuf(_txBuf, &_responseSize, kBufSize);
    _requestSize = _responseSize;
    if (!spiRequestOneTwo(_txBuf, _rxBuf, _requestSize, _responseSize))
    {
        return E_UNKNOWN;
    }
    AqError err = payloadFromRxBuf(_rxBuf, _responseSize, _cmdId, _arg1, _payloadPtr, _payloadSize);
    if (err != E_NONE)
    {
        return err;
    }
    if (_cmdId != expectedCmd)
    {
        log(cmdMsg);
        return E_UNKNOWN;
    }
    if (static_cast<uint8_t>(_arg1) != expectedReg)
    {
        log(regMsg);
        return E_UNKNOWN;
    }
    return E_NONE;
}

void AQ9SpiSensor::terminateAtCrc()
{
    // The text may only come from the checked frame: end it where the CRC
    // starts, so neither the CRC nor older bytes of the buffer become text.
    _rxBuf[_responseSize - 2] = '\0';
}

AqError AQ9SpiSensor::getMagGravRefVectors()
{
    beginRequest();
    AqSpi_genReadMagneticAndGravityReferenceVectors(_txBuf, &txBufSize, 0, &_requestSize);
    _responseSize = _requestSize;
    AqError err = exchange(kCmdRead, 21, "AQ9SpiSensor - sensor didn't respond with cmd ID 1 (gravity reference vec.",
                           "AQ9SpiSensor - sensor didn't respond with register ID 21 (gravity reference vec.)");
    if (err != E_NONE)
    {
        return err;
    }
    return checked(AqSpi_parseMagneticAndGravityReferenceVectors(_rxBuf, &_magRefVector, &_gravRefVector),
                   "AQ9SpiSensor - Error parsing MagneticAndGravityReferenceVectors");
}

AqError AQ9SpiSensor::sendHSISettings(uint8_t HSIMode, uint8_t HSIOutput, uint8_t HSIConvergeRate)
{
    beginRequest();
    AqSpi_genWriteMagnetometerCalibrationControl(_txBuf, &txBufSize, 0, &_responseSize, HSIMode, HSIOutput,
                                                 HSIConvergeRate);
    AqError err = exchange(
        kCmdWrite, 44, "AQ9SpiSensor - sensor didn't respond with cmd ID 2 from WriteMagnetometerCalibrationControl",
        "AQ9SpiSensor - sensor didn't respond with register ID 44 from magnetometerCalibrationControl");
    if (err != E_NONE)
    {
        return err;
    }
    return checked(AqSpi_parseMagnetometerCalibrationControl(_rxBuf, &_settings.HSIMode, &_settings.HSIOutput,
                                                             &_settings.HSIConvergeRate),
                   "AQ9SpiSensor - Error parsing MagnetometerCalibrationControl");
}

AqError AQ9SpiSensor::sendCompensation(CompensationWriter gen, CompensationParser parse, uint8_t reg,
                                       const char* const msgs[3], v9d& c, v3d& b)
{
    beginRequest();
    gen(_txBuf, &txBufSize, 0, &_responseSize, v9dToMat3f(c), v3dToVec3f(b));
    AqError err = exchange(kCmdWrite, reg, msgs[0], msgs[1]);
    if (err != E_NONE)
    {
        return err;
    }
    mat3f m;
    vec3f v;
    err = checked(parse(_rxBuf, &m, &v), msgs[2]);
    if (err == E_NONE)
    {
        c = mat3fToV9d(m);
        b = vec3fToV3d(v);
    }
    return err;
}

AqError AQ9SpiSensor::sendMagCompensation()
{
    const char* const msgs[3] = {"AQ9SpiSensor - sensor didn't respond with cmd ID 2 from sendMagCompensation",
                                 "AQ9SpiSensor - sensor didn't respond with register ID 23 from sendMagCompensation",
                                 "AQ9SpiSensor - Error parsing sendMagCompensation"};
    return sendCompensation(AqSpi_genWriteMagnetometerCompensation, AqSpi_parseMagnetometerCompensation, 23, msgs,
                            _settings.MagCompC, _settings.MagCompB);
}

AqError AQ9SpiSensor::sendAccelCompensation()
{
    const char* const msgs[3] = {"AQ9SpiSensor - sensor didn't respond with cmd ID 2 from sendAccelCompensation",
                                 "AQ9SpiSensor - sensor didn't respond with register ID 25 from sendAccelCompensation",
                                 "AQ9SpiSensor - Error parsing sendAccelCompensation"};
    return sendCompensation(AqSpi_genWriteAccelerationCompensation, AqSpi_parseAccelerationCompensation, 25, msgs,
                            _settings.AccelCompC, _settings.AccelCompB);
}

AqError AQ9SpiSensor::sendGyroCompensation()
{
    const char* const msgs[3] = {"AQ9SpiSensor - sensor didn't respond with cmd ID 2 from sendGyroCompensation",
                                 "AQ9SpiSensor - sensor didn't respond with register ID 84 from sendGyroCompensation",
                                 "AQ9SpiSensor - Error parsing sendGyroCompensation"};
    return sendCompensation(AqSpi_genWriteGyroCompensation, AqSpi_parseGyroCompensation, 84, msgs,
                            _settings.GyroCompC, _settings.GyroCompB);
}

AqError AQ9SpiSensor::sendInstrumentRotation()
{
    beginRequest();
    AqSpi_genWriteReferenceFrameRotation(_txBuf, &txBufSize, 0, &_responseSize, v9dToMat3f(_settings.Rot));
    AqError err = exchange(kCmdWrite, 26,
                           "AQ9SpiSensor - sensor didn't respond with cmd ID 2 from sendInstrumentRotation",
                           "AQ9SpiSensor - sensor didn't respond with register ID 26 from sendInstrumentRotation");
    if (err != E_NONE)
    {
        return err;
    }
    mat3f c;
    err = checked(AqSpi_parseReferenceFrameRotation(_rxBuf, &c), "AQ9SpiSensor - Error parsing sendInstrumentRotation");
    if (err == E_NONE)
    {
        _settings.Rot = mat3fToV9d(c);
    }
    return err;
}

namespace {

// A tuning setting's nine values as the register's three vectors and back.
void splitTuning(const v9d& t, vec3f v[3])
{
    for (int i = 0; i < 9; i++)
    {
        v[i / 3].c[i % 3] = static_cast<float>(t.c[i]);
    }
}

void joinTuning(const vec3f v[3], v9d& t)
{
    for (int i = 0; i < 9; i++)
    {
        t.c[i] = v[i / 3].c[i % 3];
    }
}

}  // namespace

AqError AQ9SpiSensor::sendTuning(TuningWriter gen, TuningParser parse, uint8_t reg, const char* const msgs[3],
                                  v9d& tuning)
{
    beginRequest();
    vec3f v[3];
    splitTuning(tuning, v);
    gen(_txBuf, &txBufSize, 0, &_responseSize, v[0], v[1], v[2]);
    AqError err = exchange(kCmdWrite, reg, msgs[0], msgs[1]);
    if (err != E_NONE)
    {
        return err;
    }
    // What the parser gave is written back before its result is looked at.
    err = parse(_rxBuf, &v[0], &v[1], &v[2]);
    joinTuning(v, tuning);
    return checked(err, msgs[2]);
}

AqError AQ9SpiSensor::sendAFEGyroTuningParameters()
{
    const char* const msgs[3] = {
        "AQ9SpiSensor - sensor didn't respond with cmd ID 2 from sendAFEGyroTuningParameters",
        "AQ9SpiSensor - sensor didn't respond with register ID 40 from sendAFEGyroTuningParameters",
        "AQ9SpiSensor - Error parsing AfeGyroBasicTuning"};
    return sendTuning(AqSpi_genWriteAfeGyroBasicTuning, AqSpi_parseAfeGyroBasicTuning, 40, msgs,
                      _settings.AFEGyroTuning);
}

AqError AQ9SpiSensor::sendAFEAccelTuningParameters()
{
    const char* const msgs[3] = {
        "AQ9SpiSensor - sensor didn't respond with cmd ID 2 from sendAFEAccelTuningParameters",
        "AQ9SpiSensor - sensor didn't respond with register ID 38 from sendAFEAccelTuningParameters",
        "AQ9SpiSensor - Error parsing AfeAccelerometerBasicTuning"};
    return sendTuning(AqSpi_genWriteAfeAccelerometerBasicTuning, AqSpi_parseAfeAccelerometerBasicTuning, 38, msgs,
                      _settings.AFEAccelTuning);
}

AqError AQ9SpiSensor::sendAFEMagTuningParameters()
{
    const char* const msgs[3] = {
        "AQ9SpiSensor - sensor didn't respond with cmd ID 2 from sendAFEMagTuningParameters",
        "AQ9SpiSensor - sensor didn't respond with register ID 36 from sendAFEMagTuningParameters",
        "AQ9SpiSensor - Error parsing AfeMagnetometerBasicTuning"};
    return sendTuning(AqSpi_genWriteAfeMagnetometerBasicTuning, AqSpi_parseAfeMagnetometerBasicTuning, 36, msgs,
                      _settings.AFEMagTuning);
}

AqError AQ9SpiSensor::sendFilterStartupBiasParameters()
{
    beginRequest();
    AqSpi_genWriteStartupFilterBiasEstimate(_txBuf, &txBufSize, 0, &_responseSize,
                                            v3dToVec3f(_settings.GyroStartupBias),
                                            v3dToVec3f(_settings.AccelStartupBias), 0.0f);
    AqError err = exchange(
        kCmdWrite, 74, "AQ9SpiSensor - sensor didn't respond with cmd ID 2 from sendFilterStartupBiasParameters",
        "AQ9SpiSensor - sensor didn't respond with register ID 74 from sendFilterStartupBiasParameters");
    if (err != E_NONE)
    {
        return err;
    }
    vec3f gyroBias;
    vec3f accelBias;
    float pressureBias;
    err = checked(AqSpi_parseStartupFilterBiasEstimate(_rxBuf, &gyroBias, &accelBias, &pressureBias),
                  "AQ9SpiSensor - Error parsing parseStartupFilterBiasEstimate");
    if (err == E_NONE)
    {
        _settings.GyroStartupBias = vec3fToV3d(gyroBias);
        _settings.AccelStartupBias = vec3fToV3d(accelBias);
    }
    return err;
}

AqError AQ9SpiSensor::sendAFEBasicControlParameters()
{
    beginRequest();
    AqSpi_genWriteAfeBasicControl(_txBuf, &txBufSize, 0, &_responseSize, _settings.AFEBasic_Enable,
                                  _settings.AFEBasic_HeadingMode, _settings.AFEBasic_FilteringMode,
                                  _settings.AFEBasic_TuningMode);
    AqError err = exchange(
        kCmdWrite, 35, "AQ9SpiSensor - sensor didn't respond with cmd ID 2 from sendAFEBasicControlParameters",
        "AQ9SpiSensor - sensor didn't respond with register ID 35 from sendAFEBasicControlParameters");
    if (err != E_NONE)
    {
        return err;
    }
    return checked(AqSpi_parseAfeBasicControl(_rxBuf, &_settings.AFEBasic_Enable, &_settings.AFEBasic_HeadingMode,
                                              &_settings.AFEBasic_FilteringMode, &_settings.AFEBasic_TuningMode),
                   "AQ9SpiSensor - Error parsing AfeBasicControl");
}

AqError AQ9SpiSensor::getModelNumber()
{
    beginRequest();
    AqSpi_genReadModelNumber(_txBuf, &txBufSize, 0, &_responseSize);
    AqError err = exchange(kCmdRead, 1, "AQ9SpiSensor - sensor didn't respond with cmd ID 1 from getModelNumber",
                           "AQ9SpiSensor - sensor didn't respond with register ID 1 from getModelNumber");
    if (err != E_NONE)
    {
        return err;
    }
    terminateAtCrc();
    return checked(AqSpi_parseModelNumber(_rxBuf, _modelNumber, sizeof _modelNumber),
                   "AQ9SpiSensor - Error parsing ModelNumber");
}

AqError AQ9SpiSensor::getHardwareRevisionNumber()
{
    beginRequest();
    AqSpi_genReadHardwareRevision(_txBuf, &txBufSize, 0, &_responseSize);
    AqError err =
        exchange(kCmdRead, 2, "AQ9SpiSensor - sensor didn't respond with cmd ID 1 from getHardwareRevisionNumber",
                 "AQ9SpiSensor - sensor didn't respond with register ID 2 from getHardwareRevisionNumber");
    if (err != E_NONE)
    {
        return err;
    }
    return checked(AqSpi_parseHardwareRevision(_rxBuf, &_hwRevision), "AQ9SpiSensor - Error parsing HardwareRevision");
}

AqError AQ9SpiSensor::getSerialNumber()
{
    beginRequest();
    AqSpi_genReadSerialNumber(_txBuf, &txBufSize, 0, &_responseSize);
    AqError err = exchange(kCmdRead, 3, "AQ9SpiSensor - sensor didn't respond with cmd ID 1 from getSerialNumber",
                           "AQ9SpiSensor - sensor didn't respond with register ID 3 from getSerialNumber");
    if (err != E_NONE)
    {
        return err;
    }
    return checked(AqSpi_parseSerialNumber(_rxBuf, &_serialNumber), "AQ9SpiSensor - Error parsing SerialNumber");
}

AqError AQ9SpiSensor::getFirmwareVersion()
{
    beginRequest();
    AqSpi_genReadFirmwareVersion(_txBuf, &txBufSize, 0, &_responseSize);
    AqError err = exchange(kCmdRead, 4, "AQ9SpiSensor - sensor didn't respond with cmd ID 1 from getFirmwareVersion",
                           "AQ9SpiSensor - sensor didn't respond with register ID 4 from getFirmwareVersion");
    if (err != E_NONE)
    {
        return err;
    }
    terminateAtCrc();
    return checked(AqSpi_parseFirmwareVersion(_rxBuf, _firmwareVersion, sizeof _firmwareVersion),
                   "AQ9SpiSensor - Error parsing FirmwareVersion");
}

AqError AQ9SpiSensor::getCalculatedHSICalibration()
{
    beginRequest();
    AqSpi_genReadCalculatedMagnetometerCalibration(_txBuf, &txBufSize, 0, &_responseSize);
    AqError err = exchange(kCmdRead, 47, "AQ9SpiSensor - sensor didn't respond with cmd ID 1 from getOnboardHSICal",
                           "AQ9SpiSensor - sensor didn't respond with register ID 47 from getOnboardHSICal");
    if (err != E_NONE)
    {
        return err;
    }
    return checked(AqSpi_parseCalculatedMagnetometerCalibration(_rxBuf, &_onboardHSIMatrix, &_onboardHSIOffset),
                   "AQ9SpiSensor - Error parsing CalculatedMagnetometerCalibration");
}

AqError AQ9SpiSensor::getUserHSICalibration()
{
    // What the sensor applies now, which may be its stored calibration rather
    // than the settings': a calibration run composes its result with this.
    beginRequest();
    AqSpi_genReadMagnetometerCompensation(_txBuf, &txBufSize, 0, &_responseSize);
    AqError err =
        exchange(kCmdRead, 23, "AQ9SpiSensor - sensor didn't respond with cmd ID 1 from getUserHSICalibration",
                 "AQ9SpiSensor - sensor didn't respond with register ID 23 from getUserHSICalibration");
    if (err != E_NONE)
    {
        return err;
    }
    mat3f c;
    vec3f b;
    err = checked(AqSpi_parseMagnetometerCompensation(_rxBuf, &c, &b),
                  "AQ9SpiSensor - Error parsing MagnetometerCompensation");
    if (err == E_NONE)
    {
        _settings.MagCompC = mat3fToV9d(c);
        _settings.MagCompB = vec3fToV3d(b);
    }
    return err;
}

AqError AQ9SpiSensor::getInstrumentRotationMatrix()
{
    beginRequest();
    AqSpi_genReadReferenceFrameRotation(_txBuf, &txBufSize, 0, &_responseSize);
    AqError err =
        exchange(kCmdRead, 26, "AQ9SpiSensor - sensor didn't respond with cmd ID 1 from getInstrumentRotationMatrix",
                 "AQ9SpiSensor - sensor didn't respond with register ID 26 from getInstrumentRotationMatrix");
    if (err != E_NONE)
    {
        return err;
    }
    mat3f c;
    err = checked(AqSpi_parseReferenceFrameRotation(_rxBuf, &c),
                  "AQ9SpiSensor - Error parsing CalculatedMagnetometerCalibration");
    if (err == E_NONE)
    {
        _settings.Rot = mat3fToV9d(c);
    }
    return err;
}

AqError AQ9SpiSensor::configureReferenceVectors(float siteLat, float siteLong, bool useMagModel,
                                                bool useGravityModel, float decimalYear)
{
    beginRequest();
    vec3d position = {{siteLat, siteLong, 0.0}};
    AqSpi_genWriteReferenceVectorConfiguration(_txBuf, &txBufSize, 0, &_responseSize, useMagModel ? 1 : 0,
                                               useGravityModel ? 1 : 0, 0, 0, 100, decimalYear, position);
    return exchange(kCmdWrite, 83, "AQ9SpiSensor - sensor didn't respond with cmd ID 1 from configureReferenceVectors",
                    "AQ9SpiSensor - sensor didn't respond with register ID 83 from configureReferenceVectors");
}

AqError AQ9SpiSensor::writeSettingToEEPROM()
{
    beginRequest();
    // The header alone (4 bytes) plus the CRC, so the answer is a checkable frame.
    size_t length = txBufSize;
    AqSpi_genWriteSettings(_txBuf, &length, kHeaderSize, &_responseSize);
    _responseSize = length;
    return exchange(kCmdWriteSettings, 0,
                    "AQ9SpiSensor - sensor didn't respond with cmd ID 3 from writeSettingToEEPROM",
                    "AQ9SpiSensor - sensor didn't respond with register ID 0 from writeSettingToEEPROM");
}

AqError AQ9SpiSensor::resetDevice()
{
    beginRequest();
    size_t length = txBufSize;
    AqSpi_genReset(_txBuf, &length, kHeaderSize, &_responseSize);
    _responseSize = length;
    return exchange(kCmdReset, 0, "AQ9SpiSensor - sensor didn't respond with cmd ID 6 from resetDevice",
                    "AQ9SpiSensor - sensor didn't respond with register ID 0 from resetDevice");
}

// ---------------------------------------------------------------------------
// Set-up writes sent twice

AqError AQ9SpiSensor::exchangeTwice()
{
    appendCrcToBuf(_txBuf, &_responseSize, kBufSize);
    _requestSize = _responseSize;
    if (!spiDoubleWR(_txBuf, _responseSize, _rxBuf))
    {
        return E_UNKNOWN;
    }
    return payloadFromRxBuf(_rxBuf, _responseSize, _cmdId, _arg1, _payloadPtr, _payloadSize);
}

AqError AQ9SpiSensor::disableAsyncUartAsciiOutput()
{
    beginRequest();
    if (AqSpi_genWriteAsyncDataOutputType(_txBuf, &txBufSize, 0, &_responseSize, 0) != E_NONE)
    {
        log("AQ9SpiSensor - Error generating AsyncDataOutputType cmd");
    }
    AqError err = exchangeTwice();
    if (err != E_NONE)
    {
        return err;
    }
    // A silent bus reads as all zeros, which passes the frame check and reads
    // as "off": only the sensor's echo of this write confirms it.
    if (_cmdId != kCmdWrite || static_cast<uint8_t>(_arg1) != 6)
    {
        log("AQ9SpiSensor - Couldn't disable UART Async output");
        return E_UNKNOWN;
    }
    uint32_t ador = 0;
    err = checked(AqSpi_parseAsyncDataOutputType(_rxBuf, &ador), "AQ9SpiSensor - Error parsing AsyncDataOutputType");
    if (err != E_NONE)
    {
        return err;
    }
    if (ador != 0)
    {
        log("AQ9SpiSensor - Couldn't disable UART Async output");
        return E_UNKNOWN;
    }
    return E_NONE;
}

AqError AQ9SpiSensor::enableCrcChecksums()
{
    beginRequest();
    const uint8_t* s = kCrcProtocol;
    if (AqSpi_genWriteCommunicationProtocolControl(_txBuf, &txBufSize, 0, &_responseSize, s[0], s[1], s[2], s[3],
                                                   s[4], s[5], s[6]) != E_NONE)
    {
        log("AQ9SpiSensor - Error generating CommunicationProtocolControl cmd.");
    }
    AqError err = exchangeTwice();
    if (err != E_NONE)
    {
        return err;
    }
    uint8_t r[7];
    if (AqSpi_parseCommunicationProtocolControl(_rxBuf, &r[0], &r[1], &r[2], &r[3], &r[4], &r[5], &r[6]) != E_NONE)
    {
        log("AQ9SpiSensor - Error parsing CommunicationProtocolControl");
        return E_UNKNOWN;
    }
    for (int i = 0; i < 7; i++)
    {
        if (r[i] != s[i])
        {
            log(kCrcProtocolMsgs[i]);
            return E_UNKNOWN;
        }
    }
    return E_NONE;
}

// ---------------------------------------------------------------------------
// Binary outputs

AqError AQ9SpiSensor::genBinaryReg1Config(char* buf, size_t bufSize, size_t& requestSize, size_t& responseSize,
                                          uint16_t asyncMode, uint16_t divisor, uint8_t group,
                                          uint16_t commGroupFields, uint16_t attitudeGroupFields)
{
    if (bufSize < 15)
    {
        return E_BUFFER_TOO_SMALL;
    }
    buf[0] = kCmdWrite;
    buf[1] = 75;
    buf[2] = 0;
    buf[3] = 0;
    putUint16(buf + 4, asyncMode);
    putUint16(buf + 6, divisor);
    buf[8] = static_cast<char>(group);
    putUint16(buf + 9, commGroupFields);
    putUint16(buf + 11, attitudeGroupFields);
    requestSize = 13;
    responseSize = 15;
    return E_NONE;
}

AqError AQ9SpiSensor::genBinaryReg2Config(char* buf, size_t bufSize, size_t& requestSize, size_t& responseSize,
                                          uint16_t asyncMode, uint16_t divisor, uint8_t group,
                                          uint16_t imuGroupFields)
{
    if (bufSize < 13)
    {
        return E_BUFFER_TOO_SMALL;
    }
    buf[0] = kCmdWrite;
    buf[1] = 76;
    buf[2] = 0;
    buf[3] = 0;
    putUint16(buf + 4, asyncMode);
    putUint16(buf + 6, divisor);
    buf[8] = static_cast<char>(group);
    putUint16(buf + 9, imuGroupFields);
    requestSize = 11;
    responseSize = 13;
    return E_NONE;
}

AqError AQ9SpiSensor::setupBinaryOutput(uint8_t reg, size_t nGroupFields, const uint16_t* groupFields,
                                        const char* cmdMsg, const char* regMsg)
{
    appendCrcToBuf(_txBuf, &_requestSize, kBufSize);
    if (!spiRequestOneTwo(_txBuf, _rxBuf, _requestSize, _responseSize))
    {
        return E_UNKNOWN;
    }
    AqError err = payloadFromRxBuf(_rxBuf, _responseSize, _cmdId, _arg1, _payloadPtr, _payloadSize);
    if (err != E_NONE)
    {
        return err;
    }
    if (_cmdId != kCmdWrite)
    {
        log(cmdMsg);
        return E_UNKNOWN;
    }
    if (static_cast<uint8_t>(_arg1) != reg)
    {
        log(regMsg);
        return E_UNKNOWN;
    }
    // The echo: asyncMode, divisor, group byte, then the group field words.
    const char* p = _payloadPtr;
    if (AqUtil_extractUint16(p) != kAsyncMode)
    {
        log("AQ9SpiSensor - set binary reg1 async mode not properly set");
        return E_UNKNOWN;
    }
    p += 2;
    if (AqUtil_extractUint16(p) != kRateDivisor)
    {
        log("AQ9SpiSensor - set binary reg1 rate divisor not properly set");
        return E_UNKNOWN;
    }
    p += 2;
    if (static_cast<uint8_t>(*p) != (reg == 75 ? kReg1Group : kReg2Group))
    {
        log("AQ9SpiSensor - set binary reg1 group not properly set");
        return E_UNKNOWN;
    }
    p += 1;
    const char* const fieldMsgs[2] = {"AQ9SpiSensor - set binary reg1 common group fields not properly set",
                                      "AQ9SpiSensor - set binary reg1 attitude group fields not properly set"};
    for (size_t i = 0; i < nGroupFields; i++, p += 2)
    {
        if (AqUtil_extractUint16(p) != groupFields[i])
        {
            log(fieldMsgs[i]);
            return E_UNKNOWN;
        }
    }
    return E_NONE;
}

AqError AQ9SpiSensor::setupBinaryReg1DesiredOutputs()
{
    beginRequest();
    genBinaryReg1Config(_txBuf, kBufSize, _requestSize, _responseSize, kAsyncMode, kRateDivisor, kReg1Group,
                        kReg1CommonFields, kReg1AttitudeFields);
    const uint16_t fields[2] = {kReg1CommonFields, kReg1AttitudeFields};
    return setupBinaryOutput(75, 2, fields, "Aq9SpiSensor - set binary reg1 second response byte not 2",
                             "Aq9SpiSensor - set binary reg1 third response byte not 75");
}

AqError AQ9SpiSensor::setupBinaryReg2DesiredOutputs()
{
    beginRequest();
    genBinaryReg2Config(_txBuf, kBufSize, _requestSize, _responseSize, kAsyncMode, kRateDivisor, kReg2Group,
                        kReg2ImuFields);
    const uint16_t fields[1] = {kReg2ImuFields};
    return setupBinaryOutput(76, 1, fields, "Aq9SpiSensor - set binary reg2 second response byte not 2",
                             "Aq9SpiSensor - set binary reg2 third response byte not 75");
}

AqError AQ9SpiSensor::sendKnownMagDisturbanceCmd(Boolean disturbancePresent)
{
    beginRequest();
    _txBuf[0] = kCmdKnownMagDisturbance;
    _txBuf[1] = disturbancePresent != 0 ? 1 : 0;
    _requestSize = kHeaderSize;
    appendCrcToBuf(_txBuf, &_requestSize, kBufSize);
    _responseSize = kMinFrame;
    if (!spiRequestOneTwo(_txBuf, _rxBuf, _requestSize, _responseSize))
    {
        return E_UNKNOWN;
    }
    AqError err = payloadFromRxBuf(_rxBuf, _responseSize, _cmdId, _arg1, _payloadPtr, _payloadSize);
    if (err != E_NONE)
    {
        return err;
    }
    if (_cmdId != kCmdKnownMagDisturbance)
    {
        log("Aq9SpiSensor - sendKnownMagDistrubaceCmd reg1 response not 0x08");
        return E_UNKNOWN;
    }
    return E_NONE;
}

AqError AQ9SpiSensor::genBinaryRequest(uint8_t output, size_t payloadSize, char* buf, size_t bufSize,
                                       size_t& requestSize, size_t& responseSize)
{
    requestSize = kHeaderSize;
    responseSize = payloadSize + kHeaderSize;
    // The second transaction clocks the whole response out of this buffer.
    if (bufSize < responseSize)
    {
        return E_BUFFER_TOO_SMALL;
    }
    buf[0] = kCmdBinaryPoll;
    buf[1] = static_cast<char>(output);
    buf[2] = 0;
    buf[3] = 0;
    appendCrcToBuf(buf, &requestSize, bufSize);
    return E_NONE;
}

AqError AQ9SpiSensor::genBinaryReg1Request(char* buf, size_t bufSize, size_t& requestSize, size_t& responseSize)
{
    return genBinaryRequest(1, _binReg1PayloadSize, buf, bufSize, requestSize, responseSize);
}

AqError AQ9SpiSensor::genBinaryReg2Request(char* buf, size_t bufSize, size_t& requestSize, size_t& responseSize)
{
    return genBinaryRequest(2, _binReg2PayloadSize, buf, bufSize, requestSize, responseSize);
}

void AQ9SpiSensor::parseBinaryReg1Payload(const char* payloadPtr, vec3f& ypr, vec3f& angRate, vec3f& accel,
                                          vec3f& mag, float& temp, float& pres, uint16_t& afeStatus, vec3f& yprU)
{
    ypr = AqUtil_extractVec3f(payloadPtr);
    angRate = AqUtil_extractVec3f(payloadPtr + 12);
    accel = AqUtil_extractVec3f(payloadPtr + 24);
    mag = AqUtil_extractVec3f(payloadPtr + 36);
    temp = AqUtil_extractFloat(payloadPtr + 48);
    pres = AqUtil_extractFloat(payloadPtr + 52);
    afeStatus = AqUtil_extractUint16(payloadPtr + 56);
    yprU = AqUtil_extractVec3f(payloadPtr + 58);
}

void AQ9SpiSensor::parseBinaryReg2Payload(const char* payloadPtr, vec3f& uncompMag, vec3f& uncompAccel,
                                          vec3f& uncompGyro, float& temp, float& pres)
{
    uncompMag = AqUtil_extractVec3f(payloadPtr);
    uncompAccel = AqUtil_extractVec3f(payloadPtr + 12);
    uncompGyro = AqUtil_extractVec3f(payloadPtr + 24);
    temp = AqUtil_extractFloat(payloadPtr + 36);
    pres = AqUtil_extractFloat(payloadPtr + 40);
}

bool AQ9SpiSensor::pollAnswered(uint8_t output)
{
    if (payloadFromRxBuf(_rxBuf, _responseSize, _cmdId, _arg1, _payloadPtr, _payloadSize) != E_NONE)
    {
        return false;
    }
    // A silent bus reads as all zeros, which passes the CRC: only a frame that
    // echoes the poll carries a record.
    if (_cmdId != kCmdBinaryPoll || static_cast<uint8_t>(_arg1) != output)
    {
        Syslog::write("AQ9SpiSensor - poll of binary output %d answered with cmd %d register %d", output,
                      static_cast<uint8_t>(_cmdId), static_cast<uint8_t>(_arg1));
        return false;
    }
    return true;
}

ahrsData_SensorUnits AQ9SpiSensor::getAhrsData()
{
    memset(&_ahrsData, 0, sizeof _ahrsData);
    beginRequest();
    genBinaryReg1Request(_txBuf, kBufSize, _requestSize, _responseSize);
    // A failed transfer is no record, whatever the buffer holds.
    if (spiRequestOneTwo(_txBuf, _rxBuf, _requestSize, _responseSize) && pollAnswered(1))
    {
        ahrsData_SensorUnits& d = _ahrsData;
        parseBinaryReg1Payload(_payloadPtr, d.ypr_deg, d.gyro_rads, d.accel_ms2, d.mag_G, d.temp_C, d.pres_kPa,
                               d.afeStatus, d.yprU);
        clock_gettime(CLOCK_REALTIME, &d.sampleTime);
        d.dataGood = 1;
    }
    return _ahrsData;
}

rawMeasData_SensorUnits AQ9SpiSensor::getRawMeasData()
{
    memset(&_rawMeasData, 0, sizeof _rawMeasData);
    beginRequest();
    genBinaryReg2Request(_txBuf, kBufSize, _requestSize, _responseSize);
    if (spiRequestOneTwo(_txBuf, _rxBuf, _requestSize, _responseSize) && pollAnswered(2))
    {
        rawMeasData_SensorUnits& d = _rawMeasData;
        parseBinaryReg2Payload(_payloadPtr, d.mag_G, d.accel_ms2, d.gyro_rads, d.temp_C, d.pres_kpa);
        clock_gettime(CLOCK_REALTIME, &d.sampleTime);
        d.dataGood = 1;
    }
    return _rawMeasData;
}
