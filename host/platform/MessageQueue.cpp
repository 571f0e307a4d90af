// MessageQueue on a POSIX message queue "/<name>" (after the run's prefix,
// HostPlatform.h). A queue opened for reading
// is created when missing (its creator unlinks it when destroyed) and wakes
// the task that owns it; a queue opened for writing only must already exist,
// so a command posted while no reader runs fails rather than waits unread.
#include "MessageQueue.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <mqueue.h>
#include <stdio.h>
#include <string.h>

#include "HostPlatform.h"
#include "Syslog.h"
#include "TaskLoop.h"

static_assert(sizeof(mqd_t) <= sizeof(int), "the queue handle is kept in an int");

struct MessageQueue::Impl
{
    char path[NAME_MAX + 2];
    bool creator;
    bool attached;
};

namespace {

const char* const kMsgMaxFile = "/proc/sys/fs/mqueue/msg_max";

// The most messages an unprivileged queue may hold on this system.
long systemDepthLimit()
{
    long limit = 10;  // the kernel's default
    FILE* f = fopen(kMsgMaxFile, "r");
    if (f != nullptr)
    {
        if (fscanf(f, "%ld", &limit) != 1)
            limit = 10;
        fclose(f);
    }
    return limit;
}

int openFlags(MessageQueue::Access access, Boolean blocking)
{
    int flags = access == MessageQueue::Read ? O_RDONLY : access == MessageQueue::Write ? O_WRONLY : O_RDWR;
    // Linux makes every queue descriptor close-on-exec by itself.
    return flags | (blocking ? 0 : O_NONBLOCK);
}

}  // namespace

MessageQueue::MessageQueue(const char* name, int msgSize, int maxQueueSize, Access access, Boolean blocking)
    : _name(name), _access(access), _msgSize(msgSize), _maxQueueSize(maxQueueSize), _blocking(blocking), _queue(-1),
      debug(0)
{
    _impl = new Impl();
    if (!hostplatform::ipcPath(name, _impl->path, sizeof _impl->path))
        return;
    if (access == NoAccess || msgSize <= 0)
    {
        Syslog::write("MessageQueue - %s: not opened (access %d, message size %d)", name, access, msgSize);
        return;
    }
    const int flags = openFlags(access, blocking);
    mqd_t q = -1;
    if (access & Read)
    {
        long depth = maxQueueSize > 0 ? maxQueueSize : 1;
        const long limit = systemDepthLimit();
        if (depth > limit)
        {
            Syslog::write("MessageQueue - %s: depth %ld capped at the system's limit %ld (%s)", name, depth, limit,
                          kMsgMaxFile);
            depth = limit;
        }
        mq_attr attr;
        memset(&attr, 0, sizeof attr);
        attr.mq_maxmsg = depth;
        attr.mq_msgsize = msgSize;
        q = mq_open(_impl->path, flags | O_CREAT | O_EXCL, 0660, &attr);
        _impl->creator = q != static_cast<mqd_t>(-1);
        if (!_impl->creator && errno == EEXIST)
        {
            q = mq_open(_impl->path, flags);
            if (q != static_cast<mqd_t>(-1))
                Syslog::write("MessageQueue - %s: using the queue that already exists (left by an earlier run?)",
                              name);
        }
    }
    else
    {
        q = mq_open(_impl->path, flags);
    }
    if (q == static_cast<mqd_t>(-1))
    {
        Syslog::write("MessageQueue - %s: mq_open failed: %s%s", name, strerror(errno),
                      errno == ENOENT ? " (no reader has created it)" : "");
        return;
    }
    // Messages of another size cannot be exchanged with this queue.
    mq_attr got;
    memset(&got, 0, sizeof got);
    if (mq_getattr(q, &got) != 0 || got.mq_msgsize != msgSize)
    {
        Syslog::write("MessageQueue - %s: holds messages of %ld bytes, expected %d; not used", name,
                      static_cast<long>(got.mq_msgsize), msgSize);
        mq_close(q);
        if (_impl->creator)
            mq_unlink(_impl->path);
        _impl->creator = false;
        return;
    }
    _queue = q;
    if (access & Read)
        _impl->attached = TaskLoop::attachQueue(q);
}

MessageQueue::~MessageQueue()
{
    if (_impl->attached)
        TaskLoop::detachQueue(_queue);
    if (_queue >= 0)
        mq_close(_queue);
    if (_impl->creator)
        mq_unlink(_impl->path);
    delete _impl;
}

int MessageQueue::read(void* data)
{
    if (_queue < 0 || !(_access & Read))
        return -1;
    ssize_t n;
    for (;;)
    {
        n = mq_receive(_queue, static_cast<char*>(data), static_cast<size_t>(_msgSize), nullptr);
        if (n < 0 && errno == EINTR)
            continue;
        // The queue's messages are fixed-size records, but any process may
        // post fewer bytes: such a message would leave the tail of the reader's
        // record from the one before, so it is dropped.
        if (n >= 0 && n != _msgSize)
        {
            Syslog::write("MessageQueue - %s: dropped a message of %zd bytes, expected %d", _name, n, _msgSize);
            continue;
        }
        break;
    }
    if (n < 0 && errno == EAGAIN)
        return 0;
    if (n < 0)
    {
        Syslog::write("MessageQueue - %s: mq_receive failed: %s", _name, strerror(errno));
        return -1;
    }
    if (debug)
        Syslog::write("MessageQueue - %s: read %zd bytes", _name, n);
    return static_cast<int>(n);
}

int MessageQueue::write(void* data)
{
    if (_queue < 0 || !(_access & Write))
        return -1;
    int r;
    do
        r = mq_send(_queue, static_cast<const char*>(data), static_cast<size_t>(_msgSize), 0);
    while (r < 0 && errno == EINTR);
    if (r < 0)
    {
        Syslog::write("MessageQueue - %s: mq_send failed: %s", _name,
                      errno == EAGAIN ? "the queue is full" : strerror(errno));
        return -1;
    }
    if (debug)
        Syslog::write("MessageQueue - %s: wrote %d bytes", _name, _msgSize);
    return _msgSize;
}
