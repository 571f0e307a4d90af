#pragma once
// Archive layout: MIME matching of the collected files and the offset of every entry.
#include "Collection.h"
#include "MimeTable.h"

#include <cstdint>

namespace korvan {

// Gives each file its MIME entry (warning about unknown extensions) and grows its entry
// size by the header it will carry.
void assignMimeTypes(FileTable& files, const MimeTable& mime);

// Size of the archive's directory: magic, one record per file, the closing 0 byte.
uint32_t directorySize(const FileTable& files);

// Sets every offset, entries following the directory back to back; returns the
// archive's total size.
uint32_t layOut(FileTable& files);

}  // namespace korvan
