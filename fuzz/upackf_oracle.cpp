// The packet finder must report every intact packet of a clean stream. The
// input describes the stream: intact sentences and binary packets (at most
// 256 bytes, what the finder can assemble across reads) with noise between
// them, then fed in reads whose sizes come from the input (FinderFeed).
//
// The one thing that may hide an intact packet is another intact packet over
// its bytes: noise that, with the bytes after it, happens to form a sentence
// or binary packet with a good check (a "phantom", which the sensor's stream
// could really contain). Such phantoms are found by brute force over the
// stream, judged by the packet rules alone (not by the finder's code), and a
// packet they overlap is excused. Every other intact packet must be reported,
// once, at its own index.
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "FinderFeed.h"
#include "Packets.h"
#include "aq/util.h"

namespace {

typedef std::pair<size_t, size_t> Span;  // stream index, length

const size_t kLongestIntact = 256;
const size_t kLongestRemainder = 600;  // after the header, as the finder refuses longer

// The sentence a '$' at k would start: up to the first CR LF, unless another
// '$' restarts it or a CR stands alone first. Length 0 when none.
size_t sentenceFrom(const std::vector<uint8_t>& s, size_t k)
{
    for (size_t j = k + 1; j < s.size(); j++)
    {
        if (s[j] == '$')
            return 0;
        if (s[j] == '\r')
            return j + 1 < s.size() && s[j + 1] == '\n' ? j + 2 - k : 0;
    }
    return 0;
}

// The binary packet a sync byte at k would start, by its header; 0 when its
// header is unusable or the stream ends first.
size_t binaryFrom(const std::vector<uint8_t>& s, size_t k)
{
    if (k + 2 > s.size() || s[k + 1] == 0 || (s[k + 1] & 0x80))
        return 0;
    const size_t header = 2 + 2 * static_cast<size_t>(__builtin_popcount(s[k + 1]));
    if (k + header > s.size())
        return 0;
    for (size_t w = k + 2; w < k + header; w += 2)
        if (s[w + 1] & 0x80)
            return 0;
    const size_t n = AqUartPacket_computeBinaryPacketLength(s.data() + k);
    return n - header <= kLongestRemainder && k + n <= s.size() ? n : 0;
}

bool intactAt(const std::vector<uint8_t>& s, size_t k, size_t n)
{
    std::vector<uint8_t> copy(s.begin() + static_cast<long>(k), s.begin() + static_cast<long>(k + n));
    AqUartPacket p;
    AqUartPacket_initialize(&p, copy.data(), n);
    return n > 0 && AqUartPacket_isValid(&p);
}

// Every intact packet the stream holds that does not start where one of the
// packets put into it starts.
std::vector<Span> phantoms(const std::vector<uint8_t>& s, const std::vector<Span>& packets)
{
    std::vector<Span> found;
    for (size_t k = 0; k < s.size(); k++)
    {
        const bool real = std::any_of(packets.begin(), packets.end(), [k](const Span& p) { return p.first == k; });
        if (real || (s[k] != '$' && s[k] != 0xFA))
            continue;
        const size_t n = s[k] == '$' ? sentenceFrom(s, k) : binaryFrom(s, k);
        if (intactAt(s, k, n))
            found.push_back({k, n});
    }
    return found;
}

bool overlap(const Span& a, const Span& b)
{
    return a.first < b.first + b.second && b.first < a.first + a.second;
}

// Builds the stream from the input: noise, sentences and binary packets.
std::vector<uint8_t> describedStream(FuzzReader& in, std::vector<Span>* packets)
{
    std::vector<uint8_t> s;
    while (!in.empty())
    {
        const uint8_t kind = in.byte();
        std::vector<uint8_t> item;
        if (kind % 3 == 0)
        {
            item = in.bytes(in.byte() % 32);
            s.insert(s.end(), item.begin(), item.end());
            continue;
        }
        if (kind % 3 == 1)
        {
            const FuzzCheck check = static_cast<FuzzCheck>(kind / 3 % 3);
            const std::string text = fuzzSentence("AQ" + fuzzFieldText(in, in.byte()), check, false);
            item.assign(text.begin(), text.end());
        }
        else
            item = fuzzAnyBinaryPacket(in, kLongestIntact);
        // Only what the packet rules call intact (a binary packet of no field is not).
        if (item.size() > kLongestIntact || !intactAt(item, 0, item.size()))
            continue;
        packets->push_back({s.size(), item.size()});
        s.insert(s.end(), item.begin(), item.end());
    }
    return s;
}

// Says what was lost before the run ends, so a finding explains itself.
void lost(const Span& p, const std::vector<uint8_t>& s, const FinderFeed& feed, const std::vector<Span>& packets)
{
    fprintf(stderr, "lost the packet at %zu (%zu bytes) of a %zu-byte stream\nreads:", p.first, p.second, s.size());
    for (size_t n : feed.readSizes)
        fprintf(stderr, " %zu", n);
    fprintf(stderr, "\npackets:");
    for (const Span& q : packets)
        fprintf(stderr, " %zu+%zu", q.first, q.second);
    fprintf(stderr, "\nreported:");
    for (const Span& q : feed.reported)
        fprintf(stderr, " %zu+%zu", q.first, q.second);
    fprintf(stderr, "\nstream:");
    for (size_t i = 0; i < s.size(); i++)
        fprintf(stderr, "%s%02X", i % 32 ? " " : "\n  ", s[i]);
    fprintf(stderr, "\n");
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzReader in(data, size);
    FinderFeed feed(in);
    std::vector<Span> packets;
    const std::vector<uint8_t> stream = describedStream(in, &packets);
    feed.run(stream);
    const std::vector<Span> extra = phantoms(stream, packets);
    for (const Span& p : packets)
    {
        const bool excused = std::any_of(extra.begin(), extra.end(), [&p](const Span& x) { return overlap(x, p); });
        const long times = std::count(feed.reported.begin(), feed.reported.end(), p);
        if (!excused && times != 1)
            lost(p, stream, feed, packets);
    }
    return 0;
}
