// The termios bits of each line format, and the formats a port cannot take.
#include <string.h>
#include <termios.h>

#include <string>

#include "CppUTest/TestHarness.h"
#include "SerialLineFormat.h"

TEST_GROUP(SerialLineFormat){};

TEST(SerialLineFormat, each_format_sets_its_bits_and_bad_ones_leave_the_record_untouched)
{
    struct Row
    {
        int baud, data, stop;
        const char* parity;
        tcflag_t bits;  // of CSIZE | CSTOPB | PARENB | PARODD; 0: refused
        speed_t speed;
        const char* why;
    } rows[] = {
        {115200, 8, 1, "NONE", CS8, B115200, ""},
        {9600, 7, 2, "EVEN", CS7 | CSTOPB | PARENB, B9600, ""},
        {57600, 5, 1, "ODD", CS5 | PARENB | PARODD, B57600, ""},
        {12345, 8, 1, "NONE", 0, 0, "baud rate 12345"},
        {115200, 9, 1, "NONE", 0, 0, "9 data bits"},
        {115200, 8, 3, "NONE", 0, 0, "3 stop bits"},
        {115200, 8, 1, "MARK", 0, 0, "parity \"MARK\""},
        {115200, 8, 1, "none", 0, 0, "parity \"none\""},
    };
    for (const Row& r : rows)
    {
        termios t;
        memset(&t, 0, sizeof t);
        // Hardware flow control left on by an earlier user of the port.
        t.c_cflag = CS6 | PARODD | HUPCL | CRTSCTS;
        const termios before = t;
        char why[80] = "";
        const bool ok = serialLineFormat(&t, r.baud, r.data, r.stop, r.parity, why, sizeof why);
        const std::string label = std::to_string(r.baud) + " " + r.parity;
        CHECK_EQUAL_TEXT(r.bits != 0, ok, label.c_str());
        if (ok)
        {
            LONGS_EQUAL_TEXT(r.bits, t.c_cflag & (CSIZE | CSTOPB | PARENB | PARODD), label.c_str());
            CHECK_TEXT((t.c_cflag & (CLOCAL | CREAD | HUPCL)) == (CLOCAL | CREAD | HUPCL), label.c_str());
            CHECK_TEXT((t.c_cflag & CRTSCTS) == 0, label.c_str());
            LONGS_EQUAL_TEXT(r.speed, cfgetispeed(&t), label.c_str());
            LONGS_EQUAL_TEXT(r.speed, cfgetospeed(&t), label.c_str());
        }
        else
        {
            MEMCMP_EQUAL_TEXT(&before, &t, sizeof t, label.c_str());
            CHECK_TEXT(strstr(why, r.why) != nullptr, why);
        }
    }
}
