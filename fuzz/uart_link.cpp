// The UART link against a scripted sensor (support/Wire.cpp): every operation
// the driver asks of it, with replies, errors, noise, silence and port
// failures in any order; the byte-exact binary record read into buffers of
// every size; and the packet-found handler on packets nobody waits for.
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "AQ9UartSensor.h"
#include "LinkOperations.h"
#include "Packets.h"
#include "Script.h"
#include "aq/protocol/upack.h"

namespace {

bool anyFlagRaised(const AQ9UartSensor& s)
{
    for (const bool* f = &s.gIsCheckingForModelNumberResponse; f <= &s.gIsCheckingForKnownMagneticDisturbanceResponse;
         f++)
        if (*f)
            return true;
    return false;
}

// A record read into exactly bufSize bytes is whole and starts at its sync byte.
void readRecord(AQ9UartSensor& link, FuzzReader& in)
{
    const size_t bufSize = in.byte() + (in.byte() & 1);  // 0 to 256
    std::vector<char> buf(bufSize > 0 ? bufSize : 1);
    const int n = link.retrieveUartBinaryRecords(buf.data(), bufSize);
    if (n < 0 || static_cast<size_t>(n) > bufSize)
        abort();
    if (n > 0 && (static_cast<uint8_t>(buf[0]) != 0xFA ||
                  AqUartPacket_computeBinaryPacketLength(reinterpret_cast<uint8_t*>(buf.data())) != size_t(n)))
        abort();
}

// An intact packet handed to the handler outside any operation, as the
// packet finder would hand it.
void strayPacket(FuzzReader& in)
{
    std::vector<uint8_t> bytes;
    if (in.byte() & 1)
        bytes = fuzzAnyBinaryPacket(in, 616);
    else
    {
        const std::string s = fuzzSentence(fuzzFieldText(in, in.byte()), static_cast<FuzzCheck>(in.byte() % 3), false);
        bytes.assign(s.begin(), s.end());
    }
    if (bytes.empty())
        return;
    AqUartPacket packet;
    AqUartPacket_initialize(&packet, bytes.data(), bytes.size());
    AQ9UartSensor::packetFoundHandler(nullptr, &packet, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzReader in(data, size);
    fuzzSetScript(&in);
    {
        SerialDevice port;
        AQ9UartSensor link(&port);
        link.initIface();
        for (int step = 0; step < 64 && !in.empty(); step++)
        {
            const size_t op = in.byte() % (kLinkOperationCount + 3);
            if (op < kLinkOperationCount)
                kLinkOperations[op].run(link, in);
            else if (op == kLinkOperationCount)
                readRecord(link, in);
            else if (op == kLinkOperationCount + 1)
                link.processAsciiRecords();
            else
                strayPacket(in);
            checkLinkState(link);
            // Answered or given up, no operation is left waiting.
            if (anyFlagRaised(link) || link._awaited.code[0] != '\0')
                abort();
        }
    }
    fuzzSetScript(nullptr);
    return 0;
}
