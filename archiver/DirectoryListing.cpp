#include "DirectoryListing.h"

#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace korvan {

namespace {

int byName(const struct dirent** a, const struct dirent** b)
{
    return std::strcmp((*a)->d_name, (*b)->d_name);
}

}  // namespace

DirectoryListing::DirectoryListing(const char* path) : _entries(nullptr), _count(-1)
{
    _count = scandir(path, &_entries, nullptr, byName);
}

DirectoryListing::~DirectoryListing()
{
    for (int i = 0; i < count(); ++i)
        std::free(_entries[i]);
    std::free(_entries);
}

const char* DirectoryListing::name(int i) const
{
    return _entries[i]->d_name;
}

EntryInfo inspectEntry(const char* path)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return {ENTRY_UNREADABLE, 0, 0, 0};
    const uint64_t device = st.st_dev;
    const uint64_t inode = st.st_ino;
    if (S_ISDIR(st.st_mode))
        return {ENTRY_DIRECTORY, 0, device, inode};
    // A FIFO or device would block or never end when copied; only regular files are read.
    if (!S_ISREG(st.st_mode))
        return {ENTRY_UNREADABLE, 0, device, inode};
    return {ENTRY_FILE, static_cast<uint64_t>(st.st_size), device, inode};
}

bool isDotEntry(const char* name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

}  // namespace korvan
