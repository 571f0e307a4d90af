#include "CommandPost.h"

#include <stdlib.h>

#include "HostClaim.h"
#include "HostPlatform.h"

namespace {

// The queue with a word on whether it was opened at all.
class PostingQueue : public AQ9Command
{
  public:
    PostingQueue() : AQ9Command(MessageQueue::Write) {}
    bool opened() const { return _queue >= 0; }
};

std::string prefixNote()
{
    const char* p = getenv(hostplatform::kIpcPrefixVariable);
    return p != nullptr && *p != '\0' ? std::string(" with ") + hostplatform::kIpcPrefixVariable + "=" + p : "";
}

}  // namespace

CommandPostResult CommandPost_send(AQ9Command::Command& cmd, std::string* why)
{
    // A queue left behind by a driver that was killed would take the record
    // and nobody would read it: a running aq9host holds its claim.
    if (!HostClaim_held())
    {
        *why = "no driver is running" + prefixNote() + " (no aq9host holds its claim); start aq9host first";
        return COMMAND_NO_DRIVER;
    }
    PostingQueue queue;
    if (!queue.opened())
    {
        *why = "the driver" + prefixNote() + " has no queue AQ9Command open yet (still starting?); try again";
        return COMMAND_NO_DRIVER;
    }
    if (queue.write(&cmd) < 0)
    {
        *why = "the driver's queue AQ9Command refused the command (full: is the driver stuck?)";
        return COMMAND_NOT_POSTED;
    }
    return COMMAND_POSTED;
}
