// Posting one command record to a running driver's queue from another process.
#ifndef COMMAND_POST_H
#define COMMAND_POST_H

#include <string>

#include "AQ9Command.h"

enum CommandPostResult
{
    COMMAND_POSTED,
    COMMAND_NO_DRIVER,  // no driver's block or queue to be found
    COMMAND_NOT_POSTED  // the queue exists but refused the record (full?)
};

// Posts cmd to the queue "AQ9Command" of the driver publishing "aq9Output"
// (both after the run's AQ9_IPC_PREFIX). *why says what failed.
CommandPostResult CommandPost_send(AQ9Command::Command& cmd, std::string* why);

#endif
