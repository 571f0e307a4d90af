#pragma once
// Directory discovery: the root and the directories one and two levels below it,
// breadth-first, in listing order.
#include "LeftOut.h"
#include "Limits.h"

#include <cstdint>

namespace korvan {

struct DirectoryRecord {
    char path[kFieldSize];      // used to search the directory: root, then "<parent path>/<name>"
    char relative[kFieldSize];  // relative to the root: "" for it, "<parent relative>/<name>" below
    int32_t level;              // 0 for the root
};

struct DirectoryTable {
    DirectoryRecord dirs[kMaxDirectories];
    int count;
    int levelStart[kMaxLevel + 1];  // index of the first directory of each level
};

// Writes the relative name of the entry name found in dir into out (cap bytes): the bare
// name in the root, "<dir relative>/<name>" below it; false when it does not fit.
bool joinRelative(const DirectoryRecord& dir, const char* name, char* out, std::size_t cap);

// Fills the table from the root down to level 2, printing each directory found; a link
// back to the root or above it is left out. EXIT_OVERFLOW (reported) when the table or a
// field would overflow.
ExitStatus discoverDirectories(const char* root, DirectoryTable& table, LeftOut& left);

}  // namespace korvan
