// Faults on the wire: each kind changes the bytes (or their timing) only
// inside its window, in the way the host's link must notice.
#include <string>

#include "CppUTest/TestHarness.h"
#include "Wire.h"
#include "aq/error_detection.h"
#include "aq/protocol/upack.h"

using namespace aq9sim;

namespace {

const std::string SENTENCE = "$AQRRG,01,AQ-9T*06\r\n";
// Groups byte 0x01, yaw-pitch-roll only, then its CRC high byte first.
std::string record()
{
    std::string r = std::string("\xFA\x01\x08\x00", 4) + std::string(12, '\x11');
    const uint16_t crc = AqCrc16_compute(r.data() + 1, r.size() - 1);
    return r + static_cast<char>(crc >> 8) + static_cast<char>(crc & 0xFF);
}

const std::string RECORD = record();

bool intact(std::string s)
{
    AqUartPacket p;
    AqUartPacket_initialize(&p, reinterpret_cast<uint8_t*>(&s[0]), s.size());
    return AqUartPacket_isValid(&p) != 0;
}

} // namespace

TEST_GROUP(Wire){};

TEST(Wire, parses_fault_windows_and_refuses_malformed_ones)
{
    FaultWindow f;
    CHECK(parseFault("drop-bytes@2.5+10", &f));
    CHECK_EQUAL(FAULT_DROP_BYTES, f.kind);
    DOUBLES_EQUAL(2.5, f.start, 0.0);
    DOUBLES_EQUAL(10.0, f.duration, 0.0);
    const char* bad[] = {"silent", "silent@5", "loud@1+2", "slow@-1+2", "slow@1+x", "bad-crc@+2", "garbage@1+"};
    for (const char* text : bad)
        CHECK_FALSE_TEXT(parseFault(text, &f), text);
}

TEST(Wire, changes_only_what_is_sent_inside_a_fault_window)
{
    const struct
    {
        FaultKind kind;
        bool arrivesAtOnce;
        bool sameLength;
        bool stillIntact;
    } rows[] = {
        {FAULT_SILENT, false, false, false},    {FAULT_GARBAGE, true, true, false},
        {FAULT_BAD_CRC, true, true, false},     {FAULT_DROP_BYTES, true, false, false},
        {FAULT_SLOW, false, true, true},
    };
    for (const auto& row : rows)
        for (const std::string& chunk : {SENTENCE, RECORD})
        {
            CHECK(intact(chunk));
            Wire wire({{row.kind, 10.0, 5.0}}, 7);
            wire.send(chunk, 9.0);
            wire.send(chunk, 12.0);
            std::vector<std::string> out = wire.due(12.0);
            const char* name = faultName(row.kind);
            CHECK_EQUAL_TEXT(row.arrivesAtOnce ? 2u : 1u, out.size(), name);
            CHECK_TEXT(out[0] == chunk, name);
            if (row.kind == FAULT_SLOW)
                out = wire.due(12.0 + Wire::kSlowDelay);
            if (out.size() < 2)
                continue;
            CHECK_EQUAL_TEXT(row.sameLength, out[1].size() == chunk.size(), name);
            CHECK_EQUAL_TEXT(row.stillIntact, intact(out[1]), name);
            CHECK_TEXT(out[1].size() <= chunk.size(), name);
        }
}

// A late chunk holds back what follows it, so nothing arrives out of order.
TEST(Wire, keeps_the_order_of_chunks_across_the_end_of_a_slow_window)
{
    Wire wire({{FAULT_SLOW, 0.0, 1.0}}, 1);
    wire.send("first", 0.5);
    wire.send("second", 1.5);
    CHECK_EQUAL(0, wire.due(2.0).size());
    std::vector<std::string> out = wire.due(0.5 + Wire::kSlowDelay);
    CHECK_EQUAL(2, out.size());
    STRCMP_EQUAL("first", out[0].c_str());
}
