#include "StateFile.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

namespace aq9sim {

namespace {

bool fail(const std::string& what, const std::string& path, std::string* error)
{
    *error = what + " " + path + ": " + strerror(errno);
    return false;
}

} // namespace

bool replaceFile(const std::string& path, const std::string& text, std::string* error)
{
    const std::string tmp = path + ".tmp" + std::to_string(getpid());
    const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail("open", tmp, error);
    size_t done = 0;
    while (done < text.size())
    {
        const ssize_t w = write(fd, text.data() + done, text.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0)
        {
            const int saved = errno;
            close(fd);
            unlink(tmp.c_str());
            errno = saved;
            return fail("write", tmp, error);
        }
        done += static_cast<size_t>(w);
    }
    if (close(fd) != 0)
    {
        unlink(tmp.c_str());
        return fail("close", tmp, error);
    }
    if (rename(tmp.c_str(), path.c_str()) != 0)
    {
        const int saved = errno;
        unlink(tmp.c_str());
        errno = saved;
        return fail("rename to", path, error);
    }
    return true;
}

} // namespace aq9sim
