#include "SerialLineFormat.h"

#include <stdio.h>
#include <string.h>

namespace {

struct Speed
{
    int baud;
    speed_t code;
};

const Speed kSpeeds[] = {
    {50, B50},         {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},       {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},     {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},   {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};

}  // namespace

bool serialLineFormat(termios* t, int baud, int data, int stop, const char* parity, char* why, size_t whySize)
{
    const Speed* speed = nullptr;
    for (const Speed& s : kSpeeds)
        if (s.baud == baud)
            speed = &s;
    const bool even = parity != nullptr && strcmp(parity, "EVEN") == 0;
    const bool odd = parity != nullptr && strcmp(parity, "ODD") == 0;
    const bool none = parity != nullptr && strcmp(parity, "NONE") == 0;
    if (speed == nullptr)
        snprintf(why, whySize, "baud rate %d not supported", baud);
    else if (data < 5 || data > 8)
        snprintf(why, whySize, "%d data bits not supported (5 to 8)", data);
    else if (stop != 1 && stop != 2)
        snprintf(why, whySize, "%d stop bits not supported (1 or 2)", stop);
    else if (!even && !odd && !none)
        snprintf(why, whySize, "parity \"%.16s\" not supported (NONE, EVEN or ODD)", parity != nullptr ? parity : "");
    else
    {
        // The sensor's line has no RTS/CTS: flow control left on by an earlier
        // user of the port would hold every write until it times out.
        t->c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
        t->c_cflag |= kSizes[data - 5] | CLOCAL | CREAD;
        if (stop == 2)
            t->c_cflag |= CSTOPB;
        if (even || odd)
            t->c_cflag |= PARENB;
        if (odd)
            t->c_cflag |= PARODD;
        cfsetispeed(t, speed->code);
        cfsetospeed(t, speed->code);
        return true;
    }
    return false;
}
