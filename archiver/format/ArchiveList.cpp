#include "ArchiveList.h"

#include "EntryHeader.h"
#include "EntryName.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kShownNameSize = 96;

struct Walk {
    const uint8_t* data;
    std::size_t size;
    uint32_t count;         // directory records
    std::size_t entryStart; // H: just after the end mark
    char* fault;
    std::size_t faultCap;
};

bool fail(Walk& walk, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Describes the fault (when there is room for it); always false.
bool fail(Walk& walk, const char* format, ...)
{
    if (walk.faultCap == 0)
        return false;
    va_list args;
    va_start(args, format);
    std::vsnprintf(walk.fault, walk.faultCap, format, args);
    va_end(args);
    return false;
}

// Finds the end mark: counts the records and sets where entry data starts.
bool scanDirectory(Walk& walk)
{
    if (walk.size < KORVAN_MAGIC_SIZE)
        return fail(walk, "truncated: %zu bytes, shorter than the signature", walk.size);
    if (std::memcmp(walk.data, KORVAN_MAGIC, KORVAN_MAGIC_SIZE) != 0)
        return fail(walk, "bad signature: the file does not begin with \"ZnT1\"");
    std::size_t pos = KORVAN_MAGIC_SIZE;
    walk.count = 0;
    while (pos < walk.size && walk.data[pos] != 0) {
        if (walk.size - pos < KORVAN_RECORD_SIZE + walk.data[pos])
            return fail(walk, "truncated: directory record %u runs past the end of the file", walk.count + 1);
        pos += KORVAN_RECORD_SIZE + walk.data[pos];
        ++walk.count;
    }
    if (pos == walk.size)
        return fail(walk, "truncated: the directory has no end mark after its %u records", walk.count);
    walk.entryStart = pos + KORVAN_END_MARK_SIZE;
    return true;
}

// Checks one entry whose record is at pos, expected at offset; fills entry when it is sound.
bool checkEntry(Walk& walk, std::size_t pos, uint64_t expected, KorvanEntry& entry)
{
    KorvanRecord record = korvan_decodeRecord(walk.data + pos);
    const char* name = reinterpret_cast<const char*>(walk.data + pos + KORVAN_RECORD_SIZE);
    char shown[kShownNameSize];
    korvan_printableName(name, record.nameLength, shown, sizeof shown);
    const unsigned number = entry.index + 1;
    if (const char* why = korvan_nameFault(name, record.nameLength))
        return fail(walk, "entry %u of %u (%s): unsafe name: %s", number, walk.count, shown, why);
    if (record.offset < expected)
        return fail(walk, "entry %u of %u (%s): overlaps the data before it (offset %u, expected %llu)", number,
                    walk.count, shown, record.offset, static_cast<unsigned long long>(expected));
    if (record.offset > expected)
        return fail(walk, "entry %u of %u (%s): gap before it (offset %u, expected %llu)", number, walk.count,
                    shown, record.offset, static_cast<unsigned long long>(expected));
    if (expected + record.entrySize > walk.size)
        return fail(walk, "truncated: entry %u of %u (%s) ends at byte %llu, past the end of the file (%zu bytes)",
                    number, walk.count, shown, static_cast<unsigned long long>(expected + record.entrySize),
                    walk.size);
    KorvanHeader header;
    const uint8_t* data = walk.data + record.offset;
    if (const char* why = korvan_readHeader(data, record.entrySize, header))
        return fail(walk, "entry %u of %u (%s): malformed header: %s", number, walk.count, shown, why);
    entry.name = name;
    entry.nameLength = record.nameLength;
    entry.offset = record.offset;
    entry.size = record.entrySize;
    entry.data = data;
    entry.headerLength = header.length;
    entry.mimeType = header.mimeType;
    entry.mimeTypeLength = header.mimeTypeLength;
    entry.body = data + header.length;
    entry.bodyLength = record.entrySize - header.length;
    return true;
}

}  // namespace

bool korvan_list(const uint8_t* data, std::size_t size, KorvanEntryFn fn, void* context, char* fault,
                 std::size_t faultCap)
{
    Walk walk = {data, size, 0, 0, fault, faultCap};
    if (faultCap > 0)
        fault[0] = '\0';
    if (!scanDirectory(walk))
        return false;
    std::size_t pos = KORVAN_MAGIC_SIZE;
    uint64_t expected = walk.entryStart;
    KorvanEntry entry;
    entry.count = walk.count;
    for (entry.index = 0; entry.index < walk.count; ++entry.index) {
        if (!checkEntry(walk, pos, expected, entry))
            return false;
        if (fn)
            fn(entry, context);
        expected += entry.size;
        pos += KORVAN_RECORD_SIZE + entry.nameLength;
    }
    if (expected != size)
        return fail(walk, "%llu bytes after the last entry", static_cast<unsigned long long>(size - expected));
    return true;
}
