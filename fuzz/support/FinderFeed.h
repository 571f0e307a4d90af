// Feeding a byte stream to the packet finder the way the serial port hands it
// over: in reads whose sizes come from the input (cycled), each read an exact
// heap copy so the sanitizers see any access past it. The packets the finder
// reports are kept with their stream index, and each one is checked to be
// intact and to be the stream's own bytes at that index.
#ifndef FUZZ_FINDERFEED_H
#define FUZZ_FINDERFEED_H

#include <stddef.h>
#include <stdint.h>

#include <utility>
#include <vector>

#include "FuzzReader.h"
#include "aq/protocol/upackf.h"

struct FinderFeed
{
    // Reads the read sizes from the input: a count, then one byte per size (1 to 256).
    explicit FinderFeed(FuzzReader& in);

    // Runs the finder over the stream; onPacket (if any) also sees every packet.
    void run(const std::vector<uint8_t>& stream, void (*onPacket)(AqUartPacket* packet) = nullptr);

    std::vector<size_t> readSizes;
    // (stream index, length) of every packet reported, in order.
    std::vector<std::pair<size_t, size_t>> reported;

    const std::vector<uint8_t>* stream = nullptr;
    void (*onPacket)(AqUartPacket* packet) = nullptr;
};

#endif
