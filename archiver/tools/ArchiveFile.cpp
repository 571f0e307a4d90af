#include "ArchiveFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace korvan {

namespace {

// Appends what the descriptor yields to bytes; false with the reason in error.
bool readAll(int fd, std::vector<uint8_t>& bytes, std::string& error)
{
    uint8_t chunk[64 * 1024];
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = std::strerror(errno);
            return false;
        }
        if (n == 0)
            return true;
        if (bytes.size() + static_cast<std::size_t>(n) > kMaxArchiveFileSize) {
            error = "larger than 256 MiB, too large to be an archive";
            return false;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
}

}  // namespace

bool readArchiveFile(const char* path, std::vector<uint8_t>& bytes, std::string& error)
{
    bytes.clear();
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    bool read = readAll(fd, bytes, error);
    close(fd);
    return read;
}

}  // namespace korvan
