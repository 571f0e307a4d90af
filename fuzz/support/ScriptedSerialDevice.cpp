// The framework's serial port on the scripted wire: what the link writes goes
// to the scripted sensor, what it reads comes from it, within the port's
// contract (SerialDevice.h): a line read ends after a line end, times out with
// the count read so far, fills up without one, or fails with -1.
#include "SerialDevice.h"

#include "Script.h"

const char* SerialDevice::devName()
{
    return "/dev/fuzz-serial";
}

int SerialDevice::getFd()
{
    return 7;
}

int SerialDevice::write(const char* buf, int nBytes)
{
    if (nBytes > 0)
        fuzzWire_commandSent(buf, static_cast<size_t>(nBytes));
    return nBytes;
}

void SerialDevice::clearPort()
{
    fuzzWire_clear();
}

int SerialDevice::readNChars(char* buf, int count, int)
{
    int got = 0;
    while (got < count)
    {
        bool ended = false;
        const int r = fuzzWire_read(reinterpret_cast<uint8_t*>(buf) + got, static_cast<size_t>(count - got), true,
                                    &ended);
        if (r < 0)
            return -1;
        if (r == 0)
            throw TimedOut(got);
        got += r;
        if (ended)
            return got;
    }
    if (count <= 0)
        return 0;
    throw BufferFull();
}
