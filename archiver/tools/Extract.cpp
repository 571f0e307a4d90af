#include "Extract.h"

#include "format/ArchiveList.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvan {

namespace {

struct Extraction {
    std::string dir;
    std::string error;  // the first failure; later entries are then passed over
    int written;
};

bool fail(Extraction& x, const std::string& path, const char* why)
{
    x.error = path + ": " + why;
    return false;
}

// Makes the directory at path, or accepts one that is already there (but no link to one).
bool makeDirectory(Extraction& x, const std::string& path)
{
    struct stat st;
    if (mkdir(path.c_str(), 0755) == 0)
        return true;
    if (errno != EEXIST)
        return fail(x, path, std::strerror(errno));
    if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return fail(x, path, "exists and is not a directory");
    return true;
}

// Writes all n bytes, retrying short writes; null, or why not.
const char* writeAll(int fd, const uint8_t* bytes, std::size_t n)
{
    while (n > 0) {
        ssize_t done = write(fd, bytes, n);
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0)
            return std::strerror(errno);
        if (done == 0)
            return "nothing written";
        bytes += done;
        n -= static_cast<std::size_t>(done);
    }
    return nullptr;
}

bool writeBody(Extraction& x, const KorvanEntry& entry)
{
    std::string name(entry.name, entry.nameLength);
    // Parents first, one level at a time; names were checked to hold no "..", "." or empty part.
    for (std::size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
        if (!makeDirectory(x, x.dir + "/" + name.substr(0, slash)))
            return false;
    std::string path = x.dir + "/" + name;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(x, path, std::strerror(errno));
    const char* why = writeAll(fd, entry.body, entry.bodyLength);
    if (close(fd) != 0 && !why)
        why = std::strerror(errno);
    if (why)
        return fail(x, path, why);
    ++x.written;
    return true;
}

void extractEntry(const KorvanEntry& entry, void* context)
{
    Extraction& x = *static_cast<Extraction*>(context);
    if (x.error.empty())
        writeBody(x, entry);
}

}  // namespace

int extractArchive(const uint8_t* data, std::size_t size, const char* dir, std::string& error)
{
    char fault[256];
    if (!korvan_list(data, size, nullptr, nullptr, fault, sizeof fault)) {
        error = fault;
        return -1;
    }
    Extraction x{dir, "", 0};
    struct stat st;
    bool ready = stat(dir, &st) == 0 ? S_ISDIR(st.st_mode) || fail(x, dir, "not a directory") : makeDirectory(x, dir);
    if (!ready) {
        error = x.error;
        return -1;
    }
    korvan_list(data, size, extractEntry, &x, fault, sizeof fault);
    error = x.error;
    return error.empty() ? x.written : -1;
}

}  // namespace korvan
