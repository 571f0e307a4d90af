#include "MimeTable.h"

#include <cstring>
#include <strings.h>

namespace korvan {

namespace {

constexpr std::size_t kMaxExtension = kExtensionSize - 2;
const char kHeaderFormat[] = "HTTP/1.0 200\r\nContent-type: %.*s\r\n\r\n";

// White space around and between the fields; CR too, so CRLF endings read like LF ones.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// A byte that would break the header line it is copied into.
bool isControl(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return (u < 0x20 && u != '\t') || u == 0x7f;
}

// A piece of the text: start and length, never terminated.
struct Slice {
    const char* at;
    std::size_t length;
};

Slice trim(Slice s)
{
    while (s.length > 0 && isBlank(s.at[0])) {
        ++s.at;
        --s.length;
    }
    while (s.length > 0 && isBlank(s.at[s.length - 1]))
        --s.length;
    return s;
}

ExitStatus badLine(const char* file, int number, const char* why)
{
    std::fprintf(stderr, "ERROR: %s line %d: %s\n", file, number, why);
    return EXIT_NO_MIME_FILE;
}

// Reports a field over its capacity, shown cut to a readable length.
ExitStatus overflow(const char* what, Slice value, const char* limit)
{
    static char shown[kHeaderSize];
    std::snprintf(shown, sizeof shown, "%.*s", static_cast<int>(value.length < sizeof shown ? value.length : sizeof shown - 1),
                  value.at);
    reportOverflow(what, shown, limit);
    return EXIT_OVERFLOW;
}

// Stores a record in the next entry; EXIT_OVERFLOW (reported) when it does not fit.
ExitStatus store(MimeTable& table, Slice ext, Slice type)
{
    if (table.count == kMaxMimeTypes) {
        reportOverflow("MIME table", nullptr, "100 entries");
        return EXIT_OVERFLOW;
    }
    if (ext.length > kMaxExtension)
        return overflow("extension", ext, "8 characters");
    MimeEntry& entry = table.entries[table.count];
    int n = type.length < kHeaderSize
                ? std::snprintf(entry.header, sizeof entry.header, kHeaderFormat, static_cast<int>(type.length), type.at)
                : -1;
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof entry.header)
        return overflow("header for MIME type", type, "257 bytes");
    entry.extension[0] = '.';
    std::memcpy(entry.extension + 1, ext.at, ext.length);
    entry.extension[ext.length + 1] = '\0';
    entry.extensionLength = static_cast<uint32_t>(ext.length + 1);
    entry.headerLength = static_cast<uint32_t>(n);
    ++table.count;
    return EXIT_OK;
}

// Reads one line: a record is stored, a blank or comment line skipped, anything else refused.
ExitStatus readLine(Slice line, int number, const char* file, MimeTable& table)
{
    line = trim(line);
    if (line.length == 0 || line.at[0] == '#')
        return EXIT_OK;
    if (std::memchr(line.at, '\0', line.length))
        return badLine(file, number, "the line holds a NUL byte");
    Slice ext = line;
    if (ext.at[0] == '.') {
        ++ext.at;
        --ext.length;
    }
    std::size_t e = 0;
    while (e < ext.length && !isBlank(ext.at[e]))
        ++e;
    Slice type = trim({ext.at + e, ext.length - e});
    ext.length = e;
    if (ext.length == 0)
        return badLine(file, number, "no extension before the MIME type");
    if (type.length == 0)
        return badLine(file, number, "no MIME type after the extension");
    for (std::size_t i = 0; i < type.length; ++i)
        if (isControl(type.at[i]))
            return badLine(file, number, "the MIME type holds a control character");
    return store(table, ext, type);
}

}  // namespace

ExitStatus loadMimeTable(const char* text, std::size_t size, const char* file, MimeTable& table)
{
    table.count = 0;
    std::size_t start = 0;
    for (int number = 1; start < size; ++number) {
        const char* newline = static_cast<const char*>(std::memchr(text + start, '\n', size - start));
        std::size_t end = newline ? static_cast<std::size_t>(newline - text) : size;
        ExitStatus status = readLine({text + start, end - start}, number, file, table);
        if (status != EXIT_OK)
            return status;
        start = end + 1;
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
