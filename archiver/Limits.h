#pragma once
// Capacities of the archiver's fixed tables and the exit statuses of a run.
#include "format/ArchiveFormat.h"

#include <cstddef>
#include <cstdint>

namespace korvan {

constexpr int kMaxMimeTypes = 100;
constexpr int kMaxDirectories = 256;
constexpr int kMaxFiles = 256;
constexpr int kMaxLevel = 2;                 // levels searched below the root
constexpr std::size_t kFieldSize = 256;      // path and name fields, terminator included
constexpr std::size_t kJoinedSize = 2 * kFieldSize;  // a field, "/", a field, terminator
constexpr std::size_t kExtensionSize = 10;   // ".", at most 8 characters, terminator
constexpr std::size_t kHeaderSize = 258;     // response header text, terminator included
constexpr uint32_t kMaxEntrySize = KORVAN_MAX_ENTRY_SIZE;

enum ExitStatus {
    EXIT_OK = 0,
    EXIT_USAGE = 1,
    EXIT_NO_MIME_FILE = 2,
    EXIT_NO_DIRECTORY = 3,
    EXIT_NO_FILES = 4,
    EXIT_NO_OUTPUT = 5,
    EXIT_OVERFLOW = 6,
    EXIT_SOURCE_UNREADABLE = 7
};

// Prints "ERROR: <what> [<value>] exceeds <limit>" on standard error; value may be null.
void reportOverflow(const char* what, const char* value, const char* limit);

// Copies src into a field of cap bytes; false (field untouched) when it does not fit.
bool copyField(char* field, std::size_t cap, const char* src);

// Writes "<head>/<tail>" into a field of cap bytes; false when it does not fit.
bool joinField(char* field, std::size_t cap, const char* head, const char* tail);

}  // namespace korvan
