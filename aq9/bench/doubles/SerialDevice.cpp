// The serial port double: it records what the link sets and writes, and
// hands back whatever text the running scenario queued as the sensor's
// output. It never throws; the exception classes exist for the link's sake.
#include "SerialDevice.h"

#include <string.h>

#include "SerialDeviceDouble.h"

namespace {

SerialDeviceResponder g_responder = nullptr;
void* g_responderContext = nullptr;

}  // namespace

void SerialDevice_setResponder(SerialDeviceResponder responder, void* context)
{
    g_responder = responder;
    g_responderContext = context;
}

const char* SerialDevice::devName()
{
    return "/dev/ser1";
}

int SerialDevice::getFd()
{
    return 6;
}

int SerialDevice::write(const char* buf, int nBytes)
{
    // The text sent: never past the nBytes handed over, never past its end.
    size_t limit = nBytes > 0 ? static_cast<size_t>(nBytes) : 0;
    if (limit > sizeof _lastWrite - 1)
        limit = sizeof _lastWrite - 1;
    size_t n = strnlen(buf, limit);
    memcpy(_lastWrite, buf, n);
    _lastWrite[n] = '\0';
    if (g_responder != nullptr)
        g_responder(this, buf, nBytes, g_responderContext);
    return nBytes;
}

void SerialDevice::clearPort()
{
    _cleared = 1;
}

Boolean SerialDevice::portCleared()
{
    Boolean was = _cleared;
    _cleared = 0;
    return was;
}

char* SerialDevice::lastWrite()
{
    return _lastWrite;
}

void SerialDevice::simOutputStr(const char* str)
{
    size_t n = strnlen(str, sizeof _tmpBuff - 1);
    memcpy(_tmpBuff, str, n);
    _tmpBuff[n] = '\0';
    outLen = n;
}

int SerialDevice::readNChars(char* buf, int count, int /*timeout*/)
{
    if (count <= 0)
        return 0;
    size_t room = static_cast<size_t>(count) - 1;  // keep a place for the terminator
    if (outLen == 0)
    {
        memset(buf, 0, static_cast<size_t>(count));
        return 0;
    }
    size_t n = outLen < room ? outLen : room;
    memcpy(buf, _tmpBuff, n);
    buf[n] = '\0';
    outLen = 0;
    _tmpBuff[0] = '\0';
    return static_cast<int>(n);
}
