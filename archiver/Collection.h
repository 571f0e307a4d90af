#pragma once
// File collection: every file of every discovered directory, in table and listing order.
#include "Discovery.h"
#include "LeftOut.h"
#include "Limits.h"
#include "MimeTable.h"

#include <cstdint>

namespace korvan {

struct FileRecord {
    uint8_t nameLength;         // length of relative, terminator excluded
    uint16_t entrySize;         // file size, plus the matched header's length once matched
    uint32_t offset;            // of the entry's data from the start of the archive
    char relative[kFieldSize];  // "<directory relative>/<name>", or the bare name in the root
    int32_t mimeIndex;          // matched MIME entry, -1 for none
};

struct FileTable {
    FileRecord files[kMaxFiles];
    int count;
};

// Collects the files below root. Files that would not fit a 16-bit entry, with or without
// their header, entries that cannot be read and directories below the second level are
// left out with a warning. EXIT_OVERFLOW (reported) when the table or a name would overflow.
ExitStatus collectFiles(const char* root, const DirectoryTable& dirs, const MimeTable& mime, FileTable& table,
                        LeftOut& left);

}  // namespace korvan
