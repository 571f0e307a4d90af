// aq9watch: follows the AQ-9 driver's output blocks "aq9Output" and
// "aq9RawMeasOutput" from another process, one line per new record.
#include <stdio.h>
#include <string.h>

#include "BlockWatch.h"
#include "HostPlatform.h"

namespace {

void usage(FILE* out)
{
    fputs("Usage: aq9watch [--once] [--csv] | --help\n"
          "\n"
          "Prints the records the running AQ-9 driver (aq9host) publishes in its shared-\n"
          "memory blocks aq9Output (attitude) and aq9RawMeasOutput (raw measurements),\n"
          "one line per new record, until SIGINT or until the driver ends.\n"
          "  --once   print both blocks once and end: exit status 0 when both hold a\n"
          "           record, 1 when no driver publishes or it is still starting up\n"
          "  --csv    CSV for programs: one header for both blocks (column block says\n"
          "           which), times in seconds since the epoch, the blocks' own units\n"
          "  --help   print this help\n"
          "Set AQ9_IPC_PREFIX as for the aq9host it is meant for.\n"
          "\n"
          "Examples:\n"
          "  aq9watch\n"
          "  aq9watch --csv > dive12.csv\n",
          out);
}

}  // namespace

int main(int argc, char** argv)
{
    WatchOptions o;
    for (int i = 1; i < argc; i++)
    {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0)
        {
            usage(stdout);
            return 0;
        }
        if (strcmp(argv[i], "--once") == 0)
            o.once = true;
        else if (strcmp(argv[i], "--csv") == 0)
            o.csv = true;
        else
        {
            fprintf(stderr, "aq9watch: unknown argument '%s'\nTry 'aq9watch --help' for more information.\n", argv[i]);
            return 2;
        }
    }
    if (!hostplatform::stopOnSignals())
        return 1;
    return BlockWatch_run(o, stdout, stderr);
}
