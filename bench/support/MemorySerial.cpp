// The in-memory wire behind the framework's SerialDevice and dev_read. A write
// looks its bytes up among the prepared requests and makes that reply the
// bytes waiting; reads take from them. Nothing allocates after preparation.
#include "MemorySerial.h"

#include <string.h>

#include <vector>

#include "PlatformCalls.h"
#include "SerialDevice.h"

namespace {

struct Exchange
{
    std::string request;
    std::string reply;
};

std::vector<Exchange> exchanges;
const std::string* waiting = nullptr;  // the reply being read
size_t readAt = 0;
uint64_t unanswered = 0;

const int kFd = 3;  // never used as a real descriptor: nothing reaches the kernel

// Up to n waiting bytes into buf; the count.
size_t take(void* buf, size_t n)
{
    if (waiting == nullptr || readAt >= waiting->size())
    {
        unanswered++;
        return 0;
    }
    const size_t k = n < waiting->size() - readAt ? n : waiting->size() - readAt;
    memcpy(buf, waiting->data() + readAt, k);
    readAt += k;
    return k;
}

}  // namespace

void MemorySerial_prepare(const std::string& request, const std::string& reply)
{
    exchanges.push_back({request, reply});
}

uint64_t MemorySerial_unanswered()
{
    return unanswered;
}

extern "C" int dev_read(int, void* buf, unsigned n, unsigned, unsigned, unsigned, pid_t, int* armed)
{
    if (armed != nullptr)
        *armed = 0;
    return static_cast<int>(take(buf, n));
}

const char* SerialDevice::devName()
{
    return "memory";
}

int SerialDevice::getFd()
{
    return kFd;
}

int SerialDevice::write(const char* buf, int nBytes)
{
    waiting = nullptr;
    readAt = 0;
    for (const Exchange& e : exchanges)
        if (e.request.size() == static_cast<size_t>(nBytes) && memcmp(e.request.data(), buf, e.request.size()) == 0)
            waiting = &e.reply;
    if (waiting == nullptr)
        unanswered++;
    return nBytes;
}

void SerialDevice::clearPort()
{
    waiting = nullptr;
}

// Line reads end after a line end, or time out with what there was.
int SerialDevice::readNChars(char* buf, int count, int)
{
    int got = 0;
    while (got < count && take(buf + got, 1) == 1)
    {
        const char c = buf[got++];
        if (c == '\r' || c == '\n')
            return got;
    }
    throw TimedOut(got);
}
