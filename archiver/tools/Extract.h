#pragma once
// Writing an archive's entries back into a directory tree: each body (the file as it was
// packed, header removed) under its relative name. The archive is checked whole first, so a
// broken one writes nothing. Nothing is overwritten and nothing is written outside the
// directory: existing files are refused, and so are links met on the way down.
#include <cstddef>
#include <cstdint>
#include <string>

namespace korvan {

// Extracts the archive of size bytes at data into dir (created when missing); returns the
// number of files written, or -1 with the reason in error.
int extractArchive(const uint8_t* data, std::size_t size, const char* dir, std::string& error);

}  // namespace korvan
