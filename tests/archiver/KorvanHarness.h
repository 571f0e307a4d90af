#pragma once
// Harness for the black-box tests: a scratch tree per test, a way to run the built
// Korvan in it, and a reader that parses an archive back.
#include <string>
#include <vector>

class Scratch {
public:
    Scratch();  // a fresh directory from mkdtemp
    ~Scratch(); // removed with everything in it
    std::string path(const std::string& rel = "") const;
    void put(const std::string& rel, const std::string& bytes) const;  // parents created
    void mkdirs(const std::string& rel) const;
    std::string get(const std::string& rel) const;
    std::vector<std::string> names(const std::string& rel = "") const;  // sorted

private:
    std::string _root;
};

struct RunOptions {
    bool unprivileged = false;  // run as "nobody" when the tests run as root, so modes bite
    long fileSizeLimit = -1;    // RLIMIT_FSIZE for the run, -1 for none
};

struct Run {
    int status;
    std::string out;
    std::string err;
};

// Runs Korvan with args, working directory the scratch root.
Run runKorvan(const Scratch& at, const std::vector<std::string>& args, RunOptions options = {});

// The header stored in front of a file of the given MIME type ("" for none).
std::string mimeHeader(const std::string& type);

const char kBanner[] = "Pellix Korvan V1.40 (Jan 24 2005).\nConvert web directory to Zento web file.\n";
const char kMimeIni[] = "htm text/html\ngif image/gif\n";

struct ArchiveEntry {
    std::string name;
    unsigned size;
    unsigned offset;
    std::string data;  // the entry's bytes
};

// Parses an archive, failing the running test when its directory and offsets do not
// describe the file exactly (magic, end mark, first entry at H, entries back to back,
// the last one ending the file).
std::vector<ArchiveEntry> readArchive(const std::string& bytes);

// Entry names in archive order, joined with ",".
std::string entryNames(const std::vector<ArchiveEntry>& entries);

struct ExpectedEntry {
    const char* name;
    const char* type;  // MIME type whose header precedes the file, "" for none
};

// Checks that the archive at archiveRel holds exactly the expected entries, each the
// header followed by the bytes of the source file under rootRel.
void expectArchiveOf(const Scratch& at, const std::string& archiveRel, const std::string& rootRel,
                     const std::vector<ExpectedEntry>& expected);
