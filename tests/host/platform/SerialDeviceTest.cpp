// The serial port on a pseudo-terminal: the test holds the master side, the
// device opens the slave by its path as it would a USB serial adapter.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "AQ9UartSensor.h"
#include "CppUTest/TestHarness.h"
#include "HostTestSupport.h"
#include "PlatformCalls.h"
#include "SerialDevice.h"
#include "aq/error_detection.h"

namespace {

void put(int fd, const std::string& bytes)
{
    CHECK_EQUAL(static_cast<ssize_t>(bytes.size()), write(fd, bytes.data(), bytes.size()));
}

// "$<body>*<CRC>" with the CR LF the sensor ends its lines with.
std::string sentence(const std::string& body)
{
    char check[8];
    snprintf(check, sizeof check, "*%04X\r\n", AqCrc16_compute(body.data(), body.size()));
    return "$" + body + check;
}

}  // namespace

TEST_GROUP(SerialDevice)
{
    int master = -1, slave = -1;
    SerialDevice* dev = nullptr;
    char buf[80];

    void setup()
    {
        CHECK_EQUAL(0, openpty(&master, &slave, nullptr, nullptr, nullptr));
        dev = new SerialDevice(ttyname(slave));
        memset(buf, 0x5A, sizeof buf);
    }
    void teardown()
    {
        delete dev;
        close(master);
        close(slave);
    }
    // Line mode with the translations the UART link adds.
    void linkLineMode()
    {
        dev->nonRaw();
        termios t;
        tcgetattr(dev->getFd(), &t);
        t.c_iflag |= IGNCR | INLCR;
        tcsetattr(dev->getFd(), TCSANOW, &t);
    }
};

TEST(SerialDevice, a_read_ends_at_a_line_end_at_the_count_or_at_its_time_out)
{
    enum Outcome
    {
        Returns,
        TimesOut,
        Full
    };
    struct Row
    {
        const char* label;
        bool raw, clearFirst;
        const char* now;
        const char* later;  // 50 ms after the read started
        int count, timeoutMs;
        Outcome outcome;
        const char* expected;  // the bytes in buf
    } rows[] = {
        {"line mode: CR dropped, LF made CR, rest left", false, false, "abc\r\nxyz", "", 64, 300, Returns, "abc\r"},
        {"raw mode: no translation", true, false, "ab\r\n", "", 64, 300, Returns, "ab\r"},
        {"partial arrivals join", true, false, "ab", "c\n", 64, 1000, Returns, "abc\n"},
        {"time-out carries its bytes", false, false, "ab", "", 64, 150, TimesOut, "ab"},
        {"count reached without line end", true, false, "abcdef", "", 4, 300, Full, "abcd"},
        {"cleared port has nothing", true, true, "junk\n", "", 64, 100, TimesOut, ""},
    };
    for (const Row& r : rows)
    {
        teardown();
        setup();
        if (r.raw)
            dev->raw(256, 1);
        else
            linkLineMode();
        put(master, r.now);
        usleep(20000);
        if (r.clearFirst)
            dev->clearPort();
        std::thread late([&] {
            usleep(50000);
            if (r.later[0] != '\0')
                put(master, r.later);
        });
        Outcome got = Returns;
        int n = -1;
        const timespec start = monotonicNow();
        try
        {
            n = dev->readNChars(buf, r.count, r.timeoutMs);
        }
        catch (SerialDevice::TimedOut& e)
        {
            got = TimesOut;
            n = e.nBytesRead();
            CHECK_TEXT(msSince(start) >= r.timeoutMs - 10, r.label);
        }
        catch (SerialDevice::BufferFull&)
        {
            got = Full;
            n = r.count;
        }
        late.join();
        LONGS_EQUAL_TEXT(r.outcome, got, r.label);
        LONGS_EQUAL_TEXT(strlen(r.expected), n, r.label);
        MEMCMP_EQUAL_TEXT(r.expected, buf, strlen(r.expected), r.label);
        CHECK_EQUAL_TEXT(0x5A, (unsigned char)buf[r.count], r.label);
    }
}

TEST(SerialDevice, dev_read_on_the_raw_port_keeps_its_minimum_and_time_out)
{
    dev->raw(256, 1);
    put(master, "abcd");
    timespec start = monotonicNow();
    LONGS_EQUAL(4, dev_read(dev->getFd(), buf, 10, 10, 0, 2, 0, nullptr));
    CHECK(msSince(start) >= 150);
    put(master, "0123456789A");
    start = monotonicNow();
    LONGS_EQUAL(11, dev_read(dev->getFd(), buf, 11, 11, 0, 10, 0, nullptr));
    CHECK(msSince(start) < 900);
    MEMCMP_EQUAL("0123456789A", buf, 11);
}

TEST(SerialDevice, a_large_write_arrives_whole)
{
    dev->raw(256, 1);
    std::string sent(65536, '\0');
    for (size_t i = 0; i < sent.size(); i++)
        sent[i] = static_cast<char>(i * 7 + i / 251);
    std::string received;
    std::thread drain([&] {
        char chunk[4096];
        while (received.size() < sent.size())
        {
            pollfd p = {master, POLLIN, 0};
            if (poll(&p, 1, 3000) <= 0)
                return;
            ssize_t n = read(master, chunk, sizeof chunk);
            if (n <= 0)
                return;
            received.append(chunk, static_cast<size_t>(n));
        }
    });
    LONGS_EQUAL(65536, dev->write(sent.data(), 65536));
    drain.join();
    CHECK(received == sent);
}

// The bits themselves are SerialLineFormat's; a pty keeps only speed and stop bits.
TEST(SerialDevice, the_line_format_reaches_the_port_or_is_refused_untouched)
{
    termios before, after;
    LONGS_EQUAL(0, dev->setLineFormat(9600, 8, 2, "NONE"));
    tcgetattr(slave, &before);
    CHECK(dev->setLineFormat(12345, 8, 1, "NONE") != 0);
    tcgetattr(slave, &after);
    LONGS_EQUAL(B9600, cfgetospeed(&after));
    CHECK(after.c_cflag & CSTOPB);
    LONGS_EQUAL(9600, dev->_baud);
    LONGS_EQUAL(0, dev->setLineFormat(115200, 8, 1, "NONE"));
    tcgetattr(slave, &after);
    LONGS_EQUAL(B115200, cfgetospeed(&after));
    CHECK_FALSE(after.c_cflag & CSTOPB);
    STRCMP_EQUAL("NONE", dev->_parity);
}

TEST(SerialDevice, open_failures_throw_and_closing_restores_the_port)
{
    const char* bad[][2] = {{"/nonexistent/ttyAQ9", "No such file"}, {"/dev/null", "not a terminal"}};
    for (const auto& b : bad)
    {
        try
        {
            SerialDevice d(b[0]);
            FAIL(b[0]);
        }
        catch (Exception& e)
        {
            const std::string msg(e.msg, strnlen(e.msg, sizeof e.msg));
            CHECK_TEXT(msg.find(b[0]) != std::string::npos && msg.find(b[1]) != std::string::npos, msg.c_str());
        }
    }
    termios t;
    delete dev;
    dev = nullptr;
    tcgetattr(slave, &t);
    CHECK(t.c_lflag & ICANON);  // as openpty made it
    dev = new SerialDevice(ttyname(slave));
    tcgetattr(slave, &t);
    CHECK_FALSE(t.c_lflag & ICANON);
    dev->commsDebugMode(SerialDevice::DebugOn);
    CapturedStderr err;
    dev->write("AB", 2);
    const std::string text = err.text();
    CHECK_TEXT(text.find("sent 2 bytes: 41 42") != std::string::npos, text.c_str());
}

// The UART link as it runs on a vehicle: a register command answered in line
// mode, then a binary record polled in raw mode and read with dev_read.
TEST(SerialDevice, the_uart_link_gets_a_register_reply_and_a_binary_record_over_the_port)
{
    static const unsigned char kRecord1[] = {
        0xfa, 0x11, 0x28, 0x15, 0x00, 0x01, 0x9d, 0x64, 0xfb, 0xc1, 0x09, 0xd2, 0xc4, 0x3e, 0x33, 0xb3,
        0x62, 0xbe, 0x00, 0x06, 0xe5, 0x39, 0xbd, 0x94, 0x6f, 0x3a, 0x80, 0xe8, 0x22, 0x3a, 0x12, 0x5d,
        0x38, 0x3d, 0xec, 0x95, 0x2e, 0x3d, 0x71, 0x3a, 0x18, 0xc1, 0x75, 0xec, 0x86, 0x3e, 0xcc, 0x06,
        0x26, 0x3e, 0x66, 0xea, 0xdd, 0x3e, 0x7a, 0x14, 0xc9, 0x41, 0x9c, 0x44, 0xcb, 0x42, 0x00, 0x00,
        0x3a, 0x86, 0x3e, 0x3d, 0x1a, 0x4a, 0xeb, 0x3c, 0x83, 0x65, 0xf5, 0x3c, 0x42, 0x8c};
    std::atomic<bool> done{false};
    std::thread sensor([&] {
        std::string line;
        while (!done)
        {
            pollfd p = {master, POLLIN, 0};
            char c;
            if (poll(&p, 1, 50) <= 0 || read(master, &c, 1) != 1)
                continue;
            line += c;
            if (c != '\n')
                continue;
            if (line.compare(0, 6, "$AQRST") == 0)
                put(master, sentence("AQRST"));
            if (line.compare(0, 8, "$AQBOM,1") == 0)
                CHECK_EQUAL(sizeof kRecord1, write(master, kRecord1, sizeof kRecord1));
            line.clear();
        }
    });
    AQ9UartSensor link(dev);
    const bool up = link.initIface() == DeviceIF::Ok;
    const AqError reset = link.resetDevice();
    const bool raw = link.finalizeIface() == DeviceIF::Ok;
    const ahrsData_SensorUnits ahrs = link.getAhrsData();
    done = true;
    sensor.join();
    CHECK(up && raw);
    LONGS_EQUAL(E_NONE, reset);
    LONGS_EQUAL(1, ahrs.dataGood);
    DOUBLES_EQUAL(-31.424128, ahrs.ypr_deg.c[0], 1e-5);
    DOUBLES_EQUAL(101.634, ahrs.pres_kPa, 1e-3);
}
