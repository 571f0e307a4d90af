// Lifecycle, port modes and the byte-level I/O of the UART link: command
// sends with retry, response reads into the packet finder, and the exact
// read sequence of one binary record.
#include "AQ9UartSensor.h"

#include <stdio.h>
#include <string.h>
#include <termios.h>

#include "PlatformCalls.h"
#include "Syslog.h"
#include "System.h"
#include "aq/protocol/upack_commands.h"

AQ9UartSensor* AQ9UartSensor::_pthis = nullptr;

namespace {

const int kBaud = 115200;
const uint8_t kSyncByte = 0xFA;
const size_t kHeaderBytes = 11;    // sync byte and the ten header bytes read after it
const size_t kLongestHeader = 16;  // sync, groups and seven group-field words
const int kMaxSyncReads = 512;     // a babbling sensor still ends the search
const int kMaxAsciiChars = 254;    // _rxBuf also takes the appended line feed and a zero
const unsigned kReadTimeout = 10;  // tenths of a second

}  // namespace

AQ9UartSensor::AQ9UartSensor(SerialDevice* device)
    : AQ9Sensor(), _requestSize(0), _serDevice(device), _awaited(), _sensorError(E_NONE)
{
    _pthis = this;
    _awaited.reg = -1;
    _serDevice->commsDebugMode(SerialDevice::DebugOff);
    initBools();
    // No handler yet, but processAsciiRecords may look for one before initIface.
    AqUartPacketFinder_initialize(&_up);
}

AQ9UartSensor::~AQ9UartSensor()
{
    // A newer link keeps the handler's target.
    if (_pthis == this)
        _pthis = nullptr;
}

void AQ9UartSensor::initBools()
{
    gIsCheckingForModelNumberResponse = false;
    gIsCheckingForAsyncOutputTypeResponse = false;
    gIsCheckingForBinaryRegister1Response = false;
    gIsCheckingForBinaryRegister2Response = false;
    gIsCheckingforCommProtoControlTypeResponse = false;
    gIsCheckingForReferenceVectorResponse = false;
    gIsCheckingForHSIResponse = false;
    gIsCheckingForMagCompResponse = false;
    gIsCheckingForAccelCompResponse = false;
    gIsCheckingForGyroCompResponse = false;
    gIsCheckingForRotationResponse = false;
    gIsCheckingForAFEGyroResponse = false;
    gIsCheckingForAFEAccelResponse = false;
    gIsCheckingForAFEMagResponse = false;
    gIsCheckingForStartupBiasResponse = false;
    gIsCheckingForAFEBasicControlResponse = false;
    gIsCheckingForHardwareVersionResponse = false;
    gIsCheckingForSerialNumberResponse = false;
    gIsCheckingForFWVersionResponse = false;
    gIsCheckingForOnboardHSICalResponse = false;
    gIsCheckingForEERPROMSaveResponse = false;
    gIsCheckingForResetResponse = false;
    gIsCheckingForReferenceVectorConfigResponse = false;
    gIsCheckingForKnownMagneticDisturbanceResponse = false;
}

DeviceIF::Status AQ9UartSensor::initIface()
{
    _pthis = this;
    if (setSerialPortNonRaw(_serDevice) != DeviceIF::Ok)
        return DeviceIF::Error;
    registerPacketFoundHandler();
    return DeviceIF::Ok;
}

DeviceIF::Status AQ9UartSensor::finalizeIface()
{
    return setSerialPortRaw(_serDevice) == DeviceIF::Ok ? DeviceIF::Ok : DeviceIF::Error;
}

DeviceIF::Status AQ9UartSensor::setSerialPortNonRaw(SerialDevice* device)
{
    device->commsDebugMode(SerialDevice::DebugOff);
    device->setLineFormat(kBaud, 8, 1, "NONE");
    device->nonRaw();
    termios t;
    memset(&t, 0, sizeof t);
    if (tcgetattr(device->getFd(), &t) == -1)
    {
        Syslog::write("AQ9UartSensor - tcgetattr failed");
        return DeviceIF::Error;
    }
    // Carriage returns are dropped and line feeds become carriage returns, so
    // every response line reaches us ending in a single CR.
    t.c_iflag |= IGNCR;
    t.c_iflag |= INLCR;
    if (tcsetattr(device->getFd(), TCSANOW, &t) == -1)
    {
        Syslog::write("AQ9UartSensor - tcsetattr failed");
        return DeviceIF::Error;
    }
    return DeviceIF::Ok;
}

DeviceIF::Status AQ9UartSensor::setSerialPortRaw(SerialDevice* device)
{
    device->commsDebugMode(SerialDevice::DebugOff);
    if (device->setLineFormat(kBaud, 8, 1, "NONE") != 0)
        return DeviceIF::Error;
    device->raw(256, 1);
    device->clearPort();
    return DeviceIF::Ok;
}

AqError AQ9UartSensor::registerPacketFoundHandler()
{
    AqUartPacketFinder_initialize(&_up);
    return AqUartPacketFinder_registerPacketFoundHandler(&_up, packetFoundHandler, nullptr);
}

const char* AQ9UartSensor::interfaceStr()
{
    return _serDevice->devName();
}

void AQ9UartSensor::writeCommand(const char* cmd, size_t nBytes)
{
    _serDevice->clearPort();
    _serDevice->write(cmd, static_cast<int>(nBytes));
}

AqError AQ9UartSensor::retryWriteIfSuccessFlagFalse(Boolean* successFlag, size_t maxRetries,
                                                    unsigned int timeoutMiliSeconds)
{
    const Boolean waitingValue = *successFlag;
    _sensorError = E_NONE;
    for (size_t attempt = 1; attempt <= maxRetries; attempt++)
    {
        writeCommand(_txBuf, _requestSize);
        processAsciiRecords();
        if (*successFlag != waitingValue)
            return E_NONE;
        // Bounded by the command length: the buffer holds no terminator of its own.
        Syslog::write("AQ9 - retry # %d for cmd: %.*s", static_cast<int>(attempt), static_cast<int>(_requestSize),
                      _txBuf);
        System::milliSleep(static_cast<int>(timeoutMiliSeconds));
    }
    if (_sensorError == E_NONE)
        return E_UNKNOWN;
    // The sensor said why: that is the result, and the log names the command.
    char text[AQ_ERROR_TEXT_SIZE];
    strFromAqError(text, _sensorError);
    Syslog::write("AQ9UartSensor - sensor rejected %.*s: %s (%d)", static_cast<int>(commandTextLength()), _txBuf,
                  text, static_cast<int>(_sensorError));
    return _sensorError;
}

AqError AQ9UartSensor::retryWriteIfSuccessFlagFalse(Boolean* successFlag)
{
    return retryWriteIfSuccessFlagFalse(successFlag, 5, 1);
}

AqError AQ9UartSensor::awaitResponse(bool* flag)
{
    *flag = true;
    if (!keyOf(reinterpret_cast<const uint8_t*>(_txBuf), _requestSize, &_awaited))
        _awaited.code[0] = '\0';
    // A bool's single byte is 0 or 1, and a Boolean (unsigned char) may
    // examine any object's bytes, so the retry loop sees the handler's clear.
    const AqError result = retryWriteIfSuccessFlagFalse(reinterpret_cast<Boolean*>(flag));
    // Answered or given up, nothing waits any more: a late reply is dropped
    // instead of being taken by whichever operation comes next.
    *flag = false;
    _awaited.code[0] = '\0';
    _awaited.reg = -1;
    return result;
}

size_t AQ9UartSensor::commandTextLength() const
{
    const void* star = memchr(_txBuf, '*', _requestSize);
    return star != nullptr ? static_cast<size_t>(static_cast<const char*>(star) - _txBuf) : _requestSize;
}

void AQ9UartSensor::clearTxBuf()
{
    memset(_txBuf, 0, sizeof _txBuf);
    _requestSize = 0;
}

AqError AQ9UartSensor::sendBuilt(AqError built, bool* flag)
{
    if (built != E_NONE)
    {
        Syslog::write("AQ9UartSensor - command not built (error %d), not sent", static_cast<int>(built));
        return built;
    }
    return awaitResponse(flag);
}

void AQ9UartSensor::processAsciiRecords()
{
    memset(_rxBuf, 0, sizeof _rxBuf);
    if (_serDevice->isRaw())
        setSerialPortNonRaw(_serDevice);
    int n = 0;
    try
    {
        n = _serDevice->readNChars(_rxBuf, kMaxAsciiChars, 1500);
    }
    catch (SerialDevice::TimedOut& e)
    {
        // What arrived before the time-out is still a (possibly whole) reply.
        n = e.nBytesRead();
    }
    catch (SerialDevice::BufferFull&)
    {
        n = 0;
    }
    if (n < 0)
        n = 0;
    if (n > kMaxAsciiChars)
        n = kMaxAsciiChars;
    // The port turns CR LF into a lone CR; the finder needs the line feed back.
    _rxBuf[n] = '\n';
    _rxBuf[n + 1] = '\0';
    if (_up.packetFoundHandler != nullptr)
        AqUartPacketFinder_processData(&_up, reinterpret_cast<uint8_t*>(_rxBuf), static_cast<size_t>(n) + 1);
}

void AQ9UartSensor::processBinaryPacket(char* buf, size_t nbytes)
{
    if (_up.packetFoundHandler == nullptr || nbytes == 0)
        return;
    // The poll read exactly one record from its sync byte on: it stands alone,
    // and whatever the finder kept from earlier reads (a reply's noisy tail, a
    // damaged record) must not swallow it.
    AqUartPacketFinder_resetAllTrackingStatus(&_up);
    AqUartPacketFinder_processData(&_up, reinterpret_cast<uint8_t*>(buf), nbytes);
}

int AQ9UartSensor::retrieveUartBinaryRecords(char* buf, size_t bufSize)
{
    if (!_serDevice->isRaw())
        setSerialPortRaw(_serDevice);
    memset(buf, 0, bufSize);
    try
    {
        return readBinaryRecord(buf, bufSize);
    }
    catch (SerialDevice::TimedOut&)
    {
        Syslog::write("aq9::processBinaryRecords - serial device timed out");
        return 0;
    }
    catch (SerialDevice::BufferFull&)
    {
        Syslog::write("aq9::processBinaryRecords - serial device buffer full");
        return 0;
    }
    catch (Exception&)
    {
        Syslog::write("aq9::processBinaryRecords - caught exception:  abort");
        throw;
    }
}

// Drops bytes one at a time until the sync byte sits in buf[0]. Returns the
// last read's count (1 on success), or -1 when the search ended without one.
int AQ9UartSensor::readSyncByte(char* buf)
{
    const int fd = _serDevice->getFd();
    for (int reads = 0; reads < kMaxSyncReads; reads++)
    {
        int r = dev_read(fd, buf, 1, 1, 0, kReadTimeout, 0, nullptr);
        if (static_cast<uint8_t>(buf[0]) == kSyncByte)
            return r;
        if (r < 0)
        {
            Syslog::write("AQ9 - dev_read ERROR");
            printf("%s \n", "AQ9 - dev_read ERROR");
            return -1;
        }
        // A read that waited its whole time-out for one byte: the sensor is silent.
        if (r == 0)
        {
            Syslog::write("AQ9UartSensor - no binary record from the sensor");
            return -1;
        }
    }
    Syslog::write("AQ9UartSensor - no sync byte in %d bytes", kMaxSyncReads);
    return -1;
}

int AQ9UartSensor::readBinaryRecord(char* buf, size_t bufSize)
{
    // The length rule reads up to seven group-field words behind the sync byte.
    if (bufSize < kLongestHeader)
        return 0;
    const int r = readSyncByte(buf);
    if (r < 0)
        return 0;
    const int fd = _serDevice->getFd();
    const int r2 = dev_read(fd, buf + 1, 10, 10, 0, kReadTimeout, 0, nullptr);
    if (r + r2 != static_cast<int>(kHeaderBytes))
        return 0;
    // Five or more groups make a header longer than the bytes read so far: its
    // last group words come first, or the length would be sized from zeros.
    const size_t header = 2 + 2 * AqUtil_countSetBitsUint8(static_cast<uint8_t>(buf[1]) & 0x7F);
    size_t have = kHeaderBytes;
    if (header > have)
    {
        const unsigned more = static_cast<unsigned>(header - have);
        if (dev_read(fd, buf + have, more, more, 0, kReadTimeout, 0, nullptr) != static_cast<int>(more))
            return 0;
        have = header;
    }
    const size_t len = AqUartPacket_computeBinaryPacketLength(reinterpret_cast<const uint8_t*>(buf));
    if (len > bufSize)
    {
        Syslog::write("AQ9UartSensor - binary record of %d bytes does not fit in %d", static_cast<int>(len),
                      static_cast<int>(bufSize));
        return 0;
    }
    // Shorter than the header already read: not a record this link asks for.
    if (len < have)
        return 0;
    int r3 = 0;
    if (len > have)
    {
        const unsigned rest = static_cast<unsigned>(len - have);
        r3 = dev_read(fd, buf + have, rest, rest, 0, kReadTimeout, 0, nullptr);
    }
    const int total = static_cast<int>(have) + r3;
    if (total != static_cast<int>(len))
    {
        Syslog::write("AQ9:: only read %d bytes, expected %d bytes\n", total, static_cast<int>(len));
        return 0;
    }
    return total;
}

// "$AQBOM,<n>" plus CRC trailer. A buffer too small for the whole command is
// left empty with requestSize 0, so nothing partial is ever sent.
static AqError genBinaryRequest(const char* text, char* buf, size_t bufSize, size_t& requestSize)
{
    const size_t textLength = strlen(text);
    memset(buf, 0, bufSize);
    requestSize = 0;
    if (bufSize <= textLength)
        return E_BUFFER_TOO_SMALL;
    memcpy(buf, text, textLength);
    size_t length = textLength;
    AqError e =
        AqUartPacket_finalizeCommand(AQERRORDETECTIONMODE_CRC, reinterpret_cast<uint8_t*>(buf), &length, bufSize);
    if (e != E_NONE)
    {
        memset(buf, 0, bufSize);
        return e;
    }
    requestSize = length;
    return E_NONE;
}

AqError AQ9UartSensor::genBinaryReg1Request(char* buf, size_t bufSize, size_t& requestSize, size_t& /*responseSize*/)
{
    return genBinaryRequest("$AQBOM,1", buf, bufSize, requestSize);
}

AqError AQ9UartSensor::genBinaryReg2Request(char* buf, size_t bufSize, size_t& requestSize, size_t& /*responseSize*/)
{
    return genBinaryRequest("$AQBOM,2", buf, bufSize, requestSize);
}

// Raw mode comes first: the switch clears the port, which must not discard the
// request just written or the record it brings back.
int AQ9UartSensor::pollBinaryOutput(int output)
{
    if (!_serDevice->isRaw())
        setSerialPortRaw(_serDevice);
    size_t responseSize = 0;
    if (output == 1)
        genBinaryReg1Request(_txBuf, sizeof _txBuf, _requestSize, responseSize);
    else
        genBinaryReg2Request(_txBuf, sizeof _txBuf, _requestSize, responseSize);
    writeCommand(_txBuf, _requestSize);
    return retrieveUartBinaryRecords(_rxBuf, sizeof _rxBuf);
}

ahrsData_SensorUnits AQ9UartSensor::getAhrsData()
{
    memset(&_ahrsData, 0, sizeof _ahrsData);
    int n = pollBinaryOutput(1);
    processBinaryPacket(_rxBuf, static_cast<size_t>(n));
    return _ahrsData;
}

rawMeasData_SensorUnits AQ9UartSensor::getRawMeasData()
{
    memset(&_rawMeasData, 0, sizeof _rawMeasData);
    int n = pollBinaryOutput(2);
    processBinaryPacket(_rxBuf, static_cast<size_t>(n));
    return _rawMeasData;
}
