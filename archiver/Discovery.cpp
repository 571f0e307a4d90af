#include "Discovery.h"

#include "Ancestry.h"
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
    if (!joinRelative(parent, name, dir.relative, sizeof dir.relative)) {
        reportOverflow("relative directory name below", parent.relative, "255 characters");
        return false;
    }
    ++table.count;
    std::printf("Directory %s found!\n", dir.relative);
    return true;
}

Ancestry ancestry;

// True (reported) when the directory name found in parent leads back to the root or above.
bool leadsUp(const DirectoryRecord& parent, const char* name, const EntryInfo& info, LeftOut& left)
{
    if (!isAncestor(ancestry, info))
        return false;
    static char relative[kJoinedSize];
    joinRelative(parent, name, relative, sizeof relative);
    leaveOut(left, LEFT_OUT_LINK_UP, relative);
    return true;
}

// Appends the subdirectories of one directory; false on overflow.
bool searchDirectory(DirectoryTable& table, int index, LeftOut& left)
{
    const DirectoryRecord& parent = table.dirs[index];
    DirectoryListing listing(parent.path);
    if (!listing.found()) {
        // Counted once, when its files are collected.
        std::fprintf(stderr, "File not found: %s\\*.*\n", parent.path);
        return true;
    }
    static char path[kJoinedSize];
    for (int i = 0; i < listing.count(); ++i) {
        const char* name = listing.name(i);
        if (isDotEntry(name) || !joinField(path, sizeof path, parent.path, name))
            continue;
        // Unreadable entries are reported once, when files are collected.
        EntryInfo info = inspectEntry(path);
        if (info.kind != ENTRY_DIRECTORY || leadsUp(parent, name, info, left))
            continue;
        if (!appendDirectory(table, parent, name))
            return false;
    }
    return true;
}

}  // namespace

bool joinRelative(const DirectoryRecord& dir, const char* name, char* out, std::size_t cap)
{
    return dir.level == 0 ? copyField(out, cap, name) : joinField(out, cap, dir.relative, name);
}

ExitStatus discoverDirectories(const char* root, DirectoryTable& table, LeftOut& left)
{
    if (!loadAncestry(root, ancestry))
        std::fprintf(stderr, "Warning: cannot resolve %s; links leading above it are not recognised\n", root);
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
            if (!searchDirectory(table, i, left))
                return EXIT_OVERFLOW;
    }
    return EXIT_OK;
}

}  // namespace korvan
