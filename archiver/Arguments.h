#pragma once
// Command line of the archiver: Korvan [/o <output file>] [/d <directory>], or -h / --help.

namespace korvan {

struct Arguments {
    const char* directory;  // root of the web tree to pack
    const char* output;     // archive file to write
};

enum ArgumentsResult {
    ARGUMENTS_OK,
    ARGUMENTS_HELP,  // "-h" or "--help" alone
    ARGUMENTS_BAD    // wrong argument count, or a switch that is neither "/o" nor "/d"
};

// Fills args from the command line.
ArgumentsResult parseArguments(int argc, char** argv, Arguments& args);

}  // namespace korvan
