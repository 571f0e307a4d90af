#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "aq/protocol/upackf.h"
#include "upackTestBytes.h"

#include "CppUTest/TestHarness.h"

// Allocation probe: every heap allocation of the process passes through it,
// operator new included (the test framework's and the standard library's both
// end in malloc). Counting happens only while armed. Without the sanitizers the
// C allocator's entry points are replaced by forwarders to the C library's own
// allocator; under the address sanitizer its allocation hook is used instead.
namespace
{
volatile bool allocationProbeArmed = false;
volatile size_t allocationsSeen = 0;

void countAllocation()
{
    if (allocationProbeArmed)
        allocationsSeen = allocationsSeen + 1;
}
} // namespace

#if defined(__SANITIZE_ADDRESS__)
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*, size_t),
                                                         void (*freeHook)(const volatile void*));
namespace
{
void onSanitizerAlloc(const volatile void*, size_t)
{
    countAllocation();
}
void onSanitizerFree(const volatile void*) {}
void installAllocationProbe()
{
    static bool installed = false;
    if (!installed)
        __sanitizer_install_malloc_and_free_hooks(onSanitizerAlloc, onSanitizerFree);
    installed = true;
}
} // namespace
#else
#undef malloc
#undef calloc
#undef realloc
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* ptr, size_t size);
extern "C" void* malloc(size_t size) noexcept
{
    countAllocation();
    return __libc_malloc(size);
}
extern "C" void* calloc(size_t count, size_t size) noexcept
{
    countAllocation();
    return __libc_calloc(count, size);
}
extern "C" void* realloc(void* ptr, size_t size) noexcept
{
    countAllocation();
    return __libc_realloc(ptr, size);
}
namespace
{
void installAllocationProbe() {}
} // namespace
#endif

namespace
{

const Bytes RECORD_78 = fromHex(RECORD_78_HEX);
const Bytes RECORD_50 = fromHex(RECORD_50_HEX);

const std::string BODY = "$AQRRG,08,+010.071,-002.342,+001.120";
const Bytes SENTENCE_CHECKSUM = text(BODY + "*5E\r\n");
const Bytes SENTENCE_CRC = text(BODY + "*FC9B\r\n");
const Bytes SENTENCE_XX = text("$AQRRG,05,115200*XX\r\n");

// A bare-XX sentence of exactly length bytes.
Bytes sentenceOfLength(size_t length)
{
    std::string s = "$AQWRG,99,";
    s += std::string(length - s.size() - 5, 'A');
    return text(s + "*XX\r\n");
}

// Time, GPS, attitude and INS groups whose header announces 600 bytes after it
// (601 with timeStatus added to the time group); zero payload.
Bytes packetAnnouncing(size_t remainder)
{
    const uint16_t time = remainder == 600 ? 0x0080 : 0x0280;
    Bytes b = {0x3A, static_cast<uint8_t>(time), static_cast<uint8_t>(time >> 8), 0xFF, 0x3F, 0xFF, 0x0F, 0xFF, 0x1F};
    b.resize(b.size() + remainder - 2, 0);
    return binaryPacket(b);
}

// A yaw-pitch-roll packet whose last CRC byte is 0xFA.
Bytes packetEndingInSync()
{
    for (uint16_t seed = 0;; seed++)
    {
        Bytes b = {0x01, 0x08, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x01, 0x02, 0x03,
                   static_cast<uint8_t>(seed), static_cast<uint8_t>(seed >> 8)};
        Bytes p = binaryPacket(b);
        if (p.back() == 0xFA)
            return p;
    }
}

// The first four bytes of an INS-group packet of at least length bytes (up to
// 268): a false start that waits that long for its bytes.
Bytes headerAnnouncing(size_t length)
{
    for (unsigned word = 1; word < 0x8000; word++)
    {
        Bytes h = {0xFA, 0x20, static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8)};
        if (AqUartPacket_computeBinaryPacketLength(h.data()) >= length)
            return h;
    }
    return Bytes();
}

Bytes noise(size_t n)
{
    Bytes b;
    for (size_t i = 0; i < n; i++)
        b.push_back(static_cast<uint8_t>(0x30 + (i * 7) % 0x40)); // no '$', 0xFA or line end
    return b;
}

// A stream and the packets the finder must report in it.
struct Stream
{
    Bytes bytes;
    std::vector<std::pair<size_t, size_t>> expected; // stream index, length

    Stream& good(const Bytes& packet)
    {
        expected.push_back(std::make_pair(bytes.size(), packet.size()));
        return junk(packet);
    }
    Stream& junk(const Bytes& b)
    {
        for (uint8_t x : b)
            bytes.push_back(x);
        return *this;
    }
};

enum Where
{
    IN_CHUNK,
    IN_BUFFER,
    OUTSIDE
};

struct Found
{
    size_t index;
    Bytes bytes;
    Where where;
    size_t cursor;
};

struct Recorder
{
    AqUartPacketFinder* finder;
    const uint8_t* chunk;
    size_t chunkLen;
    std::vector<Found> found;
};

bool inside(const uint8_t* p, size_t n, const uint8_t* area, size_t areaLen)
{
    return p >= area && p + n <= area + areaLen;
}

void record(void* userData, AqUartPacket* packet, size_t index)
{
    Recorder* r = static_cast<Recorder*>(userData);
    Where where = OUTSIDE;
    if (inside(packet->data, packet->length, r->chunk, r->chunkLen))
        where = IN_CHUNK;
    else if (inside(packet->data, packet->length, r->finder->receiveBuffer, sizeof r->finder->receiveBuffer))
        where = IN_BUFFER;
    r->found.push_back({index, Bytes(packet->data, packet->data + packet->length), where, packet->curExtractLoc});
}

// Chunk sizes for the stream: the given sizes in turn, the rest in one last chunk.
std::vector<size_t> chunking(size_t total, const std::vector<size_t>& sizes)
{
    std::vector<size_t> out;
    size_t used = 0;
    for (size_t s : sizes)
        if (used + s < total)
        {
            out.push_back(s);
            used += s;
        }
    out.push_back(total - used);
    return out;
}

} // namespace

TEST_GROUP(upackf)
{
    // The finder sits right before a marker so that any write past its buffer shows.
    struct Guarded
    {
        AqUartPacketFinder finder;
        uint8_t marker[32];
    } g;
    Recorder rec;

    void setup()
    {
        memset(g.marker, 0xA5, sizeof g.marker);
        AqUartPacketFinder_initialize(&g.finder);
        rec.finder = &g.finder;
        rec.chunk = nullptr;
        rec.chunkLen = 0;
        LONGS_EQUAL(E_NONE, AqUartPacketFinder_registerPacketFoundHandler(&g.finder, record, &rec));
    }

    void teardown()
    {
        for (uint8_t m : g.marker)
            BYTES_EQUAL(0xA5, m);
    }

    // Each chunk travels in its own exact-size allocation so that the sanitizers
    // see any read or write past the caller's data.
    void feed(const Bytes& stream, const std::vector<size_t>& sizes)
    {
        size_t at = 0;
        for (size_t n : chunking(stream.size(), sizes))
        {
            uint8_t* chunk = static_cast<uint8_t*>(malloc(n == 0 ? 1 : n));
            memcpy(chunk, stream.data() + at, n);
            rec.chunk = chunk;
            rec.chunkLen = n;
            LONGS_EQUAL(E_NONE, AqUartPacketFinder_processData(&g.finder, chunk, n));
            free(chunk);
            at += n;
        }
    }

    void restart()
    {
        setup();
        rec.found.clear();
    }

    void checkFound(const Stream& s, const std::string& label, bool inPlace)
    {
        LONGS_EQUAL_TEXT(s.expected.size(), rec.found.size(), (label + ": callbacks").c_str());
        for (size_t k = 0; k < s.expected.size(); k++)
        {
            const Found& f = rec.found[k];
            const std::string what = label + ": packet " + std::to_string(k);
            const size_t index = s.expected[k].first;
            const Bytes want(s.bytes.begin() + index, s.bytes.begin() + index + s.expected[k].second);
            LONGS_EQUAL_TEXT(index, f.index, (what + " index").c_str());
            CHECK_TEXT(want == f.bytes, (what + " bytes").c_str());
            CHECK_TEXT(f.where != OUTSIDE, (what + " view outside chunk and buffer").c_str());
            CHECK_TEXT(!inPlace || f.where == IN_CHUNK, (what + " copied although whole in one chunk").c_str());
            LONGS_EQUAL_TEXT(0, f.cursor, (what + " cursor").c_str());
        }
    }
};

TEST(upackf, table_of_streams)
{
    // A packet without its sync byte: valid only if a stray 0xFA just before it were taken as one.
    const Bytes ypr = binaryPacket({0x01, 0x08, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    const Bytes syncless(ypr.begin() + 1, ypr.end());
    struct Row
    {
        const char* label;
        Stream stream;
        std::vector<size_t> chunks; // empty: the whole stream in one call
    } rows[] = {
        {"sentence in one chunk", Stream().good(SENTENCE_CHECKSUM), {}},
        {"two sentences in one chunk", Stream().good(SENTENCE_CHECKSUM).good(SENTENCE_CRC), {}},
        {"record, sentence, record back to back", Stream().good(RECORD_78).good(SENTENCE_XX).good(RECORD_50), {}},
        {"noise between packets",
         Stream().junk(noise(9)).good(SENTENCE_CRC).junk(noise(3)).good(RECORD_78).junk(noise(40)).good(RECORD_50),
         {}},
        {"wrong checksum, then a good sentence", Stream().junk(text(BODY + "*5F\r\n")).good(SENTENCE_CHECKSUM), {}},
        {"truncated sentence restarted by the next $", Stream().junk(text("$AQRRG,08,+01")).good(SENTENCE_CRC), {}},
        {"carriage return then another byte abandons", Stream().junk(text("$AQXX\rXX\r\n")).good(SENTENCE_XX), {}},
        {"CR CR LF ends an (invalid) sentence", Stream().junk(text("$ABXX\r\r\n")).good(SENTENCE_XX), {}},
        {"sync byte inside a sentence", Stream().good(text("$AB\xFAXX\r\n")).good(RECORD_50), {}},
        {"groups byte 0 does not block", Stream().junk({0xFA, 0x00}).good(RECORD_78), {}},
        {"doubled sync byte", Stream().junk({0xFA}).good(RECORD_78), {}},
        {"group bit 7 is no group", Stream().junk({0xFA, 0x81, 0x00, 0x00, 0x00, 0x00}).good(RECORD_50), {}},
        {"field bit 15 has no size", Stream().junk({0xFA, 0x01, 0x00, 0x80}).good(RECORD_78), {}},
        {"600 announced bytes accepted in one chunk", Stream().good(packetAnnouncing(600)), {}},
        {"601 announced bytes refused", Stream().junk(packetAnnouncing(601)).good(SENTENCE_XX), {}},
        {"last CRC byte 0xFA starts nothing", Stream().good(packetEndingInSync()).junk(syncless), {}},
        {"stream index keeps counting across calls", Stream().junk(noise(1000)).good(SENTENCE_CHECKSUM), {1000}},
        {"packet after a noise-only read has the whole buffer", Stream().junk(noise(200)).good(RECORD_78), {200, 30}},
        {"split sentence of 256 bytes fits", Stream().good(sentenceOfLength(256)), {100}},
        {"split sentence of 257 bytes dropped", Stream().junk(sentenceOfLength(257)).good(SENTENCE_CRC), {100}},
        {"unfinished sentence too long to carry", Stream().junk(sentenceOfLength(300)).good(SENTENCE_XX), {260}},
        {"split 610-byte packet dropped", Stream().junk(packetAnnouncing(600)).good(RECORD_50), {300}},
        {"sentence carried while a record starts", Stream().junk(text("$AQRRG,0")).good(RECORD_78).good(SENTENCE_XX),
         {5, 40}},
        // An unfinished false start keeps its bytes in front of a packet that
        // spans reads; the packet still fits behind them.
        {"record behind a 206-byte false sentence", Stream().junk(text("$AQRRG")).junk(noise(200)).good(RECORD_78),
         {240}},
        {"sentence behind a 200-byte false record",
         Stream().junk(headerAnnouncing(230)).junk(noise(196)).good(SENTENCE_CRC), {220}},
    };
    for (const Row& row : rows)
    {
        restart();
        feed(row.stream.bytes, row.chunks);
        checkFound(row.stream, row.label, row.chunks.empty());
    }
}

TEST(upackf, same_stream_split_anywhere_gives_the_same_packets)
{
    struct Row
    {
        const char* label;
        Stream stream;
    } rows[] = {
        {"binary output 1 record", Stream().junk({0x01, 0x02}).good(RECORD_78)},
        {"binary output 2 record", Stream().good(RECORD_50).junk({0x03})},
        {"sentence with CRC-16", Stream().junk(noise(5)).good(SENTENCE_CRC)},
        {"mixed traffic", Stream().good(SENTENCE_CHECKSUM).junk(noise(7)).good(RECORD_50).good(SENTENCE_XX)},
        {"sync byte inside a sentence", Stream().good(text("$AQ\xFA""12XX\r\n"))},
    };
    for (const Row& row : rows)
    {
        const size_t n = row.stream.bytes.size();
        for (size_t cut = 1; cut < n; cut++)
        {
            restart();
            feed(row.stream.bytes, {cut});
            checkFound(row.stream, std::string(row.label) + " cut at " + std::to_string(cut), false);
        }
        for (size_t cut1 = 1; cut1 < n; cut1++)
            for (size_t cut2 = 1; cut1 + cut2 < n; cut2++)
            {
                restart();
                feed(row.stream.bytes, {cut1, cut2});
                const std::string cuts = std::to_string(cut1) + "+" + std::to_string(cut2);
                checkFound(row.stream, std::string(row.label) + " cuts " + cuts, false);
            }
        restart();
        feed(row.stream.bytes, std::vector<size_t>(n, 1));
        checkFound(row.stream, std::string(row.label) + " one byte per call", false);
        for (const Found& f : rec.found)
            LONGS_EQUAL_TEXT(IN_BUFFER, f.where, row.label);
    }
}

TEST(upackf, a_false_start_hides_no_packet_behind_it)
{
    // What a stray sync byte in noise may seem to begin. Each swallows the real
    // packets behind it unless the search resumes right after the stray byte.
    const Bytes announces600 = packetAnnouncing(600);
    struct Row
    {
        const char* label;
        Bytes falseStart;
    } rows[] = {
        {"sync byte alone", {0xFA}},
        {"common group, field word from what follows", {0xFA, 0x01}},
        {"raw record header without its body", {0xFA, 0x04, 0x3E, 0x00}},
        {"header announcing 600 bytes", Bytes(announces600.begin(), announces600.begin() + 10)},
    };
    for (const Row& row : rows)
        for (size_t gap = 0; gap <= 12; gap++)
        {
            Stream s;
            s.junk(row.falseStart).junk(noise(gap)).good(RECORD_78).good(SENTENCE_CRC).good(RECORD_50);
            const std::string label = std::string(row.label) + ", gap " + std::to_string(gap);
            restart();
            feed(s.bytes, {});
            checkFound(s, label + ", one read", false);
            for (size_t cut = 1; cut < s.bytes.size(); cut++)
            {
                restart();
                feed(s.bytes, {cut});
                checkFound(s, label + ", cut at " + std::to_string(cut), false);
            }
            restart();
            feed(s.bytes, std::vector<size_t>(s.bytes.size(), 1));
            checkFound(s, label + ", one byte per read", false);
        }
}

TEST(upackf, hostile_streams_only_yield_intact_packets_from_the_stream)
{
    // Random bytes rich in framing characters, around real packets, in random reads:
    // whatever is reported must pass its check, lie in the caller's data or the
    // buffer, and be exactly the stream's bytes at the reported index.
    std::mt19937 rng(4);
    const uint8_t framing[] = {'$', 0xFA, '\r', '\n', 'X', '*', 0x00, 0x01};
    size_t reported = 0;
    for (int round = 0; round < 300; round++)
    {
        restart();
        Bytes stream;
        while (stream.size() < 700)
        {
            const unsigned pick = rng() % 8;
            const Bytes part = pick == 0 ? RECORD_78 : pick == 1 ? RECORD_50 : pick == 2 ? SENTENCE_CRC : Bytes();
            stream.insert(stream.end(), part.begin(), part.end());
            for (unsigned k = rng() % 6; k > 0; k--)
                stream.push_back(rng() % 2 ? framing[rng() % sizeof framing] : static_cast<uint8_t>(rng()));
        }
        std::vector<size_t> sizes;
        for (size_t used = 0; used < stream.size(); used += sizes.back())
            sizes.push_back(1 + rng() % 300);
        feed(stream, sizes);
        for (const Found& f : rec.found)
        {
            AqUartPacket p;
            Bytes copy = f.bytes;
            AqUartPacket_initialize(&p, copy.data(), copy.size());
            CHECK(AqUartPacket_isValid(&p));
            CHECK(f.where != OUTSIDE);
            CHECK(f.index + f.bytes.size() <= stream.size());
            CHECK(std::equal(f.bytes.begin(), f.bytes.end(), stream.begin() + f.index));
        }
        reported += rec.found.size();
    }
    CHECK(reported > 300);
}

TEST(upackf, a_handler_cannot_be_replaced)
{
    Recorder other = rec;
    LONGS_EQUAL(E_INVALID_OPERATION, AqUartPacketFinder_registerPacketFoundHandler(&g.finder, record, &other));
    feed(SENTENCE_XX, {});
    LONGS_EQUAL(1, rec.found.size());
    LONGS_EQUAL(0, other.found.size());
}

TEST(upackf, without_a_handler_packets_are_consumed_silently)
{
    AqUartPacketFinder_initialize(&g.finder);
    const Bytes first = RECORD_78;
    feed(first, {30});
    LONGS_EQUAL(E_NONE, AqUartPacketFinder_registerPacketFoundHandler(&g.finder, record, &rec));
    feed(SENTENCE_CRC, {10});
    LONGS_EQUAL(1, rec.found.size());
    LONGS_EQUAL(78, rec.found[0].index);
}

namespace
{
size_t packetsSeen = 0;

void countPacket(void*, AqUartPacket*, size_t)
{
    packetsSeen++;
}

// Keeps the compiler from pairing away an allocation with its release.
void* volatile probeSink;
} // namespace

TEST(upackf, scanning_allocates_nothing)
{
    installAllocationProbe();
    // The probe itself must see both allocation paths.
    allocationsSeen = 0;
    allocationProbeArmed = true;
    probeSink = malloc(24);
    free(probeSink);
    int* viaNew = new int(5);
    probeSink = viaNew;
    delete viaNew;
    allocationProbeArmed = false;
    CHECK(allocationsSeen >= 2);

    Stream s;
    s.junk(noise(11)).good(SENTENCE_CRC).good(RECORD_78).junk(noise(3)).good(RECORD_50).good(SENTENCE_XX);
    s.junk(packetAnnouncing(601)).good(sentenceOfLength(200)).junk(sentenceOfLength(300)).good(RECORD_78);
    Bytes stream = s.bytes;
    const size_t splits[] = {1, 7, 10, 67, 255, 256, 1000};

    AqUartPacketFinder finder;
    AqUartPacketFinder_initialize(&finder);
    AqUartPacketFinder_registerPacketFoundHandler(&finder, countPacket, nullptr);
    packetsSeen = 0;
    allocationsSeen = 0;
    allocationProbeArmed = true;
    for (size_t split : splits)
        for (size_t at = 0; at < stream.size(); at += split)
        {
            const size_t n = at + split <= stream.size() ? split : stream.size() - at;
            AqUartPacketFinder_processData(&finder, stream.data() + at, n);
        }
    allocationProbeArmed = false;
    LONGS_EQUAL(0, allocationsSeen);
    CHECK(packetsSeen >= 5 * (sizeof splits / sizeof splits[0]));
}
