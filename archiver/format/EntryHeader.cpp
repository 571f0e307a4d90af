#include "EntryHeader.h"

#include <cstring>
#include <strings.h>

namespace {

const char kStatusStart[] = "HTTP/";
const char kTypeName[] = "content-type";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Printable ASCII or a tab: nothing a line of a header may hold besides.
bool isHeaderText(const char* s, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if ((c < 0x20 && c != '\t') || c >= 0x7f)
            return false;
    }
    return true;
}

// "HTTP/1.0 200" with an optional reason after a space.
bool isStatusLine(const char* s, std::size_t n)
{
    return n >= 12 && std::memcmp(s, kStatusStart, 5) == 0 && isDigit(s[5]) && s[6] == '.' && isDigit(s[7]) &&
           s[8] == ' ' && isDigit(s[9]) && isDigit(s[10]) && isDigit(s[11]) && (n == 12 || s[12] == ' ');
}

// Offset of the first CRLF CRLF in the n bytes at s, or n when there is none.
std::size_t findBlankLine(const char* s, std::size_t n)
{
    for (std::size_t i = 0; i + 4 <= n; ++i)
        if (std::memcmp(s + i, "\r\n\r\n", 4) == 0)
            return i;
    return n;
}

// Checks one "Name: value" line and picks up the MIME type from a Content-type line.
const char* readField(const char* s, std::size_t n, KorvanHeader& header)
{
    const char* colon = static_cast<const char*>(std::memchr(s, ':', n));
    if (!colon || colon == s || std::memchr(s, ' ', static_cast<std::size_t>(colon - s)) ||
        std::memchr(s, '\t', static_cast<std::size_t>(colon - s)))
        return "a header line is not \"Name: value\"";
    std::size_t nameLength = static_cast<std::size_t>(colon - s);
    if (nameLength == sizeof kTypeName - 1 && strncasecmp(s, kTypeName, nameLength) == 0) {
        const char* value = colon + 1;
        const char* end = s + n;
        while (value < end && (*value == ' ' || *value == '\t'))
            ++value;
        while (end > value && (end[-1] == ' ' || end[-1] == '\t'))
            --end;
        header.mimeType = value;
        header.mimeTypeLength = static_cast<std::size_t>(end - value);
    }
    return nullptr;
}

}  // namespace

const char* korvan_readHeader(const uint8_t* data, std::size_t n, KorvanHeader& header)
{
    header = {0, nullptr, 0};
    const char* text = reinterpret_cast<const char*>(data);
    if (n < sizeof kStatusStart - 1 || std::memcmp(text, kStatusStart, sizeof kStatusStart - 1) != 0)
        return nullptr;
    std::size_t end = findBlankLine(text, n);
    if (end == n)
        return "the header has no empty line ending it inside the entry";
    // Lines are split on CRLF, so a lone CR or LF fails the printable-text test.
    std::size_t line = 0;
    for (std::size_t i = 0; i <= end; ++i) {
        if (i < end && !(text[i] == '\r' && text[i + 1] == '\n'))
            continue;
        if (!isHeaderText(text + line, i - line))
            return "the header holds a control byte or a byte above 0x7e";
        if (line == 0 && !isStatusLine(text, i))
            return "the header does not start with a status line \"HTTP/d.d ddd\"";
        const char* why = line == 0 ? nullptr : readField(text + line, i - line, header);
        if (why)
            return why;
        line = i + 2;
        ++i;
    }
    header.length = end + 4;
    return nullptr;
}
