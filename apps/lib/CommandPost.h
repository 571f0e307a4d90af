// Posting one command record to a running driver's queue from another process.
#ifndef COMMAND_POST_H
#define COMMAND_POST_H

#include <string>

#include "AQ9Command.h"

enum CommandPostResult
{
    COMMAND_POSTED,
    COMMAND_NO_DRIVER,  // no aq9host runs, or its queue is not open yet
    COMMAND_NOT_POSTED  // the queue exists but refused the record (full?)
};

// Posts cmd to the queue "AQ9Command" of the aq9host that holds the claim
// (both after the run's AQ9_IPC_PREFIX); a driver still starting up takes it
// once its start-up is done. *why says what failed.
CommandPostResult CommandPost_send(AQ9Command::Command& cmd, std::string* why);

#endif
