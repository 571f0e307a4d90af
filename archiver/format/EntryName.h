#pragma once
// Entry names as they arrive from an archive that may be hostile: which are safe to turn
// into a path below a directory, and how to show any of them on a terminal.
#include <cstddef>

// Null when the name of n bytes is a relative path that stays below the directory it is
// joined to (no NUL byte, no leading "/", no empty, "." or ".." component); otherwise why not.
const char* korvan_nameFault(const char* name, std::size_t n);

// Writes the name of n bytes into out (cap bytes, always terminated, cut with "..." when too
// long), control bytes, '"' and '\' escaped as \xNN, so it cannot play tricks on a terminal.
void korvan_printableName(const char* name, std::size_t n, char* out, std::size_t cap);
