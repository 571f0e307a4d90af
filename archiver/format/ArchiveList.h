#pragma once
// Reading and checking an archive held in memory. The bytes may come from anywhere: a
// truncated copy, a file that is not an archive at all, or one crafted to make a reader
// run past its buffer or write outside the directory it extracts to. Nothing here reads
// outside the buffer it is given, allocates, or touches a file.
#include "ArchiveFormat.h"

#include <cstddef>
#include <cstdint>

// One entry; every pointer points into the archive's buffer.
struct KorvanEntry {
    uint32_t index;            // 0 for the first entry
    uint32_t count;            // entries in the archive
    const char* name;          // relative name, nameLength bytes, not terminated
    uint8_t nameLength;
    uint32_t offset;           // of the entry from the start of the archive
    uint16_t size;             // entry size: header and body
    const uint8_t* data;       // the whole entry, as a server sends it
    std::size_t headerLength;  // 0 when the entry has no header
    const char* mimeType;      // from the header's Content-type line; null when none
    std::size_t mimeTypeLength;
    const uint8_t* body;       // the file's bytes, after the header
    std::size_t bodyLength;
};

typedef void (*KorvanEntryFn)(const KorvanEntry& entry, void* context);

// Checks the archive of size bytes at data: signature, directory and its end mark, names
// safe to extract, each offset equal to the previous offset plus its size (the first one
// just after the directory), each entry inside the file with a well-formed header, and the
// last one ending the file. Every entry that passes is handed to fn (when not null), in
// order, before the next one is checked. True for a sound archive; otherwise false, with
// the first fault described in fault (faultCap bytes, always terminated).
bool korvan_list(const uint8_t* data, std::size_t size, KorvanEntryFn fn, void* context, char* fault,
                 std::size_t faultCap);
