#pragma once
// What a run leaves out of the archive: one warning on standard error for each thing, and
// a count by reason for the summary line, so nothing goes missing without a word.
#include <cstddef>

namespace korvan {

enum LeftOutReason {
    LEFT_OUT_BIG,          // a file over 65535 bytes
    LEFT_OUT_BIG_ENTRY,    // a file that would pass 65535 bytes with its header
    LEFT_OUT_DEEP,         // a directory below the second level
    LEFT_OUT_UNREADABLE,   // a dangling link, FIFO, device or socket
    LEFT_OUT_UNLISTED,     // a directory that could not be listed
    LEFT_OUT_LINK_UP,      // a link to the packed directory or above it
    LEFT_OUT_UNOPENED,     // a file that could not be opened: its entry keeps its header, zero body
    LEFT_OUT_SHORT_READ,   // a file that could not be read in full: the rest of its body is zeros
    LEFT_OUT_REASONS
};

struct LeftOut {
    int count[LEFT_OUT_REASONS];
};

// Prints the warning for what (a path) and counts it under reason.
void leaveOut(LeftOut& left, LeftOutReason reason, const char* what);

// Writes "; left out: <n> <reason>, ..." into out (cap bytes), or "" when nothing was.
void describeLeftOut(const LeftOut& left, char* out, std::size_t cap);

}  // namespace korvan
