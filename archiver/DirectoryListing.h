#pragma once
// Listing of one directory, standing in for the "*.*" search of the original tool: every
// entry, "." and ".." included, taken in byte order of the names so that two runs over
// the same tree give the same archive (readdir order is arbitrary).
#include <cstdint>

struct dirent;

namespace korvan {

class DirectoryListing {
public:
    explicit DirectoryListing(const char* path);
    ~DirectoryListing();
    DirectoryListing(const DirectoryListing&) = delete;
    DirectoryListing& operator=(const DirectoryListing&) = delete;

    // False when the directory could not be searched.
    bool found() const { return _count >= 0; }
    int count() const { return _count < 0 ? 0 : _count; }
    const char* name(int i) const;

private:
    struct dirent** _entries;
    int _count;
};

enum EntryKind {
    ENTRY_UNREADABLE,  // stat failed (a dangling link) or not a file one can read through
    ENTRY_DIRECTORY,
    ENTRY_FILE
};

struct EntryInfo {
    EntryKind kind;
    uint64_t size;    // bytes of a file; 0 for a directory, as the search reports it
    uint64_t device;  // with inode, tells one directory from another whatever its path
    uint64_t inode;
};

// Looks up the entry at path (links followed).
EntryInfo inspectEntry(const char* path);

// True when the name is "." or "..".
bool isDotEntry(const char* name);

}  // namespace korvan
