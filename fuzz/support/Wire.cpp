// The scripted sensor side of the serial line (see Script.h).
#include <string.h>

#include <deque>
#include <string>

#include "Packets.h"
#include "Script.h"

namespace {

FuzzReader* g_script = nullptr;
std::deque<uint8_t> g_pending;
std::string g_lastCommand;  // up to its '*': "$AQRRG,21", "$AQBOM,1"

enum Event
{
    EVENT_SILENCE,
    EVENT_FAILURE,
    EVENT_RAW,
    EVENT_REPLY,
    EVENT_SENTENCE,
    EVENT_BINARY,
    EVENT_POLL_RECORD,
    EVENT_COUNT
};

void queue(const std::string& s)
{
    g_pending.insert(g_pending.end(), s.begin(), s.end());
}

void queue(const std::vector<uint8_t>& b)
{
    g_pending.insert(g_pending.end(), b.begin(), b.end());
}

// The reply key of the last command: "AQRRG,21" for a register command, "AQRST" otherwise.
std::string replyKey()
{
    std::string key = g_lastCommand.size() > 1 ? g_lastCommand.substr(1) : "AQ";
    const size_t first = key.find(',');
    const bool registerCommand = key.compare(2, 3, "RRG") == 0 || key.compare(2, 3, "WRG") == 0;
    if (first == std::string::npos || !registerCommand)
        return key.substr(0, first);
    const size_t second = key.find(',', first + 1);
    return key.substr(0, second);
}

FuzzCheck checkOf(uint8_t b)
{
    return static_cast<FuzzCheck>(b % 3);
}

// The record layouts the link polls: attitude (output 1) and raw (output 2).
std::vector<uint8_t> pollRecord(FuzzReader& in)
{
    const bool raw = g_lastCommand.find("BOM,2") != std::string::npos;
    const uint16_t attitude[2] = {0x1528, 0x0100};
    const uint16_t imu[1] = {0x003E};
    return raw ? fuzzBinaryPacket(0x04, imu, in, 616) : fuzzBinaryPacket(0x11, attitude, in, 616);
}

// Takes the script's next event; false for silence, and *failed for a failure.
bool nextEvent(bool* failed)
{
    *failed = false;
    if (g_script == nullptr || g_script->empty())
        return false;
    FuzzReader& in = *g_script;
    const uint8_t b = in.byte();
    switch (b % EVENT_COUNT)
    {
    case EVENT_SILENCE: return false;
    case EVENT_FAILURE: *failed = true; return false;
    case EVENT_RAW: queue(in.bytes(in.byte())); break;
    case EVENT_REPLY:
    {
        const FuzzCheck check = checkOf(b / EVENT_COUNT);
        queue(fuzzSentence(replyKey() + fuzzFieldText(in, in.byte()), check, b & 0x80));
        break;
    }
    case EVENT_SENTENCE: queue(fuzzSentence(fuzzFieldText(in, in.byte()), checkOf(b / EVENT_COUNT), b & 0x80)); break;
    case EVENT_BINARY: queue(fuzzAnyBinaryPacket(in, 616)); break;
    default: queue(pollRecord(in)); break;
    }
    return true;
}

}  // namespace

FuzzReader* fuzzScript()
{
    return g_script;
}

void fuzzSetScript(FuzzReader* script)
{
    g_script = script;
    fuzzWire_reset();
}

void fuzzWire_commandSent(const char* bytes, size_t n)
{
    const char* star = static_cast<const char*>(memchr(bytes, '*', n));
    g_lastCommand.assign(bytes, star != nullptr ? static_cast<size_t>(star - bytes) : n);
    bool failed = false;
    nextEvent(&failed);
}

void fuzzWire_clear()
{
    g_pending.clear();
}

int fuzzWire_read(uint8_t* out, size_t max, bool lineMode, bool* lineEnded)
{
    *lineEnded = false;
    if (g_pending.empty())
    {
        bool failed = false;
        if (!nextEvent(&failed) || g_pending.empty())
            return failed ? -1 : 0;
    }
    size_t n = 0;
    while (n < max && !g_pending.empty() && !*lineEnded)
    {
        out[n] = g_pending.front();
        g_pending.pop_front();
        *lineEnded = lineMode && (out[n] == '\r' || out[n] == '\n');
        n++;
    }
    return static_cast<int>(n);
}

void fuzzWire_reset()
{
    g_pending.clear();
    g_lastCommand.clear();
}
