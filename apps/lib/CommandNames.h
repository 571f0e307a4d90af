// The driver's commands by name, as aq9cmd posts them: each name with the
// command code it stands for and the numbers it takes.
#ifndef COMMAND_NAMES_H
#define COMMAND_NAMES_H

#include <stddef.h>
#include <stdio.h>

#include <string>

#include "AQ9Command.h"

struct CommandName
{
    const char* name;
    AQ9Command::AQ9Commands code;
    const char* arguments;  // "" when it takes none
    const char* help;
};

// Every command, in the order of the driver's codes.
const CommandName* CommandNames_table(size_t* count);
const CommandName* CommandNames_find(const char* name);

// The command record for argv[0] with its arguments argv[1..argc-1]. False
// with *error naming the argument at fault: an unknown name, a wrong count, or
// a value that is not a number or lies outside its range.
bool CommandNames_record(int argc, const char* const* argv, AQ9Command::Command* cmd, std::string* error);

// One line per command: name, arguments, what it does.
void CommandNames_print(FILE* out);

#endif
