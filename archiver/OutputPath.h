#pragma once
// Where the archive goes. Korvan never destroys what stands at its output path: an existing
// regular file is replaced (keeping its permissions), a symbolic link is followed to its
// final target, which is replaced so the link points at the new archive, and anything else
// (device, FIFO, socket, directory) is refused and left as it is.
#include <climits>
#include <sys/types.h>

namespace korvan {

struct OutputTarget {
    char path[PATH_MAX];  // the file to create or replace: the output, or its links' final target
    bool exists;
    mode_t mode;          // permission bits of the file replaced
};

// Resolves output into target; false (reported on standard error) when it must not be written.
bool resolveOutput(const char* output, OutputTarget& target);

}  // namespace korvan
