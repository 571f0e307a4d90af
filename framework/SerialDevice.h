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

    // A real port: opens devicePath for reading and writing, or throws
    // Exception saying why it cannot. Only the host platform provides it.
    explicit SerialDevice(const char* devicePath);
    // The bench's simulated port; only the doubles provide it.
    SerialDevice();
    virtual ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    const char* devName();
    int getFd();
    // Byte mode: no input or output processing; vmin and tmin as termios
    // VMIN and VTIME.
    void raw(int vmin, int tmin);
    // Line mode: input processing on, so the c_iflag translations a caller
    // sets apply; readNChars ends a read at a line end.
    void nonRaw();
    Boolean isRaw();
    // With DebugOn the traffic is dumped in hex to the system log.
    void commsDebugMode(CommsDebugMode mode);
    Boolean debugging();
    // 0 on success; non-zero (nothing changed) for a format the port cannot take.
    int setLineFormat(int baud, int data, int stop, const char* parity);
    // Sends all nBytes; the count sent, or -1 on an error.
    int write(const char* buf, int nBytes);
    // Discards what was received and not yet read.
    void clearPort();
    // Reads up to count characters into buf, ending after a line end (CR or
    // LF); returns the number placed there. A real port waits at most timeout
    // milliseconds, then throws TimedOut with the count read so far; it throws
    // BufferFull when count characters hold no line end, and returns -1 when
    // the port has failed (hung up, unplugged). Nothing is written past count
    // characters.
    int readNChars(char* buf, int count, int timeout);

    // Test hooks of the simulated port; a real port does not provide them.
    // True once after each clearPort.
    Boolean portCleared();
    char* lastWrite();
    // Queues str as the sensor's next output.
    void simOutputStr(const char* str);

    int _baud;
    int _data;
    int _stop;
    char _parity[16];

  private:
    // _tmpBuff, _lastWrite, outLen and _cleared serve the test hooks only.
    char _tmpBuff[512];
    char _lastWrite[512];
    size_t outLen;
    CommsDebugMode _commsDebugMode;
    Boolean _raw;
    Boolean _cleared;
    int _vmin;
    int _tmin;
    // A real port's descriptor and saved settings (null in the simulated port).
    struct Port;
    Port* _port = nullptr;
};
#endif
