#include "CommandPost.h"

#include <stdlib.h>

#include "AQ9Output.h"
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
    // and nobody would read it: a live driver also has its block open.
    AQ9Output block(SharedData::Read, 0);
    if (block.SharedData::read(&block.data) < 0)
    {
        *why = "no driver is running" + prefixNote() + " (no block aq9Output); start aq9host first";
        return COMMAND_NO_DRIVER;
    }
    PostingQueue queue;
    if (!queue.opened())
    {
        *why = "no driver is running" + prefixNote() + " (no queue AQ9Command); start aq9host first";
        return COMMAND_NO_DRIVER;
    }
    if (queue.write(&cmd) < 0)
    {
        *why = "the driver's queue AQ9Command refused the command (full: is the driver stuck?)";
        return COMMAND_NOT_POSTED;
    }
    return COMMAND_POSTED;
}
