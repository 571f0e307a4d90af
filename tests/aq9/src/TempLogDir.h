// A private log directory for one test: created empty, named by AUV_LOG_DIR
// while the test runs, removed with everything in it afterwards, and the
// variable put back as it was.
#ifndef TESTS_TEMPLOGDIR_H
#define TESTS_TEMPLOGDIR_H

#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

class TempLogDir
{
  public:
    TempLogDir() : _hadPrevious(false)
    {
        char pattern[] = "/tmp/aq9test.XXXXXX";
        const char* made = mkdtemp(pattern);
        _dir = made != nullptr ? made : "/tmp";
        const char* previous = getenv("AUV_LOG_DIR");
        if (previous != nullptr)
        {
            _hadPrevious = true;
            _previous = previous;
        }
        setenv("AUV_LOG_DIR", _dir.c_str(), 1);
    }
    ~TempLogDir()
    {
        if (_hadPrevious)
            setenv("AUV_LOG_DIR", _previous.c_str(), 1);
        else
            unsetenv("AUV_LOG_DIR");
        if (_dir != "/tmp")
            nftw(_dir.c_str(), removeEntry, 8, FTW_DEPTH | FTW_PHYS);
    }
    TempLogDir(const TempLogDir&) = delete;
    TempLogDir& operator=(const TempLogDir&) = delete;

    const std::string& dir() const { return _dir; }
    std::string latest() const { return _dir + "/latest"; }
    std::string file(const std::string& name) const { return latest() + "/" + name; }

    // Creates "latest" and a file in it with the given text.
    void plant(const std::string& name, const std::string& text) const
    {
        mkdir(latest().c_str(), 0775);
        std::ofstream(file(name)) << text;
    }

  private:
    static int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

    std::string _dir;
    bool _hadPrevious;
    std::string _previous;
};

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

// The file's lines without their line ends; a last line without one counts too.
inline std::vector<std::string> readLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::string text = readFile(path), line;
    for (char ch : text)
    {
        if (ch == '\n')
        {
            lines.push_back(line);
            line.clear();
        }
        else
            line += ch;
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

#endif
