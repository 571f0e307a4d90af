#include "KorvanHarness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <ftw.h>
#include <signal.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "CppUTest/TestHarness.h"

namespace {

int removeOne(const char* path, const struct stat*, int, struct FTW*)
{
    return std::remove(path);
}

std::string slurp(std::FILE* f)
{
    std::string text;
    std::rewind(f);
    for (int c; (c = std::fgetc(f)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(f);
    return text;
}

// In the child: drop root if asked, apply limits, then become Korvan.
[[noreturn]] void execKorvan(const Scratch& at, const std::vector<std::string>& args,
                             const RunOptions& options)
{
    if (chdir(at.path().c_str()) != 0)
        _exit(126);
    for (int fd = 3; fd < 256; ++fd)
        close(fd);
    if (options.unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
        _exit(126);
    if (options.fileSizeLimit >= 0) {
        signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails instead of killing
        struct rlimit limit = {rlim_t(options.fileSizeLimit), rlim_t(options.fileSizeLimit)};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    std::vector<char*> argv{const_cast<char*>(KORVAN_PATH)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(KORVAN_PATH, argv.data());
    _exit(127);
}

}  // namespace

Scratch::Scratch()
{
    char pattern[] = "/tmp/korvan-test-XXXXXX";
    CHECK_TEXT(mkdtemp(pattern) != nullptr, "mkdtemp failed");
    _root = pattern;
}

Scratch::~Scratch()
{
    chmod(_root.c_str(), 0700);
    nftw(_root.c_str(), removeOne, 16, FTW_DEPTH | FTW_PHYS);
}

std::string Scratch::path(const std::string& rel) const
{
    return rel.empty() ? _root : _root + "/" + rel;
}

void Scratch::mkdirs(const std::string& rel) const
{
    for (std::size_t slash = 0; slash != std::string::npos;) {
        slash = rel.find('/', slash + 1);
        mkdir(path(rel.substr(0, slash)).c_str(), 0755);
    }
}

void Scratch::put(const std::string& rel, const std::string& bytes) const
{
    std::size_t slash = rel.rfind('/');
    if (slash != std::string::npos)
        mkdirs(rel.substr(0, slash));
    std::ofstream(path(rel), std::ios::binary) << bytes;
}

std::string Scratch::get(const std::string& rel) const
{
    std::ifstream in(path(rel), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Scratch::names(const std::string& rel) const
{
    std::vector<std::string> found;
    if (DIR* dir = opendir(path(rel).c_str())) {
        while (struct dirent* e = readdir(dir))
            if (e->d_name[0] != '.')
                found.push_back(e->d_name);
        closedir(dir);
    }
    std::sort(found.begin(), found.end());
    return found;
}

Run runKorvan(const Scratch& at, const std::vector<std::string>& args, RunOptions options)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    if (options.unprivileged)
        chmod(at.path().c_str(), 0777);
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fileno(out), 1);
        dup2(fileno(err), 2);
        execKorvan(at, args, options);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return {code, slurp(out), slurp(err)};
}

std::string mimeHeader(const std::string& type)
{
    return type.empty() ? "" : "HTTP/1.0 200\r\nContent-type: " + type + "\r\n\r\n";
}

std::vector<ArchiveEntry> readArchive(const std::string& bytes)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(bytes[i])); };
    std::vector<ArchiveEntry> entries;
    CHECK_TEXT(bytes.compare(0, 4, "ZnT1") == 0, "magic");
    std::size_t at = 4;
    while (at < bytes.size() && byte(at) != 0) {
        unsigned n = byte(at);
        CHECK_TEXT(at + 7 + n < bytes.size(), "directory runs past the file");
        unsigned size = byte(at + 1) | byte(at + 2) << 8;
        unsigned offset = byte(at + 3) | byte(at + 4) << 8 | byte(at + 5) << 16 | byte(at + 6) << 24;
        entries.push_back({bytes.substr(at + 7, n), size, offset, ""});
        at += 7 + n;
    }
    CHECK_TEXT(at < bytes.size(), "no end mark");
    std::size_t next = at + 1;  // H
    for (ArchiveEntry& e : entries) {
        UNSIGNED_LONGS_EQUAL_TEXT(next, e.offset, e.name.c_str());
        CHECK_TEXT(e.offset + e.size <= bytes.size(), e.name.c_str());
        e.data = bytes.substr(e.offset, e.size);
        next = e.offset + e.size;
    }
    UNSIGNED_LONGS_EQUAL_TEXT(bytes.size(), next, "last entry does not end the archive");
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
                     const std::vector<ExpectedEntry>& expected)
{
    std::vector<ArchiveEntry> entries = readArchive(at.get(archiveRel));
    LONGS_EQUAL_TEXT(expected.size(), entries.size(), entryNames(entries).c_str());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        STRCMP_EQUAL(expected[i].name, entries[i].name.c_str());
        std::string source = at.get(rootRel + "/" + expected[i].name);
        CHECK_TEXT(mimeHeader(expected[i].type) + source == entries[i].data, expected[i].name);
    }
}
