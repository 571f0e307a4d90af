#pragma once
// MIME table: the response header stored in front of a file, chosen by its extension.
// Read from "mimetype.ini", one record a line: the extension (a leading dot is allowed),
// white space, then the MIME type, which is the rest of the line with the white space
// around it trimmed, parameters included:
//   htm   text/html; charset=utf-8
// Blank lines and lines starting with "#" are skipped; lines end in LF or CRLF.
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

// Reads the records of text (size bytes, the contents of file, which messages name) into
// the table, in file order. EXIT_NO_MIME_FILE (reported with the line number) for a line
// that is not a record; EXIT_OVERFLOW (reported) when a record does not fit the table or
// its fields. The text may hold any bytes; nothing outside it is read.
ExitStatus loadMimeTable(const char* text, std::size_t size, const char* file, MimeTable& table);

// Index of the first entry whose extension ends name, ignoring case; -1 when none does.
int matchExtension(const MimeTable& table, const char* name);

// Header length added to a file matched to entry index (0 for -1).
uint32_t headerLengthOf(const MimeTable& table, int index);

}  // namespace korvan
