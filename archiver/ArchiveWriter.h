#pragma once
// Writing the "ZnT1" archive. All integers little-endian, no alignment:
//   "ZnT1"
//   per file: name length (1), entry size (2), offset (4), relative name (no terminator)
//   0 (1)
//   per file: the MIME header text (when matched) followed by the file's bytes
// The archive is built under a temporary name beside the output and renamed over it
// only once complete, so a failed run never leaves a truncated archive behind.
#include "Collection.h"
#include "Limits.h"
#include "MimeTable.h"

namespace korvan {

// Writes the laid-out files of root to output. EXIT_NO_OUTPUT when the archive cannot
// be created or written (no archive left); EXIT_SOURCE_UNREADABLE when a source file
// could not be read in full (its entry is padded with zero bytes so every later offset
// stays true, and the archive is kept).
ExitStatus writeArchive(const char* root, const char* output, const MimeTable& mime,
                        const FileTable& files);

}  // namespace korvan
