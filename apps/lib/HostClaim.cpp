#include "HostClaim.h"

#include <errno.h>
#include <fcntl.h>
#include <mqueue.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "HostPlatform.h"

const char* const kHostQueueName = "AQ9Command";
const char* const kHostBlockNames[2] = {"aq9Output", "aq9RawMeasOutput"};

namespace {

const char kClaimName[] = "aq9host.claim";

// aq9cmd and aq9watch hold a shared lock on the claim for an instant when they
// ask about it; only a lock that stays is another aq9host's.
int lockExclusive(int fd)
{
    const timespec pause = {0, 5000000};
    for (int attempt = 0; attempt < 20; attempt++)
    {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0)
            return 0;
        if (errno != EWOULDBLOCK)
            return -1;
        nanosleep(&pause, nullptr);
    }
    errno = EWOULDBLOCK;
    return -1;
}

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

// Removes the queue a killed run left; says what was removed or why not.
std::string removeQueue()
{
    char queue[NAME_MAX + 2];
    if (!hostplatform::ipcPath(kHostQueueName, queue, sizeof queue))
        return "";
    // Commands posted to a driver that never read them are named: they are dropped.
    const mqd_t q = mq_open(queue, O_RDONLY | O_NONBLOCK);
    mq_attr attr;
    long unread = 0;
    if (q != static_cast<mqd_t>(-1))
    {
        if (mq_getattr(q, &attr) == 0)
            unread = attr.mq_curmsgs;
        mq_close(q);
    }
    if (mq_unlink(queue) == 0)
        return std::string("removed its queue ") + queue +
               (unread > 0 ? " (" + std::to_string(unread) + " command(s) in it were never read)" : "");
    return errno == ENOENT ? "" : std::string("cannot remove its queue ") + queue + ": " + strerror(errno);
}

// The blocks that exist already, each after a space.
std::string existingBlocks()
{
    std::string blocks;
    for (const char* name : kHostBlockNames)
    {
        char path[NAME_MAX + 2];
        const int fd = hostplatform::ipcPath(name, path, sizeof path) ? shm_open(path, O_RDONLY | O_CLOEXEC, 0) : -1;
        if (fd < 0)
            continue;
        close(fd);
        blocks += std::string(" ") + path;
    }
    return blocks;
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
    if (!hostplatform::ipcPath(kClaimName, _path, sizeof _path))
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
        if (lockExclusive(fd) != 0)
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

std::string HostClaim::clearLeftovers()
{
    if (_fd < 0)
        return "";
    std::string left = removeQueue();
    const std::string blocks = existingBlocks();
    if (!blocks.empty())
        left += (left.empty() ? "" : "; ") + std::string("this run takes over its blocks") + blocks;
    if (left.empty())
        return "";
    return "an aq9host under this prefix ended without closing its queue and blocks (killed?): " + left;
}

bool HostClaim_held()
{
    char path[NAME_MAX + 2];
    if (!hostplatform::ipcPath(kClaimName, path, sizeof path))
        return false;
    const int fd = shm_open(path, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return errno != ENOENT;  // one we may not even open is somebody's
    // Our own shared lock, if we get it, goes with the descriptor.
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}
