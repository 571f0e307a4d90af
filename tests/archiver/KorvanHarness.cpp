#include "KorvanHarness.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "CppUTest/TestHarness.h"

namespace fs = std::filesystem;

namespace {

// In the child: stdout and stderr to files, root dropped and limits set if asked, then exec.
[[noreturn]] void execProgram(const char* program, const Scratch& at, const std::vector<std::string>& args,
                              const RunOptions& options, const std::string& capture)
{
    bool ready = freopen((capture + ".out").c_str(), "w", stdout) && freopen((capture + ".err").c_str(), "w", stderr) &&
                 chdir(at.path().c_str()) == 0;
    if (!ready || (options.unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)))
        _exit(126);
    if (options.fileSizeLimit >= 0) {
        signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails instead of killing
        struct rlimit limit = {rlim_t(options.fileSizeLimit), rlim_t(options.fileSizeLimit)};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program, argv.data());
    _exit(127);
}

}  // namespace

Scratch::Scratch()
{
    char pattern[] = "/tmp/korvan-test-XXXXXX";
    CHECK_TEXT(mkdtemp(pattern) != nullptr, "mkdtemp");
    _root = pattern;
}

Scratch::~Scratch()
{
    std::error_code ignored;
    fs::remove_all(_root, ignored);
}

std::string Scratch::path(const std::string& rel) const { return rel.empty() ? _root : _root + "/" + rel; }

void Scratch::mkdirs(const std::string& rel) const { fs::create_directories(path(rel)); }

void Scratch::put(const std::string& rel, const std::string& bytes) const
{
    fs::create_directories(fs::path(path(rel)).parent_path());
    std::ofstream(path(rel), std::ios::binary) << bytes;
}

std::string Scratch::get(const std::string& rel) const
{
    std::ifstream in(path(rel), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Scratch::names() const
{
    std::vector<std::string> found;
    for (const fs::directory_entry& e : fs::directory_iterator(_root))
        found.push_back(e.path().filename());
    std::sort(found.begin(), found.end());
    return found;
}

Run runKorvan(const Scratch& at, const std::vector<std::string>& args, RunOptions options)
{
    return runProgram(KORVAN_PATH, at, args, options);
}

Run runProgram(const char* program, const Scratch& at, const std::vector<std::string>& args, RunOptions options)
{
    Scratch capture;  // outside the tree being packed
    if (options.unprivileged)
        chmod(at.path().c_str(), 0777);
    pid_t pid = fork();
    if (pid == 0)
        execProgram(program, at, args, options, capture.path("run"));
    int status = 0;
    waitpid(pid, &status, 0);
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return {code, capture.get("run.out"), capture.get("run.err")};
}

std::string mimeHeader(const std::string& type)
{
    return type.empty() ? "" : "HTTP/1.0 200\r\nContent-type: " + type + "\r\n\r\n";
}

std::vector<ArchiveEntry> readArchive(const std::string& bytes)
{
    auto at = [&](std::size_t i) { return i < bytes.size() ? unsigned(static_cast<unsigned char>(bytes[i])) : 0u; };
    CHECK_TEXT(bytes.compare(0, 4, "ZnT1") == 0, "magic");
    std::vector<ArchiveEntry> entries;
    std::vector<unsigned> sizes, offsets;
    std::size_t pos = 4;
    for (unsigned n; pos < bytes.size() && (n = at(pos)) != 0; pos += 7 + n) {
        CHECK_TEXT(pos + 7 + n < bytes.size(), "directory runs past the file");
        entries.push_back({bytes.substr(pos + 7, n), ""});
        sizes.push_back(at(pos + 1) | at(pos + 2) << 8);
        offsets.push_back(at(pos + 3) | at(pos + 4) << 8 | at(pos + 5) << 16 | at(pos + 6) << 24);
    }
    std::size_t next = pos + 1;  // H: the end mark is the directory's last byte
    for (std::size_t i = 0; i < entries.size(); next += sizes[i++]) {
        UNSIGNED_LONGS_EQUAL_TEXT(next, offsets[i], entries[i].name.c_str());
        CHECK_TEXT(offsets[i] + sizes[i] <= bytes.size(), entries[i].name.c_str());
        entries[i].data = bytes.substr(offsets[i], sizes[i]);
    }
    UNSIGNED_LONGS_EQUAL_TEXT(bytes.size(), next, "entries do not end the archive");
    return entries;
}

std::string entryNames(const std::vector<ArchiveEntry>& entries)
{
    std::string names;
    for (const ArchiveEntry& e : entries)
        names += (names.empty() ? "" : ",") + e.name;
    return names;
}

void expectArchiveOf(const Scratch& at, const std::string& archiveRel, const std::string& rootRel,
                     const std::vector<std::pair<const char*, const char*>>& expected)
{
    std::vector<ArchiveEntry> entries = readArchive(at.get(archiveRel));
    LONGS_EQUAL_TEXT(expected.size(), entries.size(), entryNames(entries).c_str());
    for (std::size_t i = 0; i < expected.size() && i < entries.size(); ++i) {
        STRCMP_EQUAL(expected[i].first, entries[i].name.c_str());
        CHECK_TEXT(mimeHeader(expected[i].second) + at.get(rootRel + "/" + expected[i].first) == entries[i].data,
                   expected[i].first);
    }
}
