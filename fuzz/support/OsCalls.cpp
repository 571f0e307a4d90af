// Stand-ins of the device calls the links make, defined in the fuzz program so
// they take the place of the C library's. The SPI node ("/dev/spidev...") and
// its descriptor are scripted; every other open and ioctl goes to the kernel
// unchanged, so the fuzzer's own file handling is untouched.
#include <fcntl.h>
#include <linux/spi/spidev.h>
#include <stdarg.h>
#include <string.h>
#include <sys/syscall.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <vector>

#include "Packets.h"
#include "PlatformCalls.h"
#include "Script.h"

namespace {

enum Transfer
{
    TRANSFER_FAILS,    // ioctl returns -1
    TRANSFER_NOTHING,  // ioctl returns 0
    TRANSFER_RAW,      // the received bytes come from the script
    TRANSFER_SILENT,   // a silent bus: all zeros
    TRANSFER_ECHO,     // a frame echoing the request's command and register, good CRC
    TRANSFER_FRAME,    // a frame with header bytes from the script, good CRC
    TRANSFER_COUNT
};

// The sensor's side of one full-duplex transfer of tr->len bytes.
int transfer(const spi_ioc_transfer* tr)
{
    FuzzReader* in = fuzzScript();
    const size_t len = tr->len;
    uint8_t* rx = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(tr->rx_buf));
    const uint8_t* tx = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(tr->tx_buf));
    const uint8_t kind = in != nullptr ? in->byte() % TRANSFER_COUNT : TRANSFER_SILENT;
    if (kind == TRANSFER_FAILS)
        return -1;
    if (kind == TRANSFER_NOTHING)
        return 0;
    if (kind == TRANSFER_RAW)
        in->fill(rx, len);
    else if (kind == TRANSFER_SILENT || len < 6)
        memset(rx, 0, len);
    else
    {
        std::vector<uint8_t> frame(4);
        frame[0] = 0;
        // A request starts with its command and register; the response echoes them after a zero.
        frame[1] = kind == TRANSFER_ECHO ? tx[0] : in->byte();
        frame[2] = kind == TRANSFER_ECHO ? tx[1] : in->byte();
        frame[3] = kind == TRANSFER_ECHO ? 0 : in->byte();
        frame.resize(len - 2);
        in->fill(frame.data() + 4, len - 6);
        fuzzAppendCrc(frame, 0);
        memcpy(rx, frame.data(), len);
    }
    return static_cast<int>(len);
}

}  // namespace

extern "C" int open(const char* path, int flags, ...)
{
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE))
    {
        va_list args;
        va_start(args, flags);
        mode = static_cast<mode_t>(va_arg(args, int));
        va_end(args);
    }
    if (strncmp(path, "/dev/spidev", 11) == 0)
    {
        FuzzReader* in = fuzzScript();
        return in != nullptr && in->byte() % 16 == 15 ? -1 : kFuzzSpiFd;
    }
    return static_cast<int>(syscall(SYS_openat, AT_FDCWD, path, flags, mode));
}

extern "C" int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    if (fd != kFuzzSpiFd)
        return static_cast<int>(syscall(SYS_ioctl, fd, request, argument));
    if (request == SPI_IOC_MESSAGE(1))
        return transfer(static_cast<const spi_ioc_transfer*>(argument));
    // A setting the controller refuses, now and then.
    FuzzReader* in = fuzzScript();
    return in != nullptr && in->byte() % 16 == 15 ? -1 : 0;
}

extern "C" int usleep(useconds_t)
{
    return 0;
}

extern "C" int tcgetattr(int, struct termios* t)
{
    memset(t, 0, sizeof *t);
    return 0;
}

extern "C" int tcsetattr(int, int, const struct termios*)
{
    return 0;
}

// Returns once min bytes have arrived (at least one is waited for), on a
// time-out with what came, or -1 when the port failed before any byte.
extern "C" int dev_read(int, void* buf, unsigned n, unsigned min, unsigned, unsigned, pid_t, int*)
{
    uint8_t* out = static_cast<uint8_t*>(buf);
    const unsigned want = min > 0 ? min : 1;
    unsigned got = 0;
    while (got < n && got < want)
    {
        bool ended = false;
        const int r = fuzzWire_read(out + got, n - got, false, &ended);
        if (r < 0)
            return got > 0 ? static_cast<int>(got) : -1;
        if (r == 0)
            break;
        got += static_cast<unsigned>(r);
    }
    return static_cast<int>(got);
}
