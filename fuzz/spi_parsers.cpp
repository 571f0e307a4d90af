// The SPI frame checks and every SPI parser on arbitrary frames: the link's
// payloadFromRxBuf on a received buffer with any response size, then every
// parser of the generated table (tools/parser_cases.py) on the same bytes.
// The first byte picks the response size; a set bit 0 of the second fixes the
// frame's CRC so the checks behind it are reached.
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "AQ9SpiSensor.h"
#include "Packets.h"
#include "ParserOutputs.h"

#include "AqParserCases.h"

namespace {

// A frame that passed the checks: its payload lies inside the frame, before its CRC.
void checkPayload(AQ9SpiSensor& link, size_t respSize)
{
    const char* p = link._payloadPtr;
    if (p != link._rxBuf + 4 || link._payloadSize + 6 != respSize)
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzReader in(data, size);
    const size_t respSize = in.byte();
    const bool fixCrc = in.byte() & 1;
    AQ9SpiParams params("/dev/spidev0.0");
    AQ9SpiSensor link(&params);
    // The link's own receive buffer: 256 bytes, of which respSize were clocked in.
    in.fill(reinterpret_cast<uint8_t*>(link._rxBuf), sizeof link._rxBuf);
    if (fixCrc && respSize >= 2)
    {
        std::vector<uint8_t> frame(link._rxBuf, link._rxBuf + respSize - 2);
        fuzzAppendCrc(frame, 0);
        memcpy(link._rxBuf, frame.data(), respSize);
    }
    link._payloadPtr = nullptr;
    if (link.payloadFromRxBuf(link._rxBuf, respSize, link._cmdId, link._arg1, link._payloadPtr, link._payloadSize) ==
        E_NONE)
        checkPayload(link, respSize);
    for (const AqParserCase& c : kAqParserCases)
        if (c.family == AQPARSER_SPI)
        {
            // Parsers read the frame at fixed offsets: each gets the 256 bytes the link holds.
            std::vector<uint8_t> frame(link._rxBuf, link._rxBuf + sizeof link._rxBuf);
            c.run(frame.data(), frame.size());
        }
    return 0;
}
