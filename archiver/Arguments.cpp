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

bool parseArguments(int argc, char** argv, Arguments& args)
{
    args.directory = ".";
    args.output = "zento.znt";
    if (argc != 1 && argc != 3 && argc != 5)
        return false;
    // The second pair, when given, overrides what the first one set.
    for (int i = 1; i + 1 < argc; i += 2)
        if (!applySwitch(argv[i], argv[i + 1], args))
            return false;
    return true;
}

}  // namespace korvan
