#pragma once
// Writing the "ZnT1" archive (format/ArchiveFormat.h). The archive is built under a
// temporary name beside the file it replaces and renamed onto it only once complete, so a
// failed run never leaves a truncated archive behind; what stands at the output path is
// never destroyed (OutputPath.h).
#include "Collection.h"
#include "LeftOut.h"
#include "Limits.h"
#include "MimeTable.h"

namespace korvan {

// Writes the laid-out files of root to output. EXIT_NO_OUTPUT when the archive cannot
// be created or written (no archive left); EXIT_SOURCE_UNREADABLE when a source file
// could not be read in full (its header is kept and its body padded with zero bytes so
// every later offset stays true, and the archive is kept).
ExitStatus writeArchive(const char* root, const char* output, const MimeTable& mime, const FileTable& files,
                        LeftOut& left);

}  // namespace korvan
