#include "HostClaim.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "HostPlatform.h"

namespace {

// An aq9host ending between our open and our lock may remove the name and
// another make it anew; a lock on the removed object would keep nobody out.
bool stillNamed(int fd, const char* path)
{
    const int now = shm_open(path, O_RDONLY | O_CLOEXEC, 0);
    if (now < 0)
        return false;
    struct stat held, named;
    const bool same = fstat(fd, &held) == 0 && fstat(now, &named) == 0 && held.st_dev == named.st_dev &&
                      held.st_ino == named.st_ino;
    close(now);
    return same;
}

std::string prefixText()
{
    const char* p = getenv(hostplatform::kIpcPrefixVariable);
    const std::string name = hostplatform::kIpcPrefixVariable;
    return name + (p != nullptr && *p != '\0' ? "=" + std::string(p) : " unset");
}

}  // namespace

HostClaim::HostClaim() : _fd(-1)
{
    _path[0] = '\0';
}

HostClaim::~HostClaim()
{
    if (_fd < 0)
        return;
    // Removed while still held: a later run makes a new one.
    shm_unlink(_path);
    close(_fd);
}

bool HostClaim::take(std::string* why)
{
    if (!hostplatform::ipcPath("aq9host.claim", _path, sizeof _path))
        return true;
    for (int attempt = 0; attempt < 3; attempt++)
    {
        // Read access is enough for the lock, so another user's aq9host is seen too.
        const int fd = shm_open(_path, O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
        {
            *why = std::string("cannot open the claim /dev/shm") + _path + ": " + strerror(errno);
            return false;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        {
            const int error = errno;
            close(fd);
            if (error == EWOULDBLOCK)
                *why = "another aq9host runs with the same queue and blocks (" + prefixText() +
                       "); give each run its own " + hostplatform::kIpcPrefixVariable + ", e.g. " +
                       hostplatform::kIpcPrefixVariable + "=rig2- for this aq9host and its aq9cmd and aq9watch";
            else
                *why = std::string("cannot lock the claim /dev/shm") + _path + ": " + strerror(error);
            return false;
        }
        if (stillNamed(fd, _path))
        {
            _fd = fd;
            return true;
        }
        close(fd);
    }
    *why = std::string("the claim /dev/shm") + _path + " keeps being replaced; try again";
    return false;
}
