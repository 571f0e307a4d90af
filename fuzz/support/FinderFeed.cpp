#include "FinderFeed.h"

#include <stdlib.h>
#include <string.h>

namespace {

void found(void* userData, AqUartPacket* packet, size_t start)
{
    FinderFeed& feed = *static_cast<FinderFeed*>(userData);
    const std::vector<uint8_t>& stream = *feed.stream;
    // Intact, and the stream's own bytes where the finder says it starts.
    if (packet->length == 0 || start + packet->length > stream.size() ||
        memcmp(packet->data, stream.data() + start, packet->length) != 0 || !AqUartPacket_isValid(packet))
        abort();
    if (AqUartPacket_type(packet) == PACKETTYPE_BINARY &&
        AqUartPacket_computeBinaryPacketLength(packet->data) != packet->length)
        abort();
    if (AqUartPacket_type(packet) == PACKETTYPE_ASCII &&
        (packet->length < 2 || memcmp(packet->data + packet->length - 2, "\r\n", 2) != 0))
        abort();
    feed.reported.push_back({start, packet->length});
    if (feed.onPacket != nullptr)
        feed.onPacket(packet);
}

}  // namespace

FinderFeed::FinderFeed(FuzzReader& in)
{
    const size_t count = in.byte() % 16 + 1;
    for (size_t i = 0; i < count; i++)
        readSizes.push_back(static_cast<size_t>(in.byte()) + 1);
}

void FinderFeed::run(const std::vector<uint8_t>& bytes, void (*handler)(AqUartPacket*))
{
    stream = &bytes;
    onPacket = handler;
    AqUartPacketFinder finder;
    AqUartPacketFinder_initialize(&finder);
    AqUartPacketFinder_registerPacketFoundHandler(&finder, found, this);
    for (size_t at = 0, i = 0; at < bytes.size(); i++)
    {
        const size_t want = readSizes[i % readSizes.size()];
        const size_t n = want < bytes.size() - at ? want : bytes.size() - at;
        uint8_t* read = static_cast<uint8_t*>(malloc(n));
        memcpy(read, bytes.data() + at, n);
        AqUartPacketFinder_processData(&finder, read, n);
        free(read);
        at += n;
    }
}
