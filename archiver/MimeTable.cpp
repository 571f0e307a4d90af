#include "MimeTable.h"

#include <cctype>
#include <cstring>
#include <strings.h>

namespace korvan {

namespace {

constexpr std::size_t kWordSize = kHeaderSize;  // longer than any word that can fit
constexpr std::size_t kMaxExtension = kExtensionSize - 2;
const char kHeaderFormat[] = "HTTP/1.0 200\r\nContent-type: %s\r\n\r\n";

// Reads the next whitespace-separated word; false at end of file. A word longer than
// the buffer is cut to it and flagged, so the caller can refuse it.
bool readWord(std::FILE* in, char* word, bool& cut)
{
    int c;
    while ((c = std::getc(in)) != EOF && std::isspace(c)) {
    }
    if (c == EOF)
        return false;
    std::size_t n = 0;
    cut = false;
    do {
        if (n + 1 < kWordSize)
            word[n++] = static_cast<char>(c);
        else
            cut = true;
    } while ((c = std::getc(in)) != EOF && !std::isspace(c));
    word[n] = '\0';
    return true;
}

// Fills one entry from an extension and a MIME type; false (reported) when either is too long.
bool fillEntry(MimeEntry& entry, const char* ext, bool extCut, const char* type, bool typeCut)
{
    std::size_t extLength = std::strlen(ext);
    if (extCut || extLength > kMaxExtension) {
        reportOverflow("extension", ext, "8 characters");
        return false;
    }
    int n = std::snprintf(entry.header, sizeof entry.header, kHeaderFormat, type);
    if (typeCut || n < 0 || static_cast<std::size_t>(n) >= sizeof entry.header) {
        reportOverflow("header for MIME type", type, "257 bytes");
        return false;
    }
    entry.extension[0] = '.';
    std::memcpy(entry.extension + 1, ext, extLength + 1);
    entry.extensionLength = static_cast<uint32_t>(extLength + 1);
    entry.headerLength = static_cast<uint32_t>(n);
    return true;
}

}  // namespace

ExitStatus loadMimeTable(std::FILE* in, MimeTable& table)
{
    static char ext[kWordSize];
    static char type[kWordSize];
    bool extCut = false;
    bool typeCut = false;
    table.count = 0;
    // A trailing word without its partner is not a record and is dropped.
    while (readWord(in, ext, extCut) && readWord(in, type, typeCut)) {
        if (table.count == kMaxMimeTypes) {
            reportOverflow("MIME table", nullptr, "100 entries");
            return EXIT_OVERFLOW;
        }
        if (!fillEntry(table.entries[table.count], ext, extCut, type, typeCut))
            return EXIT_OVERFLOW;
        ++table.count;
    }
    return EXIT_OK;
}

int matchExtension(const MimeTable& table, const char* name)
{
    std::size_t length = std::strlen(name);
    for (int i = 0; i < table.count; ++i) {
        const MimeEntry& entry = table.entries[i];
        if (entry.extensionLength <= length &&
            strcasecmp(name + length - entry.extensionLength, entry.extension) == 0)
            return i;
    }
    return -1;
}

uint32_t headerLengthOf(const MimeTable& table, int index)
{
    return index < 0 ? 0 : table.entries[index].headerLength;
}

}  // namespace korvan
