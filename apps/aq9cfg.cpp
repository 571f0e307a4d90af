// aq9cfg: the mission configuration files of the AQ-9 driver, before a dive.
// Lists the keys, checks a file with the driver's own reader, prints an example.
#include <stdio.h>
#include <string.h>

#include <string>

#include "MissionCheck.h"
#include "MissionExample.h"
#include "MissionKeys.h"

namespace {

void usage(FILE* out)
{
    fputs("Usage: aq9cfg keys | check FILE | example | --help\n"
          "\n"
          "The mission configuration files of the AQ-9 driver.\n"
          "  keys        list every key with its kind, default and description\n"
          "              (kind \"byte\": an integer of which only the low 8 bits are kept)\n"
          "  check FILE  read FILE (or FILE.cfg) as the driver does and report every\n"
          "              error and warning with its line number; exit status 0 when\n"
          "              clean, 1 with warnings only, 2 with errors or when the file\n"
          "              cannot be read\n"
          "  example     print a commented example mission file\n"
          "  --help      print this help\n"
          "\n"
          "Example:\n"
          "  aq9cfg example > mission.cfg && aq9cfg check mission.cfg\n",
          out);
}

int badArgument(const char* what, const char* arg)
{
    fprintf(stderr, "aq9cfg: %s '%s'\nTry 'aq9cfg --help' for more information.\n", what, arg);
    return 2;
}

int check(const char* name)
{
    MissionCheck c = MissionCheck_file(name);
    if (c.status == CONFIGFILE_NOT_FOUND)
        fprintf(stderr, "aq9cfg: cannot read %s: no such regular file (nor %s.cfg)\n", name, name);
    else if (c.status == CONFIGFILE_READ_ERROR)
        fprintf(stderr, "aq9cfg: error reading %s\n", c.path.c_str());
    else
        MissionCheck_print(c, stdout);
    return MissionCheck_exitStatus(c);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return badArgument("missing command; expected", "keys|check|example");
    std::string cmd = argv[1];
    if (cmd == "--help" || cmd == "-h")
    {
        usage(stdout);
        return 0;
    }
    int wanted = cmd == "check" ? 3 : 2;
    if (cmd != "keys" && cmd != "check" && cmd != "example")
        return badArgument("unknown command", argv[1]);
    if (argc < wanted)
        return badArgument("missing FILE after", argv[1]);
    if (argc > wanted)
        return badArgument("unexpected argument", argv[wanted]);
    if (cmd == "keys")
        MissionKeys_print(stdout);
    else if (cmd == "example")
        fputs(MissionExample_text().c_str(), stdout);
    else
        return check(argv[2]);
    return 0;
}
