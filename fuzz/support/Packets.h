// Packets with a correct check, built from fuzz input, so a target reaches
// the code behind the check instead of spending its time guessing a CRC.
#ifndef FUZZ_PACKETS_H
#define FUZZ_PACKETS_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "FuzzReader.h"

// How a sentence ends its text: "*XX", "*HH" (8-bit checksum) or "*HHHH" (CRC-16).
enum FuzzCheck
{
    FUZZCHECK_XX,
    FUZZCHECK_CHECKSUM,
    FUZZCHECK_CRC
};

// "$" + body + check text + line end ("\r\n", or the lone "\r" a port in line
// mode delivers).
std::string fuzzSentence(const std::string& body, FuzzCheck check, bool crOnly);

// Text of n bytes from the input, over an alphabet that favours numbers and
// field separators; never '$', '*', CR or LF, so it stays inside one sentence.
std::string fuzzFieldText(FuzzReader& in, size_t n);

// A binary output packet: sync byte, groups (bit 7 cleared, never 0), one
// field word per group (bit 15 cleared), payload bytes from the input (zeros
// once it runs out) and the CRC. Empty when it would be longer than maxLength.
std::vector<uint8_t> fuzzBinaryPacket(uint8_t groups, const uint16_t* fieldWords, FuzzReader& in, size_t maxLength);

// The same with groups and field words taken from the input.
std::vector<uint8_t> fuzzAnyBinaryPacket(FuzzReader& in, size_t maxLength);

// Appends the CRC-16 of the bytes from offset from on, high byte first, so
// that they check to 0 with it (a binary packet's CRC covers what follows its
// sync byte, an SPI frame's the whole frame).
void fuzzAppendCrc(std::vector<uint8_t>& bytes, size_t from);

#endif
