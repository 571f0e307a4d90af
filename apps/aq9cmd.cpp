// aq9cmd: posts one command by name to the running AQ-9 driver's queue.
#include <stdio.h>
#include <string.h>

#include <string>

#include "CommandNames.h"
#include "CommandPost.h"

namespace {

void usage(FILE* out)
{
    fputs("Usage: aq9cmd COMMAND [ARGUMENTS] | --help\n"
          "\n"
          "Posts COMMAND to the queue of the running AQ-9 driver (aq9host). Commands:\n",
          out);
    CommandNames_print(out);
    fputs("\n"
          "Exit status: 0 posted, 1 no driver running or the queue refused it, 2 a bad\n"
          "command or argument. The driver's answer is in its log (aq9host's standard error).\n"
          "Set AQ9_IPC_PREFIX as for the aq9host it is meant for.\n"
          "\n"
          "Examples:\n"
          "  aq9cmd start-cal          # tumble the vehicle, then:\n"
          "  aq9cmd finish-cal\n"
          "  aq9cmd set-position 36.8 -121.9\n",
          out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0))
    {
        usage(stdout);
        return 0;
    }
    AQ9Command::Command cmd;
    std::string error;
    if (!CommandNames_record(argc - 1, argv + 1, &cmd, &error))
    {
        fprintf(stderr, "aq9cmd: %s\nTry 'aq9cmd --help' for more information.\n", error.c_str());
        return 2;
    }
    if (CommandPost_send(cmd, &error) != COMMAND_POSTED)
    {
        fprintf(stderr, "aq9cmd: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    printf("aq9cmd: %s posted\n", argv[1]);
    return 0;
}
