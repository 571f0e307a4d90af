#include "Collection.h"

#include "DirectoryListing.h"

#include <cstdio>
#include <cstring>

namespace korvan {

namespace {

// Appends one file of dir; false (reported) when the table or its name field is full.
bool appendFile(FileTable& table, const DirectoryRecord& dir, const char* name, uint64_t size,
                const MimeTable& mime)
{
    static char relative[kJoinedSize];
    if (dir.level == 0)
        copyField(relative, sizeof relative, name);
    else
        joinField(relative, sizeof relative, dir.relative, name);
    if (std::strlen(relative) >= kFieldSize) {
        reportOverflow("file name", relative, "255 characters");
        return false;
    }
    // The header joins the file in one 16-bit entry, so both must fit together.
    if (size + headerLengthOf(mime, matchExtension(mime, relative)) > kMaxEntrySize) {
        std::printf("Skipping %s (entry bigger than 64 K)\n", name);
        return true;
    }
    if (table.count == kMaxFiles) {
        reportOverflow("file table", nullptr, "256 entries");
        return false;
    }
    FileRecord& file = table.files[table.count++];
    copyField(file.relative, sizeof file.relative, relative);
    file.nameLength = static_cast<uint8_t>(std::strlen(relative));
    file.entrySize = static_cast<uint16_t>(size);
    file.offset = 0;
    file.mimeIndex = -1;
    return true;
}

// Collects the files of one directory; false on overflow.
bool collectDirectory(FileTable& table, const char* root, const DirectoryRecord& dir,
                      const MimeTable& mime)
{
    DirectoryListing listing(dir.path);
    if (!listing.found()) {
        std::printf("File not found: %s\\*.*\n", root);
        return true;
    }
    static char path[kJoinedSize];
    for (int i = 0; i < listing.count(); ++i) {
        const char* name = listing.name(i);
        joinField(path, sizeof path, dir.path, name);
        EntryInfo info = inspectEntry(path);
        if (info.kind == ENTRY_UNREADABLE)
            std::printf("Warning: cannot read %s\n", path);
        else if (info.kind == ENTRY_DIRECTORY)
            continue;
        else if (info.size > kMaxEntrySize)
            std::printf("Skipping %s (bigger than 64 K)\n", name);
        else if (!appendFile(table, dir, name, info.size, mime))
            return false;
    }
    return true;
}

}  // namespace

ExitStatus collectFiles(const char* root, const DirectoryTable& dirs, const MimeTable& mime,
                        FileTable& table)
{
    table.count = 0;
    for (int i = 0; i < dirs.count; ++i)
        if (!collectDirectory(table, root, dirs.dirs[i], mime))
            return EXIT_OVERFLOW;
    return EXIT_OK;
}

}  // namespace korvan
