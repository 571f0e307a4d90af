#include "Discovery.h"

#include "DirectoryListing.h"

#include <cstdio>

namespace korvan {

namespace {

// Appends the directory name found in parent; false (reported) when it does not fit.
bool appendDirectory(DirectoryTable& table, const DirectoryRecord& parent, const char* name)
{
    if (table.count == kMaxDirectories) {
        reportOverflow("directory table", nullptr, "256 entries");
        return false;
    }
    DirectoryRecord& dir = table.dirs[table.count];
    dir.level = parent.level + 1;
    if (!joinField(dir.path, sizeof dir.path, parent.path, name)) {
        reportOverflow("directory path below", parent.path, "255 characters");
        return false;
    }
    bool fits = dir.level == 1 ? copyField(dir.relative, sizeof dir.relative, name)
                               : joinField(dir.relative, sizeof dir.relative, parent.relative, name);
    if (!fits) {
        reportOverflow("relative directory name below", parent.relative, "255 characters");
        return false;
    }
    ++table.count;
    std::printf("Directory %s found!\n", dir.relative);
    return true;
}

// Appends the subdirectories of one directory; false on overflow.
bool searchDirectory(DirectoryTable& table, int index)
{
    const DirectoryRecord& parent = table.dirs[index];
    DirectoryListing listing(parent.path);
    if (!listing.found()) {
        std::printf("File not found: %s\\*.*\n", parent.path);
        return true;
    }
    static char path[kJoinedSize];
    for (int i = 0; i < listing.count(); ++i) {
        const char* name = listing.name(i);
        if (isDotEntry(name) || !joinField(path, sizeof path, parent.path, name))
            continue;
        // Unreadable entries are reported once, when files are collected.
        if (inspectEntry(path).kind == ENTRY_DIRECTORY && !appendDirectory(table, parent, name))
            return false;
    }
    return true;
}

}  // namespace

ExitStatus discoverDirectories(const char* root, DirectoryTable& table)
{
    DirectoryRecord& top = table.dirs[0];
    if (!copyField(top.path, sizeof top.path, root)) {
        reportOverflow("directory", root, "255 characters");
        return EXIT_OVERFLOW;
    }
    top.relative[0] = '\0';
    top.level = 0;
    table.count = 1;
    table.levelStart[0] = 0;
    for (int level = 1; level <= kMaxLevel; ++level) {
        table.levelStart[level] = table.count;
        for (int i = table.levelStart[level - 1]; i < table.levelStart[level]; ++i)
            if (!searchDirectory(table, i))
                return EXIT_OVERFLOW;
    }
    return EXIT_OK;
}

}  // namespace korvan
