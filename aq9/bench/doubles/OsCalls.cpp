// Simulated device calls: each reports its call with named parameters to the
// mock scope "os" and returns what the running scenario scripted. Defined in
// the program itself, they take the place of the C library's at link time.
// close reports only descriptors the simulated open handed out.
#include <linux/spi/spidev.h>
#include <stdarg.h>
#include <stdint.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <termios.h>
#include <unistd.h>

#include "CppUTest/Utest.h"
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

namespace {

// Descriptors the simulated open handed out and not yet closed, with how many
// times each is held (two links may be scripted the same number). Closing one
// of them is the scenario's business; any other descriptor is a real one of
// this program (a test's dup of standard output, say) and is closed for real.
struct Simulated
{
    int fd;
    int held;
};
const int kMaxSimulated = 16;
Simulated g_simulated[kMaxSimulated];

Simulated* findSimulated(int fd)
{
    for (Simulated& s : g_simulated)
    {
        if (s.held > 0 && s.fd == fd)
        {
            return &s;
        }
    }
    return nullptr;
}

void holdSimulated(int fd)
{
    Simulated* s = findSimulated(fd);
    for (int i = 0; s == nullptr && i < kMaxSimulated; i++)
    {
        if (g_simulated[i].held == 0)
        {
            s = &g_simulated[i];
            s->fd = fd;
        }
    }
    if (s != nullptr)
    {
        s->held++;
    }
}

}  // namespace

extern "C" int open(const char* path, int oflag, ...)
{
    const int fd = mock("os")
                       .actualCall("open")
                       .withParameter("__path", path)
                       .withParameter("__oflag", oflag)
                       .returnIntValueOrDefault(-1);
    if (fd >= 0)
    {
        holdSimulated(fd);
    }
    return fd;
}

extern "C" int close(int fd)
{
    Simulated* s = findSimulated(fd);
    if (s == nullptr)
    {
        return static_cast<int>(syscall(SYS_close, fd));
    }
    s->held--;
    // Links close their device from their destructors, where a mock failure
    // thrown on would end the whole program; the failure is already recorded
    // against the running scenario, so it is not thrown any further.
    try
    {
        return mock("os").actualCall("close").withParameter("__fd", fd).returnIntValueOrDefault(0);
    }
    catch (const CppUTestFailedException&)
    {
        return -1;
    }
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
