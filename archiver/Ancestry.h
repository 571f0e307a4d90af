#pragma once
// The packed directory and every directory above it. A link that leads to one of them is
// not followed: it would pack the tree again, and files from above the web root with it.
#include "DirectoryListing.h"

#include <climits>
#include <cstdint>

namespace korvan {

struct Ancestry {
    static constexpr int kCapacity = PATH_MAX / 2 + 1;  // a resolved path has at most this many levels
    uint64_t device[kCapacity];
    uint64_t inode[kCapacity];
    int count;
};

// Fills ancestry from root up to "/"; false when root cannot be resolved.
bool loadAncestry(const char* root, Ancestry& ancestry);

// True when the directory described by info is root or one of its ancestors.
bool isAncestor(const Ancestry& ancestry, const EntryInfo& info);

}  // namespace korvan
