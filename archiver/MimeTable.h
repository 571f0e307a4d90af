#pragma once
// MIME table: the response header stored in front of a file, chosen by its extension.
// Read from "mimetype.ini": whitespace-separated pairs of an extension (without its dot)
// and a MIME type, e.g. "htm text/html".
#include "Limits.h"

#include <cstdint>
#include <cstdio>

namespace korvan {

struct MimeEntry {
    char extension[kExtensionSize];  // "." and the extension
    char header[kHeaderSize];        // "HTTP/1.0 200\r\nContent-type: <type>\r\n\r\n"
    uint32_t extensionLength;        // dot included
    uint32_t headerLength;
};

struct MimeTable {
    MimeEntry entries[kMaxMimeTypes];
    int count;
};

// Reads every complete record of the stream into the table, in file order;
// EXIT_OVERFLOW (reported) when a record does not fit the table or its fields.
ExitStatus loadMimeTable(std::FILE* in, MimeTable& table);

// Index of the first entry whose extension ends name, ignoring case; -1 when none does.
int matchExtension(const MimeTable& table, const char* name);

// Header length added to a file matched to entry index (0 for -1).
uint32_t headerLengthOf(const MimeTable& table, int index);

}  // namespace korvan
