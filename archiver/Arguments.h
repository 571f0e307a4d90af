#pragma once
// Command line of the archiver: Korvan [/o <output file>] [/d <directory>].

namespace korvan {

struct Arguments {
    const char* directory;  // root of the web tree to pack
    const char* output;     // archive file to write
};

// Fills args from the command line; false when it is not one the tool accepts
// (wrong argument count, or a switch that is neither "/o" nor "/d").
bool parseArguments(int argc, char** argv, Arguments& args);

}  // namespace korvan
