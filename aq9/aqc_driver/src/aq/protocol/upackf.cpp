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
// Sync byte, groups byte and a field word for each of the seven groups.
const size_t MAX_BINARY_HEADER = 2 + 2 * AQ_BINARY_GROUP_COUNT;
const uint8_t UNKNOWN_GROUP_BIT = 0x80;
const uint16_t UNKNOWN_FIELD_BIT = 0x8000;
const size_t NONE = static_cast<size_t>(-1);

typedef AqUartPacketFinder Finder;

// One call of processData: the read, and where it sits behind the held bytes.
struct Scan
{
    uint8_t* data;
    size_t len;
    size_t held;       // bytes in receiveBuffer when the call began; data[0] is at this offset
    size_t streamBase; // stream index of offset 0
};

// A binary candidate's verdict.
enum Verdict
{
    FAILED,  // not a packet (or judged before); the search goes on at the next byte
    WAITING, // its bytes have not all arrived
    INTACT   // dispatched
};

uint8_t byteAt(const Finder* f, const Scan* s, size_t k)
{
    return k < s->held ? f->receiveBuffer[k] : s->data[k - s->held];
}

// n contiguous bytes from offset k: in place when they lie in the read, else in
// the buffer with the read's first bytes placed behind the held ones (always
// the same bytes at the same place, whoever asks). Null when a packet that
// long cannot span reads. The held bytes number fewer than bufferSize, so the
// buffer's second half always has room for the rest.
uint8_t* assemble(Finder* f, Scan* s, size_t k, size_t n)
{
    if (k >= s->held)
        return s->data + (k - s->held);
    if (n > f->bufferSize)
        return nullptr;
    const size_t end = k + n;
    if (end > s->held)
        memcpy(f->receiveBuffer + s->held, s->data, end - s->held);
    return f->receiveBuffer + k;
}

// Offset of the first sync byte in [from, end), or NONE.
size_t findSync(const Finder* f, const Scan* s, size_t from, size_t end)
{
    if (from < s->held)
    {
        const size_t stop = end < s->held ? end : s->held;
        const void* hit = memchr(f->receiveBuffer + from, BINARY_SYNC, stop - from);
        if (hit != nullptr)
            return static_cast<size_t>(static_cast<const uint8_t*>(hit) - f->receiveBuffer);
        from = s->held;
    }
    if (from >= end)
        return NONE;
    const void* hit = memchr(s->data + (from - s->held), BINARY_SYNC, end - from);
    return hit == nullptr ? NONE : static_cast<size_t>(static_cast<const uint8_t*>(hit) - s->data) + s->held;
}

// A header the sensor cannot send: no group, the undefined group bit 7, or a
// field word with the undefined bit 15. None of them can be sized.
bool groupsByteUsable(uint8_t groups)
{
    return groups != 0 && (groups & UNKNOWN_GROUP_BIT) == 0;
}

bool groupFieldsUsable(const uint8_t* header)
{
    const size_t words = AqUtil_countSetBitsUint8(header[1]);
    for (size_t w = 0; w < words; w++)
        if (AqUtil_extractUint16(reinterpret_cast<const char*>(header + 2 + 2 * w)) & UNKNOWN_FIELD_BIT)
            return false;
    return true;
}

// Length of the candidate at offset k from its header, with bytes up to end
// available; 0 when the header refuses it, NONE while the header is incomplete.
size_t candidateLength(const Finder* f, const Scan* s, size_t k, size_t end)
{
    uint8_t header[MAX_BINARY_HEADER];
    header[0] = BINARY_SYNC;
    if (end - k < 2)
        return NONE;
    header[1] = byteAt(f, s, k + 1);
    if (!groupsByteUsable(header[1]))
        return 0;
    const size_t headerLength = 2 + 2 * AqUtil_countSetBitsUint8(header[1]);
    if (end - k < headerLength)
        return NONE;
    for (size_t j = 2; j < headerLength; j++)
        header[j] = byteAt(f, s, k + j);
    if (!groupFieldsUsable(header))
        return 0;
    const size_t length = AqUartPacket_computeBinaryPacketLength(header);
    return length - headerLength > MAX_BINARY_REMAINDER ? 0 : length;
}


// Judges the candidate whose sync byte is at offset k, with bytes up to end.
Verdict judgeCandidate(Finder* f, Scan* s, size_t k, size_t end, size_t* length)
{
    const size_t n = candidateLength(f, s, k, end);
    if (n == NONE)
        return WAITING;
    if (n == 0)
        return FAILED;
    *length = n;
    if (k + n > end)
        // It will have to be assembled in the buffer from its sync byte on.
        return n <= f->bufferSize ? WAITING : FAILED;
    // All its bytes were held already when an earlier read judged it.
    if (k + n <= s->held)
        return FAILED;
    uint8_t* p = assemble(f, s, k, n);
    if (p == nullptr || !AqUartPacketFinder_processPacket(f, p, n, s->streamBase + k))
        return FAILED;
    // A sentence begun before the packet's end was a '$' in noise or in the payload.
    if (f->asciiCurrentlyBuildingPacket && f->asciiPossibleStartOfPacketIndex < k + n)
        AqUartPacketFinder_resetAsciiStatus(f);
    return INTACT;
}

// Judges every candidate from binarySearchIndex on whose sync byte lies before
// end, against the bytes before end. With mayWait, a candidate short of bytes
// waits for the next read; without (an intact sentence begins at end), it
// overlaps that sentence and is dropped.
void judgeBinary(Finder* f, Scan* s, size_t end, bool mayWait)
{
    size_t waiting = NONE;
    size_t k = f->binarySearchIndex;
    while (k < end && (k = findSync(f, s, k, end)) != NONE)
    {
        size_t length = 0;
        const Verdict v = judgeCandidate(f, s, k, end, &length);
        if (v == INTACT)
        {
            // Whatever waited before it overlaps it.
            waiting = NONE;
            k += length;
            continue;
        }
        if (v == WAITING && mayWait && waiting == NONE)
            waiting = k;
        k++;
    }
    if (waiting != NONE)
        f->binarySearchIndex = waiting;
    else if (f->binarySearchIndex < end)
        f->binarySearchIndex = end;
}

// The sentence from its '$' to the line feed at offset e is complete.
void completeAscii(Finder* f, Scan* s, size_t e)
{
    const size_t a = f->asciiPossibleStartOfPacketIndex;
    const size_t n = e - a + 1;
    AqUartPacketFinder_resetAsciiStatus(f);
    uint8_t* p = assemble(f, s, a, n);
    if (p == nullptr)
        return; // longer than the buffer can assemble
    AqUartPacket packet;
    AqUartPacket_initialize(&packet, p, n);
    if (!AqUartPacket_isValid(&packet))
        return;
    // Binary packets before the sentence come first, in stream order.
    judgeBinary(f, s, a, false);
    AqUartPacketFinder_dispatchPacket(f, &packet, s->streamBase + a);
    if (f->binarySearchIndex < e + 1)
        f->binarySearchIndex = e + 1;
}

void trackAscii(Finder* f, Scan* s, size_t i)
{
    const uint8_t b = s->data[i];
    if (b == ASCII_START)
    {
        // A '$' always (re)starts a sentence, even inside an unfinished one.
        AqUartPacketFinder_resetAsciiStatus(f);
        f->asciiCurrentlyBuildingPacket = true;
        f->asciiPossibleStartOfPacketIndex = s->held + i;
    }
    else if (f->asciiCurrentlyBuildingPacket && b == ASCII_END1)
        f->asciiEndChar1Found = true;
    else if (f->asciiEndChar1Found)
    {
        if (b == ASCII_END2)
            completeAscii(f, s, s->held + i);
        else
            AqUartPacketFinder_resetAsciiStatus(f);
    }
}

// Keeps the stream from the earliest unfinished candidate on, as the buffer's
// new beginning, and moves every offset with it.
void retainUnfinished(Finder* f, Scan* s)
{
    const size_t total = s->held + s->len;
    size_t keepFrom = f->binarySearchIndex;
    if (f->asciiCurrentlyBuildingPacket)
    {
        const size_t a = f->asciiPossibleStartOfPacketIndex;
        // Its line feed would come after the buffer's last byte. (A waiting
        // binary candidate never needs that much: it fits or it failed.)
        if (total - a >= f->bufferSize)
            AqUartPacketFinder_resetAsciiStatus(f);
        else if (a < keepFrom)
            keepFrom = a;
    }
    const size_t kept = total - keepFrom;
    if (keepFrom < s->held)
    {
        memmove(f->receiveBuffer, f->receiveBuffer + keepFrom, s->held - keepFrom);
        memcpy(f->receiveBuffer + (s->held - keepFrom), s->data, s->len);
    }
    else
        memcpy(f->receiveBuffer, s->data + (keepFrom - s->held), kept);
    f->bufferAppendLocation = kept;
    f->binarySearchIndex -= keepFrom;
    if (f->asciiCurrentlyBuildingPacket)
        f->asciiPossibleStartOfPacketIndex -= keepFrom;
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
    if (len == 0)
        return E_NONE;
    const size_t held = finder->bufferAppendLocation;
    Scan scan = {data, len, held, finder->runningDataIndex - held};
    for (size_t i = 0; i < len; i++)
    {
        // Idle: only a '$' matters, so skip to the next one.
        if (!finder->asciiCurrentlyBuildingPacket)
        {
            const void* hit = memchr(data + i, ASCII_START, len - i);
            if (hit == nullptr)
                break;
            i = static_cast<size_t>(static_cast<const uint8_t*>(hit) - data);
        }
        trackAscii(finder, &scan, i);
    }
    judgeBinary(finder, &scan, held + len, true);
    retainUnfinished(finder, &scan);
    finder->runningDataIndex += len;
    return E_NONE;
}

bool AqUartPacketFinder_processPacket(AqUartPacketFinder* finder, uint8_t* start, size_t len, size_t running)
{
    AqUartPacket packet;
    AqUartPacket_initialize(&packet, start, len);
    if (!AqUartPacket_isValid(&packet))
        return false;
    AqUartPacketFinder_dispatchPacket(finder, &packet, running);
    return true;
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
}

void AqUartPacketFinder_resetBinaryStatus(AqUartPacketFinder* finder)
{
    // Every held byte counts as judged: no candidate waits any more.
    finder->binarySearchIndex = finder->bufferAppendLocation;
}

void AqUartPacketFinder_resetAllTrackingStatus(AqUartPacketFinder* finder)
{
    AqUartPacketFinder_resetAsciiStatus(finder);
    finder->bufferAppendLocation = 0;
    AqUartPacketFinder_resetBinaryStatus(finder);
}
