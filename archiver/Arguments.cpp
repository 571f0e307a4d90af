#include "Arguments.h"

#include <cstring>

namespace korvan {

namespace {

// Applies one switch with its value; switches are matched exactly, case included.
bool applySwitch(const char* name, const char* value, Arguments& args)
{
    if (std::strcmp(name, "/o") == 0) {
        args.output = value;
        return true;
    }
    if (std::strcmp(name, "/d") == 0) {
        args.directory = value;
        return true;
    }
    return false;
}

}  // namespace

ArgumentsResult parseArguments(int argc, char** argv, Arguments& args)
{
    args.directory = ".";
    args.output = "zento.znt";
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0))
        return ARGUMENTS_HELP;
    if (argc != 1 && argc != 3 && argc != 5)
        return ARGUMENTS_BAD;
    // The second pair, when given, overrides what the first one set.
    for (int i = 1; i + 1 < argc; i += 2)
        if (!applySwitch(argv[i], argv[i + 1], args))
            return ARGUMENTS_BAD;
    return ARGUMENTS_OK;
}

}  // namespace korvan
