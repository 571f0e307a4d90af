#include "ConfigFileReader.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <map>

namespace {

const char* const kBlank = " \t\r\n\f\v";

std::string trim(const std::string& s)
{
    size_t first = s.find_first_not_of(kBlank);
    if (first == std::string::npos)
        return std::string();
    size_t last = s.find_last_not_of(kBlank);
    return s.substr(first, last - first + 1);
}

bool isComment(const std::string& trimmed)
{
    return trimmed.empty() || trimmed[0] == '%' || trimmed[0] == '#' || trimmed.compare(0, 2, "//") == 0;
}

bool hasBlank(const std::string& s)
{
    return s.find_first_of(kBlank) != std::string::npos;
}

// A readable regular file (a directory of the same name does not count).
FILE* openRegular(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "r");
    if (f == nullptr)
        return nullptr;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode))
    {
        fclose(f);
        return nullptr;
    }
    return f;
}

// Reads every line; false on a read error.
bool readLines(FILE* f, std::vector<std::string>* lines)
{
    char* buf = nullptr;
    size_t cap = 0;
    ssize_t n;
    while ((n = getline(&buf, &cap, f)) >= 0)
        lines->push_back(std::string(buf, static_cast<size_t>(n)));
    free(buf);
    return ferror(f) == 0;
}

}  // namespace

ConfigLineKind ConfigFile_splitLine(const std::string& line, std::string* key, std::string* value)
{
    // A NUL byte (a zero-filled block from an interrupted write) would cut the
    // key or value short where the attribute reads it; the line is not trusted.
    if (line.find('\0') != std::string::npos)
        return CONFIGLINE_MALFORMED;
    std::string t = trim(line);
    if (isComment(t))
        return CONFIGLINE_SKIP;
    size_t eq = t.find('=');
    size_t semi = t.find(';');
    if (eq == std::string::npos || semi == std::string::npos || semi < eq)
        return CONFIGLINE_MALFORMED;
    std::string k = trim(t.substr(0, eq));
    std::string v = trim(t.substr(eq + 1, semi - eq - 1));
    // After the ";" only a comment may follow.
    std::string rest = trim(t.substr(semi + 1));
    if (k.empty() || hasBlank(k) || v.empty() || v.find('=') != std::string::npos || !isComment(rest))
        return CONFIGLINE_MALFORMED;
    *key = k;
    *value = v;
    return CONFIGLINE_ENTRY;
}

ConfigFileStatus ConfigFile_scan(const char* name, std::vector<ConfigEntry>* entries, ConfigFileReport* report)
{
    if (name == nullptr || name[0] == '\0')
        return CONFIGFILE_NOT_FOUND;
    report->path = name;
    FILE* f = openRegular(report->path);
    if (f == nullptr)
    {
        report->path += ".cfg";
        f = openRegular(report->path);
    }
    if (f == nullptr)
        return CONFIGFILE_NOT_FOUND;

    std::vector<std::string> lines;
    bool readOk = readLines(f, &lines);
    fclose(f);
    if (!readOk)
        return CONFIGFILE_READ_ERROR;

    std::map<std::string, int> firstLine;
    for (size_t i = 0; i < lines.size(); i++)
    {
        ConfigEntry e;
        e.line = static_cast<int>(i + 1);
        ConfigLineKind kind = ConfigFile_splitLine(lines[i], &e.key, &e.value);
        if (kind == CONFIGLINE_MALFORMED)
            report->malformedLines.push_back(e.line);
        else if (kind == CONFIGLINE_ENTRY)
        {
            auto first = firstLine.insert(std::make_pair(e.key, e.line));
            if (!first.second)
                report->repeats.push_back(ConfigRepeat{e.line, first.first->second, e.key});
            report->entryLines.push_back(e.line);
            entries->push_back(e);
        }
    }
    return report->malformedLines.empty() ? CONFIGFILE_OK : CONFIGFILE_MALFORMED;
}

ConfigFileStatus ConfigFile_read(const char* name, AttributeInputList* inputs, ConfigFileReport* report)
{
    std::vector<ConfigEntry> entries;
    ConfigFileStatus st = ConfigFile_scan(name, &entries, report);
    // A file with a syntax error sets nothing at all.
    if (st == CONFIGFILE_MALFORMED)
    {
        report->entryLines.clear();
        report->repeats.clear();
    }
    if (st != CONFIGFILE_OK)
        return st;
    for (const ConfigEntry& e : entries)
    {
        Attribute::Input* in = new Attribute::Input(e.key.c_str(), e.value.c_str());
        if (inputs->add(&in) != 0)
        {
            delete in;
            return CONFIGFILE_READ_ERROR;
        }
    }
    return CONFIGFILE_OK;
}

void ConfigFile_freeInputs(AttributeInputList* inputs)
{
    for (int i = 0; i < inputs->size(); i++)
        delete inputs->array[i];
    inputs->n_elems = 0;
}
