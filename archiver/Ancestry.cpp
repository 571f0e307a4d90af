#include "Ancestry.h"

#include <cstdlib>
#include <cstring>

namespace korvan {

namespace {

// Adds the directory at path; false when it cannot be looked up.
bool add(Ancestry& ancestry, const char* path)
{
    EntryInfo info = inspectEntry(path);
    if (info.kind != ENTRY_DIRECTORY || ancestry.count == Ancestry::kCapacity)
        return false;
    ancestry.device[ancestry.count] = info.device;
    ancestry.inode[ancestry.count] = info.inode;
    ++ancestry.count;
    return true;
}

}  // namespace

bool loadAncestry(const char* root, Ancestry& ancestry)
{
    static char real[PATH_MAX];
    ancestry.count = 0;
    if (!realpath(root, real) || !add(ancestry, "/"))
        return false;
    // Each "/" after the first ends the path of one more ancestor; the whole path is root.
    for (char* slash = std::strchr(real + 1, '/'); slash; slash = std::strchr(slash + 1, '/')) {
        *slash = '\0';
        bool added = add(ancestry, real);
        *slash = '/';
        if (!added)
            return false;
    }
    return real[1] == '\0' || add(ancestry, real);
}

bool isAncestor(const Ancestry& ancestry, const EntryInfo& info)
{
    for (int i = 0; i < ancestry.count; ++i)
        if (ancestry.device[i] == info.device && ancestry.inode[i] == info.inode)
            return true;
    return false;
}

}  // namespace korvan
