// Korvan's mimetype.ini reader on any text, then the look-up of a name from the
// input in what it read. A table it accepts holds at most its capacity; each
// extension is "." and up to eight characters, terminated, of its stated
// length; each header is "HTTP/1.0 200\r\nContent-type: <type>\r\n\r\n",
// terminated, of its stated length, with no byte that would break its line.
// Input: the name's length, the name, then the file's text.
#include <stdlib.h>
#include <string.h>

#include <string>

#include "FuzzReader.h"
#include "MimeTable.h"

using namespace korvan;

namespace {

void checkEntry(const MimeEntry& e)
{
    const char head[] = "HTTP/1.0 200\r\nContent-type: ";
    if (e.extensionLength < 1 || e.extensionLength >= kExtensionSize || e.extension[0] != '.' ||
        strnlen(e.extension, kExtensionSize) != e.extensionLength)
        abort();
    if (e.headerLength >= kHeaderSize || strnlen(e.header, kHeaderSize) != e.headerLength ||
        strncmp(e.header, head, sizeof head - 1) != 0 || e.headerLength < sizeof head - 1 + 4 ||
        memcmp(e.header + e.headerLength - 4, "\r\n\r\n", 4) != 0)
        abort();
    // Inside the type, no line end or other control byte (a tab is allowed).
    for (size_t i = sizeof head - 1; i + 4 < e.headerLength; i++)
    {
        const unsigned char c = static_cast<unsigned char>(e.header[i]);
        if ((c < 0x20 && c != '\t') || c == 0x7F)
            abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzReader in(data, size);
    const std::vector<uint8_t> nameBytes = in.bytes(in.byte());
    const std::string name(nameBytes.begin(), nameBytes.end());
    const std::vector<uint8_t> text = in.rest();
    static MimeTable table;
    memset(&table, 0xA5, sizeof table);
    table.count = 0;
    const char* bytes = reinterpret_cast<const char*>(text.data());
    const ExitStatus status = loadMimeTable(bytes, text.size(), "mimetype.ini", table);
    if (status != EXIT_OK && status != EXIT_NO_MIME_FILE && status != EXIT_OVERFLOW)
        abort();
    if (table.count < 0 || table.count > kMaxMimeTypes)
        abort();
    for (int i = 0; i < table.count; i++)
        checkEntry(table.entries[i]);
    if (status == EXIT_OK)
    {
        const int index = matchExtension(table, name.c_str());
        if (index < -1 || index >= table.count)
            abort();
        if (headerLengthOf(table, index) != (index < 0 ? 0 : table.entries[index].headerLength))
            abort();
    }
    return 0;
}
