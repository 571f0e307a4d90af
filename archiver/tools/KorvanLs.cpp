// korvan-ls: lists the entries of a Korvan archive and checks its structure, so a web
// bundle can be inspected before it is flashed; --extract writes the files back into a tree.
#include "ArchiveFile.h"
#include "Extract.h"
#include "format/ArchiveList.h"
#include "format/EntryName.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace korvan;

namespace {

const char kUsage[] =
    "Usage: korvan-ls [--extract DIR] ARCHIVE\n"
    "Lists each entry of a Korvan archive (name, entry size, body size, MIME type) and checks\n"
    "the archive's structure; exit status 0 when it is sound, 1 with the first fault named.\n"
    "  --extract DIR  also write each entry's body (the packed file) below DIR; existing\n"
    "                 files are never overwritten\n"
    "  -h, --help     this text\n"
    "Example: korvan-ls site.znt\n";

struct Options {
    const char* archive = nullptr;
    const char* extractTo = nullptr;
};

int badArgument(const char* what, const char* arg)
{
    std::fprintf(stderr, "korvan-ls: %s%s\nTry 'korvan-ls --help'.\n", what, arg);
    return 2;
}

// Parses the command line; -1 to go on, otherwise the exit status.
int parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(arg, "--extract") == 0) {
            if (++i == argc)
                return badArgument("--extract needs a directory", "");
            options.extractTo = argv[i];
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return badArgument("unknown option ", arg);
        } else if (options.archive) {
            return badArgument("more than one archive: ", arg);
        } else {
            options.archive = arg;
        }
    }
    return options.archive ? -1 : badArgument("no archive named", "");
}

struct Listing {
    int nameWidth;
    unsigned entries;
};

void shownName(const KorvanEntry& entry, char (&out)[1024])
{
    korvan_printableName(entry.name, entry.nameLength, out, sizeof out);
}

void measure(const KorvanEntry& entry, void* context)
{
    Listing& listing = *static_cast<Listing*>(context);
    char name[1024];
    shownName(entry, name);
    int width = static_cast<int>(std::strlen(name));
    if (width > listing.nameWidth)
        listing.nameWidth = width;
}

void print(const KorvanEntry& entry, void* context)
{
    Listing& listing = *static_cast<Listing*>(context);
    char name[1024];
    shownName(entry, name);
    // The header was checked to be printable text, so its MIME type can go out as it is.
    std::printf("%-*s %6u %6zu  %.*s\n", listing.nameWidth, name, entry.size, entry.bodyLength,
                entry.mimeType ? static_cast<int>(entry.mimeTypeLength) : 1, entry.mimeType ? entry.mimeType : "-");
    ++listing.entries;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    int status = parse(argc, argv, options);
    if (status >= 0)
        return status;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readArchiveFile(options.archive, bytes, error)) {
        std::fprintf(stderr, "korvan-ls: %s: %s\n", options.archive, error.c_str());
        return 1;
    }
    char fault[256];
    Listing listing = {4, 0};
    korvan_list(bytes.data(), bytes.size(), measure, &listing, fault, sizeof fault);
    std::printf("%-*s %6s %6s  %s\n", listing.nameWidth, "NAME", "ENTRY", "BODY", "TYPE");
    if (!korvan_list(bytes.data(), bytes.size(), print, &listing, fault, sizeof fault)) {
        std::fflush(stdout);
        std::fprintf(stderr, "korvan-ls: %s: %s\n", options.archive, fault);
        return 1;
    }
    std::printf("%u entries, %zu bytes: the archive is sound\n", listing.entries, bytes.size());
    if (!options.extractTo)
        return 0;
    int written = extractArchive(bytes.data(), bytes.size(), options.extractTo, error);
    if (written < 0) {
        std::fprintf(stderr, "korvan-ls: %s\n", error.c_str());
        return 1;
    }
    std::printf("%d files extracted to %s\n", written, options.extractTo);
    return 0;
}
