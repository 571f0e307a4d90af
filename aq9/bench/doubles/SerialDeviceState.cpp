// What every stand-in for the serial port keeps the same way: the line format,
// the raw or line mode and the debug mode the link sets, held for it to read
// back. Each stand-in (the bench's double, the fuzz targets' scripted wire, the
// benchmarks' in-memory line) adds its own name, descriptor and traffic.
#include <string.h>

#include "SerialDevice.h"

SerialDevice::SerialDevice()
    : _baud(0), _data(0), _stop(0), _parity(), _tmpBuff(), _lastWrite(), outLen(0), _commsDebugMode(DebugOff), _raw(1),
      _cleared(0), _vmin(0), _tmin(0)
{
}

SerialDevice::~SerialDevice() {}

void SerialDevice::raw(int vmin, int tmin)
{
    _vmin = vmin;
    _tmin = tmin;
    _raw = 1;
}

void SerialDevice::nonRaw()
{
    _raw = 0;
}

Boolean SerialDevice::isRaw()
{
    return _raw;
}

void SerialDevice::commsDebugMode(CommsDebugMode mode)
{
    _commsDebugMode = mode;
}

Boolean SerialDevice::debugging()
{
    return _commsDebugMode == DebugOn;
}

int SerialDevice::setLineFormat(int baud, int data, int stop, const char* parity)
{
    _baud = baud;
    _data = data;
    _stop = stop;
    strncpy(_parity, parity != nullptr ? parity : "", sizeof _parity - 1);
    _parity[sizeof _parity - 1] = '\0';
    return 0;
}
