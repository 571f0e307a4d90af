#include "AQ9Command.h"

#include <string.h>

AQ9Command::Command::Command()
{
    memset(this, 0, sizeof *this);
}

AQ9Command::AQ9Command(MessageQueue::Access access)
    : MessageQueue("AQ9Command", sizeof(Command), 20, access, 0)
{
}

int AQ9Command::read(Command* cmd)
{
    return MessageQueue::read(cmd);
}

int AQ9Command::write(Command* cmd)
{
    return MessageQueue::write(cmd);
}
