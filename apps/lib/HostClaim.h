// One aq9host per queue and block names. Two under the same AQ9_IPC_PREFIX
// would publish into one pair of blocks, take each other's commands, and the
// first to end would remove the queue and close the blocks under the other.
// The names themselves cannot tell a running owner from one that was killed
// (only a clean end closes a block), so aq9host holds a lock on an object of
// its own beside them, "/<prefix>aq9host.claim": the kernel lets go of it
// when the holder ends in any way, so a killed run never keeps a new one out.
#ifndef HOST_CLAIM_H
#define HOST_CLAIM_H

#include <limits.h>

#include <string>

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

  private:
    int _fd;
    char _path[NAME_MAX + 2];
};

#endif
