// SerialDevice on a termios port. The descriptor is non-blocking: every read
// and write has its own time limit, and dev_read (host/io) polls it the same
// way. Linux's canonical mode cannot end a line on a carriage return nor hand
// over part of a line at a time-out, so both modes are non-canonical and
// readNChars itself ends a read at a line end (CR or LF). Line mode leaves
// the input translations to the caller (the UART link sets IGNCR and INLCR);
// raw mode clears them. The settings found at open are put back at close.
#include "SerialDevice.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "SerialLineFormat.h"
#include "Syslog.h"

namespace {

const int kWriteTimeoutMs = 2000;
const int kMaxDumpBytes = 256;

long long nowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Waits for the descriptor to be ready for events; returns the events seen,
// 0 when the time is up.
short waitFor(int fd, short events, long long deadline)
{
    for (;;)
    {
        const long long left = deadline - nowMs();
        if (left <= 0)
            return 0;
        pollfd p = {fd, events, 0};
        const int r = poll(&p, 1, static_cast<int>(left));
        if (r > 0)
            return p.revents;
        if (r == 0 || errno != EINTR)
            return 0;
    }
}

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

}  // namespace

struct SerialDevice::Port
{
    int fd = -1;
    std::string path;
    termios saved;
    bool savedValid = false;

    // Byte mode or line mode; either way non-canonical, no echo, no signals,
    // no output processing, no software flow control.
    void applyMode(bool raw, int vmin, int vtime);
    void dump(const char* what, const char* buf, int n);
};

void SerialDevice::Port::applyMode(bool raw, int vmin, int vtime)
{
    termios t;
    if (tcgetattr(fd, &t) != 0)
    {
        Syslog::write("SerialDevice - %s: tcgetattr failed: %s", path.c_str(), strerror(errno));
        return;
    }
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                                        IXANY);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    // termios counts in a byte: a larger VMIN (the link asks for 256) is the
    // most it can hold. Reads here poll, so VMIN and VTIME only serve others.
    t.c_cc[VMIN] = static_cast<cc_t>(raw ? (vmin < 0 ? 0 : vmin > 255 ? 255 : vmin) : 1);
    t.c_cc[VTIME] = static_cast<cc_t>(raw ? (vtime < 0 ? 0 : vtime > 255 ? 255 : vtime) : 0);
    if (tcsetattr(fd, TCSANOW, &t) != 0)
        Syslog::write("SerialDevice - %s: tcsetattr for %s mode failed: %s", path.c_str(), raw ? "raw" : "line",
                      strerror(errno));
}

void SerialDevice::Port::dump(const char* what, const char* buf, int n)
{
    char hex[3 * kMaxDumpBytes + 4];
    size_t at = 0;
    for (int i = 0; i < n && i < kMaxDumpBytes; i++)
        at += static_cast<size_t>(snprintf(hex + at, sizeof hex - at, " %02x", static_cast<unsigned char>(buf[i])));
    if (n > kMaxDumpBytes)
        snprintf(hex + at, sizeof hex - at, " ...");
    Syslog::write("SerialDevice - %s %s %d bytes:%s", path.c_str(), what, n, hex);
}

SerialDevice::SerialDevice(const char* devicePath)
    : _baud(0), _data(0), _stop(0), _parity(), _tmpBuff(), _lastWrite(), outLen(0), _commsDebugMode(DebugOff), _raw(0),
      _cleared(0), _vmin(0), _tmin(0)
{
    _port = new Port();
    _port->path = devicePath != nullptr ? devicePath : "";
    // Non-blocking, so the open does not wait for a modem's carrier either.
    _port->fd = open(_port->path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const char* failure = _port->fd < 0 ? strerror(errno) : nullptr;
    if (failure == nullptr && tcgetattr(_port->fd, &_port->saved) != 0)
        failure = errno == ENOTTY ? "not a terminal device" : strerror(errno);
    if (failure != nullptr)
    {
        char msg[sizeof(Exception::msg)];
        snprintf(msg, sizeof msg, "SerialDevice - cannot open %.40s: %.30s", _port->path.c_str(), failure);
        if (_port->fd >= 0)
            close(_port->fd);
        delete _port;
        _port = nullptr;
        throw Exception(msg);
    }
    _port->savedValid = true;
    // One reader per port: a second program would take bytes meant for this one.
    if (ioctl(_port->fd, TIOCEXCL) != 0)
        Syslog::write("SerialDevice - %s: exclusive use not granted: %s", _port->path.c_str(), strerror(errno));
    nonRaw();
}

SerialDevice::~SerialDevice()
{
    if (_port == nullptr)
        return;
    if (_port->savedValid && tcsetattr(_port->fd, TCSANOW, &_port->saved) != 0)
        Syslog::write("SerialDevice - %s: settings not restored: %s", _port->path.c_str(), strerror(errno));
    close(_port->fd);
    delete _port;
}

const char* SerialDevice::devName()
{
    return _port->path.c_str();
}

int SerialDevice::getFd()
{
    return _port->fd;
}

void SerialDevice::raw(int vmin, int tmin)
{
    _vmin = vmin;
    _tmin = tmin;
    _raw = 1;
    _port->applyMode(true, vmin, tmin);
}

void SerialDevice::nonRaw()
{
    _raw = 0;
    _port->applyMode(false, 0, 0);
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
    termios t;
    char why[80];
    if (tcgetattr(_port->fd, &t) != 0)
    {
        Syslog::write("SerialDevice - %s: tcgetattr failed: %s", _port->path.c_str(), strerror(errno));
        return -1;
    }
    if (!serialLineFormat(&t, baud, data, stop, parity, why, sizeof why))
    {
        Syslog::write("SerialDevice - %s: %s", _port->path.c_str(), why);
        return 1;
    }
    if (tcsetattr(_port->fd, TCSANOW, &t) != 0)
    {
        Syslog::write("SerialDevice - %s: tcsetattr of the line format failed: %s", _port->path.c_str(),
                      strerror(errno));
        return -1;
    }
    _baud = baud;
    _data = data;
    _stop = stop;
    snprintf(_parity, sizeof _parity, "%s", parity);
    return 0;
}

int SerialDevice::write(const char* buf, int nBytes)
{
    if (nBytes <= 0)
        return 0;
    if (debugging())
        _port->dump("sent", buf, nBytes);
    const long long deadline = nowMs() + kWriteTimeoutMs;
    int sent = 0;
    while (sent < nBytes)
    {
        const ssize_t w = ::write(_port->fd, buf + sent, static_cast<size_t>(nBytes - sent));
        const int err = errno;
        if (w > 0)
            sent += static_cast<int>(w);
        else if (w < 0 && err == EINTR)
            continue;
        else if (w < 0 && err == EAGAIN && waitFor(_port->fd, POLLOUT, deadline) != 0)
            continue;
        else if (w < 0 && err == EAGAIN)
        {
            Syslog::write("SerialDevice - %s: write timed out after %d of %d bytes", _port->path.c_str(), sent,
                          nBytes);
            return sent;
        }
        else
        {
            Syslog::write("SerialDevice - %s: write failed after %d of %d bytes: %s", _port->path.c_str(), sent,
                          nBytes, w == 0 ? "nothing written" : strerror(err));
            return -1;
        }
    }
    return sent;
}

void SerialDevice::clearPort()
{
    // Input only: output not yet on the wire is the command just sent.
    if (tcflush(_port->fd, TCIFLUSH) != 0)
        Syslog::write("SerialDevice - %s: tcflush failed: %s", _port->path.c_str(), strerror(errno));
}

int SerialDevice::readNChars(char* buf, int count, int timeout)
{
    if (count <= 0)
        return 0;
    const long long deadline = nowMs() + (timeout > 0 ? timeout : 0);
    int got = 0;
    short seen = 0;
    while (got < count)
    {
        // One byte at a time, so nothing after the line end is taken from the port.
        const ssize_t r = ::read(_port->fd, buf + got, 1);
        const int err = errno;
        if (r == 1)
        {
            if (isLineEnd(buf[got++]))
                break;
            continue;
        }
        if (r < 0 && err == EINTR)
            continue;
        // Nothing waiting: EAGAIN, or 0 bytes from a tty whose VMIN is 0. Only
        // a hung-up port gives 0 bytes after poll reported it readable.
        const bool hungUp = (seen & (POLLHUP | POLLERR)) != 0;
        if ((r < 0 && err == EAGAIN) || (r == 0 && !hungUp))
        {
            seen = waitFor(_port->fd, POLLIN, deadline);
            if (seen != 0)
                continue;
            if (debugging() && got > 0)
                _port->dump("received (timed out)", buf, got);
            throw TimedOut(got);
        }
        // An error or a hang-up (an unplugged adapter gives EIO): nothing
        // more will come; the caller sees a failed read.
        Syslog::write("SerialDevice - %s: read failed after %d bytes: %s", _port->path.c_str(), got,
                      r == 0 ? "the port hung up" : strerror(err));
        return -1;
    }
    if (debugging())
        _port->dump("received", buf, got);
    if (!isLineEnd(buf[got - 1]))
        throw BufferFull();
    return got;
}
