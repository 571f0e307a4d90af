// korvan-ls on any archive: the check hands over entries only while they are
// sound and every pointer it gives lies inside the archive; every name it
// passes is safe to extract and shows as terminal-safe text; the listing line
// is formatted as the program prints it; and a sound archive extracts into its
// directory, one file per entry, with nothing written beside it.
#include <dirent.h>
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "format/ArchiveList.h"
#include "format/EntryName.h"
#include "tools/Extract.h"

namespace {

struct Walk
{
    const uint8_t* data;
    size_t size;
    unsigned entries;
};

bool within(const void* p, size_t n, const Walk& w)
{
    const uint8_t* b = static_cast<const uint8_t*>(p);
    return b >= w.data && n <= w.size && b - w.data <= static_cast<ptrdiff_t>(w.size - n);
}

void onEntry(const KorvanEntry& e, void* context)
{
    Walk& w = *static_cast<Walk*>(context);
    if (e.index != w.entries++ || !within(e.data, e.size, w) || !within(e.name, e.nameLength, w))
        abort();
    if (e.headerLength > e.size || e.body != e.data + e.headerLength || e.bodyLength != e.size - e.headerLength)
        abort();
    if (e.mimeType != nullptr &&
        (e.mimeType < reinterpret_cast<const char*>(e.data) ||
         e.mimeType + e.mimeTypeLength > reinterpret_cast<const char*>(e.data) + e.headerLength))
        abort();
    if (korvan_nameFault(e.name, e.nameLength) != nullptr)
        abort();
    char shown[1024];
    korvan_printableName(e.name, e.nameLength, shown, sizeof shown);
    for (const char* c = shown; *c != '\0'; c++)
        if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F)
            abort();
    char line[2048];
    snprintf(line, sizeof line, "%-*s %6u %6zu  %.*s\n", 20, shown, e.size, e.bodyLength,
             e.mimeType ? static_cast<int>(e.mimeTypeLength) : 1, e.mimeType ? e.mimeType : "-");
}

int removeOne(const char* path, const struct stat*, int, struct FTW*)
{
    return remove(path);
}

// Extracts a sound archive into <scratch>/out; true when it wrote one file per
// entry and nothing else appeared in the scratch directory.
bool extractsInPlace(const uint8_t* data, size_t size, unsigned entries)
{
    char scratch[] = "/tmp/korvan-ls-fuzz-XXXXXX";
    if (mkdtemp(scratch) == nullptr)
        abort();
    const std::string out = std::string(scratch) + "/out";
    std::string error;
    const int written = korvan::extractArchive(data, size, out.c_str(), error);
    // Nothing but "out" may appear beside the directory extracted into.
    bool alone = true;
    DIR* d = opendir(scratch);
    for (struct dirent* e = d != nullptr ? readdir(d) : nullptr; e != nullptr; e = readdir(d))
        alone = alone && (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0 || strcmp(e->d_name, "out") == 0);
    if (d != nullptr)
        closedir(d);
    nftw(scratch, removeOne, 16, FTW_DEPTH | FTW_PHYS);
    // A second entry of the same name is refused (nothing is overwritten): -1.
    return alone && (written < 0 || static_cast<unsigned>(written) == entries);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Walk walk = {data, size, 0};
    char fault[256];
    memset(fault, 0xA5, sizeof fault);
    const bool sound = korvan_list(data, size, onEntry, &walk, fault, sizeof fault);
    if (!sound && memchr(fault, '\0', sizeof fault) == nullptr)
        abort();
    if (sound && walk.entries > 0 && !extractsInPlace(data, size, walk.entries))
        abort();
    return 0;
}
