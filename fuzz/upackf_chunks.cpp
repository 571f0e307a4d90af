// The packet finder on any byte stream, fed in reads whose sizes come from the
// input. Every packet it reports must be intact and the stream's own bytes at
// the index it gives (FinderFeed), and goes through what the UART link does
// with it: every parser of its family on a copy, the link's own parser in
// place, and for a binary packet every field its header announces, and the
// fields of the two polled layouts when it has one of them.
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "FinderFeed.h"
#include "ParserOutputs.h"

#include "AqParserCases.h"

namespace {

void parseCopies(AqUartPacket* packet, AqParserFamily family)
{
    for (const AqParserCase& c : kAqParserCases)
        if (c.family == family)
        {
            std::vector<uint8_t> copy(packet->data, packet->data + packet->length);
            c.run(copy.data(), copy.size());
        }
}

void ascii(AqUartPacket* packet)
{
    if (AqUartPacket_isResponse(packet))
    {
        parseCopies(packet, AQPARSER_UART_RESPONSE);
        // In place, as the link parses a reply inside the finder's bytes.
        vec3f mag, grav;
        AqUartPacket_parseMagneticAndGravityReferenceVectors(packet, &mag, &grav);
    }
    else if (AqUartPacket_isAsciiAsync(packet))
        parseCopies(packet, AQPARSER_UART_ASYNC);
    else if (AqUartPacket_isError(packet))
    {
        parseCopies(packet, AQPARSER_UART_ERROR);
        uint8_t error = 0;
        AqUartPacket_parseError(packet, &error);
    }
}

// Every announced field lies inside the packet, before its CRC.
void binary(AqUartPacket* packet)
{
    const uint8_t groups = AqUartPacket_groups(packet);
    size_t payload = 0;
    for (size_t g = 0, w = 0; g < AQ_BINARY_GROUP_COUNT; g++)
        if (groups & (1u << g))
            payload += AqUartPacket_computeNumOfBytesForBinaryGroupPayload(static_cast<BinaryGroupType>(1u << g),
                                                                          AqUartPacket_groupField(packet, w++));
    const size_t header = 2 + 2 * static_cast<size_t>(__builtin_popcount(groups));
    if (header + payload + 2 != packet->length)
        abort();
    if (AqUartPacket_isCompatible(packet, static_cast<CommonGroup>(0x1528), TIMEGROUP_NONE, IMUGROUP_NONE,
                                  GPSGROUP_NONE, static_cast<AttitudeGroup>(0x0100), INSGROUP_NONE, GPSGROUP_NONE))
    {
        for (int i = 0; i < 4; i++)
            AqUartPacket_extractVec3f(packet);
        AqUartPacket_extractFloat(packet);
        AqUartPacket_extractFloat(packet);
        AqUartPacket_extractUint16(packet);
        AqUartPacket_extractVec3f(packet);
    }
    else if (AqUartPacket_isCompatible(packet, COMMONGROUP_NONE, TIMEGROUP_NONE, static_cast<ImuGroup>(0x003E),
                                       GPSGROUP_NONE, ATTITUDEGROUP_NONE, INSGROUP_NONE, GPSGROUP_NONE))
    {
        for (int i = 0; i < 3; i++)
            AqUartPacket_extractVec3f(packet);
        AqUartPacket_extractFloat(packet);
        AqUartPacket_extractFloat(packet);
    }
    if (packet->curExtractLoc > packet->length - 2)
        abort();
}

void onPacket(AqUartPacket* packet)
{
    if (AqUartPacket_type(packet) == PACKETTYPE_ASCII)
        ascii(packet);
    else
        binary(packet);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzReader in(data, size);
    FinderFeed feed(in);
    feed.run(in.rest(), onPacket);
    return 0;
}
