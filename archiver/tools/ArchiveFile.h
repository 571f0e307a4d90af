#pragma once
// Loading an archive file whole into memory for the tools that read it back.
#include <cstdint>
#include <string>
#include <vector>

namespace korvan {

// Far above anything Korvan writes (256 entries of at most 64 K), low enough that a wrong
// file name cannot make a tool swallow a disk image.
constexpr std::size_t kMaxArchiveFileSize = 256u << 20;

// Reads the file at path into bytes; false with the reason in error.
bool readArchiveFile(const char* path, std::vector<uint8_t>& bytes, std::string& error);

}  // namespace korvan
