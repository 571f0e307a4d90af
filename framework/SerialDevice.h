#ifndef FRAMEWORK_SERIALDEVICE_H
#define FRAMEWORK_SERIALDEVICE_H

#include <stddef.h>

#include "Boolean.h"
#include "Exception.h"

// The framework's serial port as the UART link uses it. Reads may throw
// TimedOut (carrying the count read before the time-out) or BufferFull.
class SerialDevice
{
  public:
    enum CommsDebugMode
    {
        DebugOn = 0,
        DebugOff = 1
    };

    class TimedOut : public Exception
    {
      public:
        explicit TimedOut(int nBytesRead) : Exception("serial device timed out"), _nBytesRead(nBytesRead) {}
        int nBytesRead() const { return _nBytesRead; }

      private:
        int _nBytesRead;
    };

    class BufferFull : public Exception
    {
      public:
        BufferFull() : Exception("serial device buffer full") {}
    };

    SerialDevice();
    virtual ~SerialDevice();

    const char* devName();
    int getFd();
    void raw(int vmin, int tmin);
    void nonRaw();
    Boolean isRaw();
    void commsDebugMode(CommsDebugMode mode);
    Boolean debugging();
    // 0 on success.
    int setLineFormat(int baud, int data, int stop, const char* parity);
    int write(const char* buf, int nBytes);
    void clearPort();
    // True once after each clearPort.
    Boolean portCleared();
    char* lastWrite();
    // Queues str as the sensor's next output.
    void simOutputStr(const char* str);
    // Reads up to count characters into buf; returns the number placed there.
    int readNChars(char* buf, int count, int timeout);

    int _baud;
    int _data;
    int _stop;
    char _parity[16];

  private:
    char _tmpBuff[512];
    char _lastWrite[512];
    size_t outLen;
    CommsDebugMode _commsDebugMode;
    Boolean _raw;
    Boolean _cleared;
    int _vmin;
    int _tmin;
};
#endif
