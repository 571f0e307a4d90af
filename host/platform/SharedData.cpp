// SharedData on a POSIX shared-memory object "/<name>" (after the run's
// prefix, HostPlatform.h): a small header, then the block. The header carries
// the block's size, so a reader refuses a block of another layout, and a
// sequence counter that a single writer makes odd before copying and even
// after (a seqlock): a reader copies only between two equal even values, so it
// never keeps a half-written record. The creator (the
// writer with init) marks the header closed and unlinks the object when it is
// destroyed; a reader then lets go and looks for a new block on its next read.
#include "SharedData.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sched.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <vector>

#include "HostPlatform.h"
#include "Syslog.h"

namespace {

const uint32_t kMagic = 0x41513953;  // "AQ9S"
// A reader gives up after this many unstable copies: only a writer that died
// while publishing leaves the counter odd for that long.
const int kMaxReadAttempts = 100000;

struct BlockHeader
{
    uint32_t magic;
    uint32_t dataBytes;
    std::atomic<uint32_t> sequence;  // odd while a write is in progress
    std::atomic<uint32_t> closed;    // set by the creator before it unlinks
};

static_assert(std::atomic<uint32_t>::is_always_lock_free, "the header is shared between processes");
static_assert(sizeof(BlockHeader) % 8 == 0, "the block stays 8-byte aligned");

}  // namespace

namespace {

BlockHeader* mapBlock(int fd, size_t bytes, bool writable)
{
    void* p = mmap(nullptr, bytes, PROT_READ | (writable ? PROT_WRITE : 0), MAP_SHARED, fd, 0);
    return p == MAP_FAILED ? nullptr : static_cast<BlockHeader*>(p);
}

// Publishes n bytes under the seqlock. An odd counter left by a writer that
// died mid-copy stays odd until this copy is complete.
void publish(BlockHeader* h, unsigned char* payload, const void* data, size_t n)
{
    const uint32_t odd = h->sequence.load(std::memory_order_relaxed) | 1u;
    h->sequence.store(odd, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    memcpy(payload, data, n);
    h->sequence.store(odd + 1, std::memory_order_release);
}

// Marks an object of another layout closed (so its readers let go) and
// removes its name.
void retire(const char* path, int fd, off_t size)
{
    if (size >= static_cast<off_t>(sizeof(BlockHeader)))
    {
        BlockHeader* old = mapBlock(fd, sizeof(BlockHeader), true);
        if (old != nullptr)
        {
            if (old->magic == kMagic)
                old->closed.store(1, std::memory_order_release);
            munmap(old, sizeof(BlockHeader));
        }
    }
    shm_unlink(path);
}

}  // namespace

struct SharedData::Impl
{
    const char* name;
    char path[NAME_MAX + 2];
    size_t dataBytes;
    bool readable, writable;
    BlockHeader* header = nullptr;
    size_t mapBytes = 0;
    bool creator = false;
    bool complained = false;  // an attach failure is logged once until one succeeds

    unsigned char* payload() { return reinterpret_cast<unsigned char*>(header) + sizeof(BlockHeader); }
    bool create();
    bool attach();
    void detach();
    bool readStable(void* data);
    void complain(const char* what, const char* detail);
};

// Creates the block, or takes over one of the same size left by an earlier
// writer (its readers keep their mapping and see the zeroed block).
bool SharedData::Impl::create()
{
    const size_t total = sizeof(BlockHeader) + dataBytes;
    int fd = shm_open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    struct stat st;
    if (fd >= 0 && fstat(fd, &st) == 0 && st.st_size != 0 && st.st_size != static_cast<off_t>(total))
    {
        Syslog::write("SharedData - %s: replacing a block of %lld bytes with one of %zu", name,
                      static_cast<long long>(st.st_size), total);
        retire(path, fd, st.st_size);
        close(fd);
        fd = shm_open(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    }
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(total)) != 0)
    {
        Syslog::write("SharedData - %s: cannot create %s: %s", name, path, strerror(errno));
        if (fd >= 0)
            close(fd);
        return false;
    }
    header = mapBlock(fd, total, true);
    close(fd);
    if (header == nullptr)
    {
        Syslog::write("SharedData - %s: mmap failed: %s", name, strerror(errno));
        shm_unlink(path);
        return false;
    }
    mapBytes = total;
    creator = true;
    header->magic = kMagic;
    header->dataBytes = static_cast<uint32_t>(dataBytes);
    header->closed.store(0, std::memory_order_release);
    std::vector<unsigned char> zeroes(dataBytes, 0);
    publish(header, payload(), zeroes.data(), dataBytes);
    return true;
}

// Maps an existing block, refusing one of another size.
bool SharedData::Impl::attach()
{
    int fd = shm_open(path, (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC, 0);
    if (fd < 0)
    {
        complain("not available", strerror(errno));
        return false;
    }
    struct stat st;
    const size_t total = sizeof(BlockHeader) + dataBytes;
    BlockHeader* h = nullptr;
    if (fstat(fd, &st) == 0 && st.st_size == static_cast<off_t>(total))
        h = mapBlock(fd, total, writable);
    close(fd);
    if (h == nullptr || h->magic != kMagic || h->dataBytes != dataBytes)
    {
        char detail[64];
        snprintf(detail, sizeof detail, "it holds %lld bytes with its header, expected %zu",
                 static_cast<long long>(st.st_size), total);
        complain("refused", detail);
        if (h != nullptr)
            munmap(h, total);
        return false;
    }
    header = h;
    mapBytes = total;
    complained = false;
    return true;
}

void SharedData::Impl::detach()
{
    if (header == nullptr)
        return;
    if (creator)
    {
        header->closed.store(1, std::memory_order_release);
        shm_unlink(path);
        creator = false;
    }
    munmap(header, mapBytes);
    header = nullptr;
}

// Copies the block between two equal even counter values.
bool SharedData::Impl::readStable(void* data)
{
    for (int attempt = 0; attempt < kMaxReadAttempts; attempt++)
    {
        const uint32_t before = header->sequence.load(std::memory_order_acquire);
        if ((before & 1u) == 0)
        {
            memcpy(data, payload(), dataBytes);
            std::atomic_thread_fence(std::memory_order_acquire);
            if (header->sequence.load(std::memory_order_relaxed) == before)
                return true;
        }
        if (attempt % 64 == 63)
            sched_yield();
    }
    complain("not read", "it stays in the middle of a write (its writer stopped while publishing?)");
    return false;
}

void SharedData::Impl::complain(const char* what, const char* detail)
{
    if (complained)
        return;
    complained = true;
    Syslog::write("SharedData - %s: %s %s: %s", name, path, what, detail);
}

SharedData::SharedData(const char* name, int nDataBytes, Access access, Boolean init)
    : _name(name), _nDataBytes(nDataBytes)
{
    _impl = new Impl();
    _impl->name = name;
    _impl->dataBytes = nDataBytes > 0 ? static_cast<size_t>(nDataBytes) : 0;
    _impl->readable = (access & Read) != 0;
    _impl->writable = (access & Write) != 0;
    if (!hostplatform::ipcPath(name, _impl->path, sizeof _impl->path))
    {
        _impl->readable = _impl->writable = false;
        return;
    }
    if (access == NoAccess || nDataBytes <= 0)
    {
        Syslog::write("SharedData - %s: not opened (access %d, %d bytes)", name, access, nDataBytes);
        _impl->readable = _impl->writable = false;
        return;
    }
    if (init && !_impl->writable)
        Syslog::write("SharedData - %s: init needs write access; the block is only read", name);
    if (init && _impl->writable)
        _impl->create();
    else
        _impl->attach();
}

SharedData::~SharedData()
{
    _impl->detach();
    delete _impl;
}

int SharedData::read(void* data)
{
    if (!_impl->readable)
        return -1;
    // A closed block's writer has gone; a new one may have made another.
    if (_impl->header != nullptr && _impl->header->closed.load(std::memory_order_acquire) != 0)
        _impl->detach();
    if (_impl->header == nullptr && !_impl->attach())
        return -1;
    return _impl->readStable(data) ? _nDataBytes : -1;
}

int SharedData::write(void* data)
{
    if (!_impl->writable)
        return -1;
    if (_impl->header == nullptr && !_impl->attach())
        return -1;
    publish(_impl->header, _impl->payload(), data, _impl->dataBytes);
    return _nDataBytes;
}
