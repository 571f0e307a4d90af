// Replaces a file's contents atomically: readers see the old or the new text,
// never a part of it.
#ifndef SIM_STATEFILE_H
#define SIM_STATEFILE_H

#include <string>

namespace aq9sim {

// Writes text to a temporary file beside path, then renames it over path.
// False with *error set (the call that failed and why) on failure.
bool replaceFile(const std::string& path, const std::string& text, std::string* error);

} // namespace aq9sim

#endif
