// Reading back the files the driver writes into a test's log directory.
#ifndef TESTS_LOGFILEREADING_H
#define TESTS_LOGFILEREADING_H

#include <sys/stat.h>
#include <time.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline bool fileExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Lines without their line ends; a last line without one counts too.
inline std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); i++)
        if (text[i] == '\n')
        {
            lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

inline std::vector<std::string> readLines(const std::string& path)
{
    return splitLines(readFile(path));
}

// The first line of a one-shot file: "% " and the time as ctime gives it.
inline std::string timeStampLine(time_t t)
{
    std::string s = std::string("% ") + ctime(&t);
    s.pop_back();
    return s;
}

#endif
