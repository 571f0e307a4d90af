// Reads a mission configuration file into name/value pairs for the attribute
// framework. The syntax is one entry per line,
//     Mag_C00 =   1.000000;
// with white space around the tokens ignored. Blank lines and lines starting
// with "%", "#" or "//" are skipped, and so is such a comment after the ";".
// A line holding a NUL byte is malformed.
#ifndef CONFIG_FILE_READER_H
#define CONFIG_FILE_READER_H

#include <string>
#include <vector>

#include "Attribute.h"

enum ConfigLineKind
{
    CONFIGLINE_SKIP,      // blank or comment
    CONFIGLINE_ENTRY,     // one key and its value
    CONFIGLINE_MALFORMED  // anything else
};

enum ConfigFileStatus
{
    CONFIGFILE_OK,
    CONFIGFILE_NOT_FOUND,  // neither the name nor the name with ".cfg" is a readable file
    CONFIGFILE_READ_ERROR,
    CONFIGFILE_MALFORMED   // at least one line is not an entry, a comment or blank
};

// One entry of a file and where it stands.
struct ConfigEntry
{
    int line;  // from 1
    std::string key;
    std::string value;
};

// A key named again by a later line; the later value is the one that counts.
struct ConfigRepeat
{
    int line;
    int firstLine;
    std::string key;
};

// What reading one file found, beside the pairs themselves.
struct ConfigFileReport
{
    std::string path;                  // the file actually read
    std::vector<int> entryLines;       // line number (from 1) of each pair, in order
    std::vector<int> malformedLines;   // line numbers of the lines that are not entries
    std::vector<ConfigRepeat> repeats; // every later line that names a key again, in order
};

// Splits one line (without or with its line end) into key and value.
ConfigLineKind ConfigFile_splitLine(const std::string& line, std::string* key, std::string* value);

// Opens name as ConfigFile_read does and splits every line into entries (in
// file order) and malformed lines. Unlike ConfigFile_read it keeps the
// well-formed entries of a malformed file, so that a checker can judge them all.
ConfigFileStatus ConfigFile_scan(const char* name, std::vector<ConfigEntry>* entries, ConfigFileReport* report);

// Opens name, or name with ".cfg" appended when name is not a readable file, and
// appends one new Attribute::Input per entry to inputs (the caller deletes them,
// e.g. with ConfigFile_freeInputs). On CONFIGFILE_MALFORMED no input is added.
ConfigFileStatus ConfigFile_read(const char* name, AttributeInputList* inputs, ConfigFileReport* report);

// Deletes every input of the list and empties it.
void ConfigFile_freeInputs(AttributeInputList* inputs);

#endif
