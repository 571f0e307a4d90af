// One aq9host per queue and block names. Two under the same AQ9_IPC_PREFIX
// would publish into one pair of blocks, take each other's commands, and the
// first to end would remove the queue and close the blocks under the other.
// The names themselves cannot tell a running owner from one that was killed
// (only a clean end closes a block), so aq9host holds a lock on an object of
// its own beside them, "/<prefix>aq9host.claim": the kernel lets go of it
// when the holder ends in any way, so a killed run never keeps a new one out,
// and aq9cmd and aq9watch ask it whether a driver runs at all.
#ifndef HOST_CLAIM_H
#define HOST_CLAIM_H

#include <limits.h>

#include <string>

// What the claim covers: the driver's command queue and its two blocks.
extern const char* const kHostQueueName;      // "AQ9Command"
extern const char* const kHostBlockNames[2];  // "aq9Output", "aq9RawMeasOutput"

class HostClaim
{
  public:
    HostClaim();
    ~HostClaim();  // lets go of the claim and removes its name
    HostClaim(const HostClaim&) = delete;
    HostClaim& operator=(const HostClaim&) = delete;

    // Claims this run's names; false with *why when another aq9host holds
    // them or the claim cannot be made. Nothing to claim (true) when the
    // prefix is refused: no queue or block is then opened at all.
    bool take(std::string* why);

    // Once claimed, before the queue and blocks are made: removes the queue
    // an aq9host that did not end cleanly left (with any commands it never
    // read), so this run creates and later removes its own. Its blocks stay:
    // this run takes them over, and their readers keep following. Returns a
    // line saying what was left, empty when nothing was.
    std::string clearLeftovers();

  private:
    int _fd;
    char _path[NAME_MAX + 2];
};

// Whether an aq9host holds the claim of this run's prefix now: false when
// there is no claim or nobody holds it (the driver ended, however it ended).
bool HostClaim_held();

#endif
