#include "Collection.h"

#include "DirectoryListing.h"

#include <cstdio>
#include <cstring>

namespace korvan {

namespace {

// Appends one file of dir under its relative name; false (reported) when the table or its
// name field is full.
bool appendFile(FileTable& table, const char* relative, uint64_t size, const MimeTable& mime, LeftOut& left)
{
    if (std::strlen(relative) >= kFieldSize) {
        reportOverflow("file name", relative, "255 characters");
        return false;
    }
    // The header joins the file in one 16-bit entry, so both must fit together.
    if (size + headerLengthOf(mime, matchExtension(mime, relative)) > kMaxEntrySize) {
        leaveOut(left, LEFT_OUT_BIG_ENTRY, relative);
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

// Takes one entry of dir, found at path: a file is appended or left out, a directory was
// taken by discovery unless it lies below the second level; false on overflow.
bool collectEntry(FileTable& table, const DirectoryRecord& dir, const char* name, const char* path,
                  const MimeTable& mime, LeftOut& left)
{
    static char relative[kJoinedSize];
    joinRelative(dir, name, relative, sizeof relative);
    EntryInfo info = inspectEntry(path);
    if (info.kind == ENTRY_UNREADABLE)
        leaveOut(left, LEFT_OUT_UNREADABLE, path);
    else if (info.kind == ENTRY_DIRECTORY && dir.level == kMaxLevel)
        leaveOut(left, LEFT_OUT_DEEP, relative);
    else if (info.kind == ENTRY_DIRECTORY)
        return true;
    else if (info.size > kMaxEntrySize)
        leaveOut(left, LEFT_OUT_BIG, relative);
    else
        return appendFile(table, relative, info.size, mime, left);
    return true;
}

// Collects the files of one directory; false on overflow.
bool collectDirectory(FileTable& table, const char* root, const DirectoryRecord& dir, const MimeTable& mime,
                      LeftOut& left)
{
    DirectoryListing listing(dir.path);
    if (!listing.found()) {
        leaveOut(left, LEFT_OUT_UNLISTED, root);
        return true;
    }
    static char path[kJoinedSize];
    for (int i = 0; i < listing.count(); ++i) {
        const char* name = listing.name(i);
        if (isDotEntry(name))
            continue;
        joinField(path, sizeof path, dir.path, name);
        if (!collectEntry(table, dir, name, path, mime, left))
            return false;
    }
    return true;
}

}  // namespace

ExitStatus collectFiles(const char* root, const DirectoryTable& dirs, const MimeTable& mime, FileTable& table,
                        LeftOut& left)
{
    table.count = 0;
    for (int i = 0; i < dirs.count; ++i)
        if (!collectDirectory(table, root, dirs.dirs[i], mime, left))
            return EXIT_OVERFLOW;
    return EXIT_OK;
}

}  // namespace korvan
