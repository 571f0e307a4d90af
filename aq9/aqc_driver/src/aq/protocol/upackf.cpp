#include "aq/protocol/upackf.h"

#include <string.h>

namespace
{

const uint8_t ASCII_START = '$';
const uint8_t ASCII_END1 = 0x0D;
const uint8_t ASCII_END2 = 0x0A;
const uint8_t BINARY_SYNC = 0xFA;
// Longest remainder a binary header may announce before it is taken for noise.
const size_t MAX_BINARY_REMAINDER = 600;
const uint8_t UNKNOWN_GROUP_BIT = 0x80;
const uint16_t UNKNOWN_FIELD_BIT = 0x8000;

// State that lives for one call of processData only.
struct Scan
{
    uint8_t* data;
    size_t len;
    bool asciiStartHere;  // the sentence under way began in this call's data
    bool binaryStartHere; // the binary packet under way began in this call's data
};

typedef AqUartPacketFinder Finder;

void dropAllTracking(Finder* f, Scan* s)
{
    AqUartPacketFinder_resetAllTrackingStatus(f);
    s->asciiStartHere = false;
    s->binaryStartHere = false;
}

// Appends data[0..i] to the carried-over beginning, without advancing the append
// location (the end-of-call retention appends the whole call later). A packet
// that would reach the buffer's capacity (reserve bytes short of it) is dropped
// with everything else under way.
bool carryThrough(Finder* f, Scan* s, size_t i, size_t reserve)
{
    if (f->bufferAppendLocation + i + reserve >= f->bufferSize)
    {
        dropAllTracking(f, s);
        return false;
    }
    memcpy(f->receiveBuffer + f->bufferAppendLocation, s->data, i + 1);
    return true;
}

void abandonAscii(Finder* f, Scan* s)
{
    AqUartPacketFinder_resetAsciiStatus(f);
    s->asciiStartHere = false;
    if (!f->binaryCurrentlyBuildingBinaryPacket)
        f->bufferAppendLocation = 0;
}

void abandonBinary(Finder* f, Scan* s)
{
    AqUartPacketFinder_resetBinaryStatus(f);
    s->binaryStartHere = false;
    if (!f->asciiCurrentlyBuildingPacket)
        f->bufferAppendLocation = 0;
}

void completeAscii(Finder* f, Scan* s, size_t i)
{
    const size_t start = f->asciiPossibleStartOfPacketIndex;
    const size_t running = f->asciiRunningDataIndexOfStart;
    if (s->asciiStartHere)
    {
        s->asciiStartHere = false;
        AqUartPacketFinder_processPacket(f, s->data + start, i - start + 1, running);
        return;
    }
    // The sentence fills the buffer up to its last byte at most.
    if (!carryThrough(f, s, i, 0))
        return;
    AqUartPacketFinder_processPacket(f, f->receiveBuffer + start, f->bufferAppendLocation + i - start + 1, running);
}

void trackAscii(Finder* f, Scan* s, size_t i)
{
    const uint8_t b = s->data[i];
    if (b == ASCII_START)
    {
        // A '$' always (re)starts a sentence, even inside an unfinished one.
        AqUartPacketFinder_resetAsciiStatus(f);
        f->asciiCurrentlyBuildingPacket = true;
        f->asciiPossibleStartOfPacketIndex = i;
        f->asciiRunningDataIndexOfStart = f->runningDataIndex;
        s->asciiStartHere = true;
    }
    else if (f->asciiCurrentlyBuildingPacket && b == ASCII_END1)
        f->asciiEndChar1Found = true;
    else if (f->asciiEndChar1Found)
    {
        if (b == ASCII_END2)
            completeAscii(f, s, i);
        else
            abandonAscii(f, s);
    }
}

// A header the sensor cannot send: no group, the undefined group bit 7, or a
// field word with the undefined bit 15. None of them can be sized, so the
// candidate is dropped and the next sync byte gets its chance.
bool groupsByteUsable(uint8_t groups)
{
    return groups != 0 && (groups & UNKNOWN_GROUP_BIT) == 0;
}

bool groupFieldsUsable(const uint8_t* start)
{
    const size_t words = AqUtil_countSetBitsUint8(start[1]);
    for (size_t w = 0; w < words; w++)
        if (AqUtil_extractUint16(reinterpret_cast<const char*>(start + 2 + 2 * w)) & UNKNOWN_FIELD_BIT)
            return false;
    return true;
}

void completeBinaryHeader(Finder* f, Scan* s, size_t i)
{
    const size_t start = f->binaryPossibleStartIndex;
    const uint8_t* header;
    size_t seen;
    if (s->binaryStartHere)
    {
        header = s->data + start;
        seen = i - start + 1;
    }
    else
    {
        if (!carryThrough(f, s, i, 1))
            return;
        header = f->receiveBuffer + start;
        seen = f->bufferAppendLocation - start + i + 1;
    }
    if (!groupFieldsUsable(header))
    {
        abandonBinary(f, s);
        return;
    }
    const size_t remaining = AqUartPacket_computeBinaryPacketLength(header) - seen;
    if (remaining > MAX_BINARY_REMAINDER)
        abandonBinary(f, s);
    else
        f->binaryNumberOfBytesRemainingForCompletePacket = remaining;
}

void completeBinary(Finder* f, Scan* s, size_t i)
{
    const size_t start = f->binaryPossibleStartIndex;
    const size_t running = f->binaryRunningDataIndexOfStart;
    if (s->binaryStartHere)
    {
        AqUartPacketFinder_processPacket(f, s->data + start, i - start + 1, running);
        return;
    }
    if (!carryThrough(f, s, i, 1))
        return;
    AqUartPacketFinder_processPacket(f, f->receiveBuffer + start, f->bufferAppendLocation - start + i + 1, running);
}

// Returns true when this byte was the packet's last (its CRC's low byte).
bool trackBinary(Finder* f, Scan* s, size_t i)
{
    const uint8_t b = s->data[i];
    if (!f->binaryGroupsPresentFound)
    {
        f->binaryGroupsPresentFound = true;
        f->binaryGroupsPresent = b;
        f->binaryNumOfBytesRemainingToHaveAllGroupFields = static_cast<uint8_t>(2 * AqUtil_countSetBitsUint8(b));
        if (!groupsByteUsable(b))
            abandonBinary(f, s);
        return false;
    }
    if (f->binaryNumOfBytesRemainingToHaveAllGroupFields > 0)
    {
        if (--f->binaryNumOfBytesRemainingToHaveAllGroupFields == 0)
            completeBinaryHeader(f, s, i);
        return false;
    }
    if (--f->binaryNumberOfBytesRemainingForCompletePacket > 0)
        return false;
    completeBinary(f, s, i);
    return true;
}

void startBinary(Finder* f, Scan* s, size_t i)
{
    f->binaryCurrentlyBuildingBinaryPacket = true;
    f->binaryPossibleStartIndex = i;
    f->binaryRunningDataIndexOfStart = f->runningDataIndex;
    f->binaryGroupsPresentFound = false;
    f->binaryNumOfBytesRemainingToHaveAllGroupFields = 0;
    f->binaryNumberOfBytesRemainingForCompletePacket = 0;
    s->binaryStartHere = true;
}

// Keeps the unfinished packets' beginnings for the next call, from the earliest
// of them on, so every packet under way stays contiguous in receiveBuffer.
// Starts that were offsets into the data become offsets into receiveBuffer.
void retainUnfinished(Finder* f, Scan* s)
{
    const bool binaryHere = f->binaryCurrentlyBuildingBinaryPacket && s->binaryStartHere;
    const bool asciiHere = f->asciiCurrentlyBuildingPacket && s->asciiStartHere;
    const bool asciiEarlier = f->asciiCurrentlyBuildingPacket && !s->asciiStartHere;
    size_t keepFrom = 0;
    size_t shift = 0;
    // A sentence carried from an earlier call needs every byte of this one.
    if (binaryHere && !asciiEarlier)
        keepFrom = shift = f->binaryPossibleStartIndex;
    if (asciiHere)
    {
        const size_t a = f->asciiPossibleStartOfPacketIndex;
        if (a < keepFrom)
            keepFrom = shift = a;
        else if (!f->binaryCurrentlyBuildingBinaryPacket)
            keepFrom = a;
        f->asciiPossibleStartOfPacketIndex = f->bufferAppendLocation + a - keepFrom;
    }
    if (binaryHere)
        f->binaryPossibleStartIndex = f->binaryPossibleStartIndex - shift + f->bufferAppendLocation;
    // Nothing under way: no offset refers to the buffer, so it starts empty
    // and the next packet that spans reads has the whole capacity.
    if (!f->asciiCurrentlyBuildingPacket && !f->binaryCurrentlyBuildingBinaryPacket)
    {
        f->bufferAppendLocation = 0;
        return;
    }
    const size_t kept = s->len - keepFrom;
    if (f->bufferAppendLocation + kept >= f->bufferSize)
    {
        AqUartPacketFinder_resetAsciiStatus(f);
        AqUartPacketFinder_resetBinaryStatus(f);
        f->bufferAppendLocation = 0;
        return;
    }
    memcpy(f->receiveBuffer + f->bufferAppendLocation, s->data + keepFrom, kept);
    f->bufferAppendLocation += kept;
}

} // namespace

void AqUartPacketFinder_initialize(AqUartPacketFinder* finder)
{
    finder->packetFoundHandler = nullptr;
    finder->packetFoundHandlerUserData = nullptr;
    finder->runningDataIndex = 0;
    finder->bufferSize = AQ_UART_PACKET_FINDER_BUFFER_SIZE;
    finder->bufferAppendLocation = 0;
    AqUartPacketFinder_resetAsciiStatus(finder);
    AqUartPacketFinder_resetBinaryStatus(finder);
}

AqError AqUartPacketFinder_registerPacketFoundHandler(AqUartPacketFinder* finder,
                                                      AqUartPacketFinder_PacketFoundHandler handler,
                                                      void* userData)
{
    if (finder->packetFoundHandler != nullptr)
        return E_INVALID_OPERATION;
    finder->packetFoundHandler = handler;
    finder->packetFoundHandlerUserData = userData;
    return E_NONE;
}

AqError AqUartPacketFinder_processData(AqUartPacketFinder* finder, uint8_t* data, size_t len)
{
    Scan scan = {data, len, false, false};
    for (size_t i = 0; i < len; i++)
    {
        bool binaryJustFinished = false;
        trackAscii(finder, &scan, i);
        if (finder->binaryCurrentlyBuildingBinaryPacket)
            binaryJustFinished = trackBinary(finder, &scan, i);
        // The last byte of a packet never doubles as the next one's sync byte.
        if (data[i] == BINARY_SYNC && !finder->binaryCurrentlyBuildingBinaryPacket && !binaryJustFinished)
            startBinary(finder, &scan, i);
        finder->runningDataIndex++;
    }
    if (len > 0)
        retainUnfinished(finder, &scan);
    return E_NONE;
}

void AqUartPacketFinder_processPacket(AqUartPacketFinder* finder, uint8_t* start, size_t len, size_t running)
{
    AqUartPacket packet;
    AqUartPacket_initialize(&packet, start, len);
    const PacketType type = AqUartPacket_type(&packet);
    if (AqUartPacket_isValid(&packet))
    {
        AqUartPacketFinder_dispatchPacket(finder, &packet, running);
        // An intact packet ends whatever the other tracker was building.
        AqUartPacketFinder_resetAsciiStatus(finder);
        AqUartPacketFinder_resetBinaryStatus(finder);
        finder->bufferAppendLocation = 0;
        return;
    }
    if (type == PACKETTYPE_ASCII)
    {
        AqUartPacketFinder_resetAsciiStatus(finder);
        if (!finder->binaryCurrentlyBuildingBinaryPacket)
            finder->bufferAppendLocation = 0;
        return;
    }
    AqUartPacketFinder_resetBinaryStatus(finder);
    if (!finder->asciiCurrentlyBuildingPacket)
        finder->bufferAppendLocation = 0;
}

void AqUartPacketFinder_dispatchPacket(AqUartPacketFinder* finder, AqUartPacket* packet, size_t running)
{
    if (finder->packetFoundHandler != nullptr)
        finder->packetFoundHandler(finder->packetFoundHandlerUserData, packet, running);
}

void AqUartPacketFinder_resetAsciiStatus(AqUartPacketFinder* finder)
{
    finder->asciiCurrentlyBuildingPacket = false;
    finder->asciiPossibleStartOfPacketIndex = 0;
    finder->asciiEndChar1Found = false;
    finder->asciiRunningDataIndexOfStart = 0;
}

void AqUartPacketFinder_resetBinaryStatus(AqUartPacketFinder* finder)
{
    finder->binaryCurrentlyBuildingBinaryPacket = false;
    finder->binaryGroupsPresentFound = false;
    finder->binaryGroupsPresent = 0;
    finder->binaryNumOfBytesRemainingToHaveAllGroupFields = 0;
    finder->binaryPossibleStartIndex = 0;
    finder->binaryNumberOfBytesRemainingForCompletePacket = 0;
    finder->binaryRunningDataIndexOfStart = 0;
}

void AqUartPacketFinder_resetAllTrackingStatus(AqUartPacketFinder* finder)
{
    if (finder->asciiCurrentlyBuildingPacket)
        AqUartPacketFinder_resetAsciiStatus(finder);
    if (finder->binaryCurrentlyBuildingBinaryPacket)
        AqUartPacketFinder_resetBinaryStatus(finder);
    finder->bufferAppendLocation = 0;
}
