#include "Packets.h"

#include <stdio.h>

#include "aq/error_detection.h"
#include "aq/protocol/upack.h"

std::string fuzzSentence(const std::string& body, FuzzCheck check, bool crOnly)
{
    char text[8] = "*XX";
    if (check == FUZZCHECK_CHECKSUM)
        snprintf(text, sizeof text, "*%02X", AqChecksum8_compute(body.data(), body.size()));
    else if (check == FUZZCHECK_CRC)
        snprintf(text, sizeof text, "*%04X", AqCrc16_compute(body.data(), body.size()));
    return "$" + body + text + (crOnly ? "\r" : "\r\n");
}

std::string fuzzFieldText(FuzzReader& in, size_t n)
{
    static const char kAlphabet[] = "0123456789+-.,eE,A Z,";
    std::string text;
    for (size_t i = 0; i < n && !in.empty(); i++)
        text += kAlphabet[in.byte() % (sizeof kAlphabet - 1)];
    return text;
}

std::vector<uint8_t> fuzzBinaryPacket(uint8_t groups, const uint16_t* fieldWords, FuzzReader& in, size_t maxLength)
{
    groups &= 0x7F;
    if (groups == 0)
        groups = 1;
    std::vector<uint8_t> p = {0xFA, groups};
    for (int g = 0, w = 0; g < 7; g++)
        if (groups & (1u << g))
        {
            const uint16_t word = fieldWords[w++] & 0x7FFF;
            p.push_back(static_cast<uint8_t>(word));
            p.push_back(static_cast<uint8_t>(word >> 8));
        }
    const size_t length = AqUartPacket_computeBinaryPacketLength(p.data());
    if (length > maxLength || length < p.size() + 2)
        return {};
    const size_t payload = length - p.size() - 2;
    p.resize(p.size() + payload);
    in.fill(p.data() + p.size() - payload, payload);
    fuzzAppendCrc(p, 1);
    return p;
}

std::vector<uint8_t> fuzzAnyBinaryPacket(FuzzReader& in, size_t maxLength)
{
    const uint8_t groups = in.byte();
    uint16_t words[7];
    for (uint16_t& w : words)
        w = 0;
    for (int g = 0, w = 0; g < 7; g++)
        if (groups & (1u << g))
            words[w++] = in.word();
    return fuzzBinaryPacket(groups, words, in, maxLength);
}

void fuzzAppendCrc(std::vector<uint8_t>& bytes, size_t from)
{
    const uint16_t crc =
        AqCrc16_compute(reinterpret_cast<const char*>(bytes.data()) + from, bytes.size() - from);
    bytes.push_back(static_cast<uint8_t>(crc >> 8));
    bytes.push_back(static_cast<uint8_t>(crc));
}
