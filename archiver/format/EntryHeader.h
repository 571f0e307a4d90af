#pragma once
// The HTTP response header that Korvan stores in front of an entry's file, read back from
// bytes that may be hostile. An entry that does not begin with "HTTP/" carries no header
// (its extension had no MIME record) and is sent as it is.
#include <cstddef>
#include <cstdint>

struct KorvanHeader {
    std::size_t length;          // status line to blank line included; 0 when there is none
    const char* mimeType;        // value of the Content-type line, blanks trimmed; null when absent
    std::size_t mimeTypeLength;
};

// Reads the header at the start of the n bytes at data. Null when there is none or it is
// well formed: a status line "HTTP/d.d ddd ...", then "Name: value" lines, printable text
// only, every line ended by CRLF and the whole by an empty line inside the entry.
// Otherwise what is wrong with it.
const char* korvan_readHeader(const uint8_t* data, std::size_t n, KorvanHeader& header);
