// Simulated device calls: each reports its call with named parameters to the
// mock scope "os" and returns what the running scenario scripted. Defined in
// the program itself, they take the place of the C library's at link time.
#include <linux/spi/spidev.h>
#include <stdarg.h>
#include <stdint.h>
#include <sys/types.h>
#include <termios.h>

#include "CppUTestExt/MockSupport.h"
#include "OsCallsDouble.h"
#include "PlatformCalls.h"

extern "C" int tcgetattr(int fd, struct termios* termios_p)
{
    return mock("os")
        .actualCall("tcgetattr")
        .withParameter("__fd", fd)
        .withOutputParameter("__termios_p", termios_p)
        .returnIntValueOrDefault(0);
}

extern "C" int tcsetattr(int fd, int optional_actions, const struct termios* termios_p)
{
    return mock("os")
        .actualCall("tcsetattr")
        .withParameter("__fd", fd)
        .withParameter("__optional_actions", optional_actions)
        .withParameterOfType("termios", "__termios_p", termios_p)
        .returnIntValueOrDefault(0);
}

extern "C" int open(const char* path, int oflag, ...)
{
    return mock("os")
        .actualCall("open")
        .withParameter("__path", path)
        .withParameter("__oflag", oflag)
        .returnIntValueOrDefault(-1);
}

namespace {

SpiResponder g_spiResponder = nullptr;
void* g_spiResponderContext = nullptr;

}  // namespace

void OsCalls_setSpiResponder(SpiResponder responder, void* context)
{
    g_spiResponder = responder;
    g_spiResponderContext = context;
}

extern "C" int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    const int result = mock("os")
                           .actualCall("ioctl")
                           .withParameter("__fd", fd)
                           .withParameter("__request", request)
                           .returnIntValueOrDefault(-1);
    // Only a transfer that went through brings the sensor's bytes in.
    if (g_spiResponder != nullptr && request == SPI_IOC_MESSAGE(1) && result >= 1)
    {
        const spi_ioc_transfer* t = static_cast<const spi_ioc_transfer*>(argument);
        g_spiResponder(reinterpret_cast<const char*>(static_cast<uintptr_t>(t->tx_buf)),
                       reinterpret_cast<char*>(static_cast<uintptr_t>(t->rx_buf)), t->len, g_spiResponderContext);
    }
    return result;
}

extern "C" int dev_read(int fd, void* buf, unsigned n, unsigned min, unsigned time, unsigned timeout, pid_t proxy,
                        int* armed)
{
    return mock("os")
        .actualCall("dev_read")
        .withParameter("fd", fd)
        .withOutputParameter("buf", buf)
        .withParameter("n", n)
        .withParameter("min", min)
        .withParameter("time", time)
        .withParameter("timeout", timeout)
        .withParameter("proxy", static_cast<int>(proxy))
        .withParameter("armed", static_cast<void*>(armed))
        .returnIntValueOrDefault(-1);
}
