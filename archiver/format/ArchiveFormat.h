#pragma once
// The "ZnT1" archive an embedded web server sends its pages from, shared by Korvan, which
// writes it, and the tools that read it back. All integers little-endian, no alignment:
//   "ZnT1"
//   per entry: name length (1), entry size (2), offset (4), relative name (no terminator)
//   0 (1)                                       end of the directory; entry 0 starts here (H)
//   per entry: the HTTP response header text (when its extension had one), then the file
// Each offset is the previous offset plus the previous entry size; the last entry ends the file.
#include <cstddef>
#include <cstdint>

constexpr char KORVAN_MAGIC[4] = {'Z', 'n', 'T', '1'};
constexpr std::size_t KORVAN_MAGIC_SIZE = sizeof KORVAN_MAGIC;
constexpr std::size_t KORVAN_RECORD_SIZE = 7;  // name length, entry size, offset
constexpr std::size_t KORVAN_END_MARK_SIZE = 1;
constexpr uint32_t KORVAN_MAX_ENTRY_SIZE = 65535;  // the entry size field is 16 bits

// One directory record without its name.
struct KorvanRecord {
    uint8_t nameLength;
    uint16_t entrySize;
    uint32_t offset;
};

// Writes a record's fixed part into out.
void korvan_encodeRecord(const KorvanRecord& record, uint8_t out[KORVAN_RECORD_SIZE]);

// Reads a record's fixed part from in.
KorvanRecord korvan_decodeRecord(const uint8_t in[KORVAN_RECORD_SIZE]);
