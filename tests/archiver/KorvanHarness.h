#pragma once
// Black-box harness: a scratch tree per test, the built Korvan run inside it, and a
// reader that parses an archive back.
#include <string>
#include <vector>

class Scratch {  // a mkdtemp directory, removed with its contents
public:
    Scratch();
    ~Scratch();
    std::string path(const std::string& rel = "") const;
    void put(const std::string& rel, const std::string& bytes) const;  // parents created
    void mkdirs(const std::string& rel) const;
    std::string get(const std::string& rel) const;
    std::vector<std::string> names() const;  // of the scratch root, sorted

private:
    std::string _root;
};

struct RunOptions {
    bool unprivileged = false;  // as "nobody" when tests run as root, so file modes bite
    long fileSizeLimit = -1;    // RLIMIT_FSIZE, -1 for none
};

struct Run {
    int status;
    std::string out, err;
};

Run runKorvan(const Scratch& at, const std::vector<std::string>& args, RunOptions options = {});
// Runs any program (a full path) the same way, in the scratch tree.
Run runProgram(const char* program, const Scratch& at, const std::vector<std::string>& args, RunOptions options = {});

const char kBanner[] = "Pellix Korvan V1.40 (Jan 24 2005).\nConvert web directory to Zento web file.\n";
const char kMimeIni[] = "htm text/html\ngif image/gif\n";
std::string mimeHeader(const std::string& type);  // "" for no type

struct ArchiveEntry {
    std::string name, data;
};

// Parses an archive, failing the test unless its directory describes the file exactly:
// magic, end mark, first entry at H, entries back to back, the last ending the file.
std::vector<ArchiveEntry> readArchive(const std::string& bytes);
std::string entryNames(const std::vector<ArchiveEntry>& entries);  // joined with ","

// Checks that the archive holds exactly these entries (name, MIME type or ""), each
// its header followed by the bytes of the source file under rootRel.
void expectArchiveOf(const Scratch& at, const std::string& archiveRel, const std::string& rootRel,
                     const std::vector<std::pair<const char*, const char*>>& expected);
