// What stands at the output path: a regular file is replaced keeping its permissions, a
// link is followed to its final target, anything else is refused and left as it was.
#include "KorvanHarness.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include "CppUTest/TestHarness.h"

namespace {

// A Unix socket bound at path; left bound until the test's scratch tree goes.
bool makeSocket(const std::string& path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    path.copy(address.sun_path, path.size());
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    bool bound = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        close(fd);
    return bound;
}

mode_t kindAt(const Scratch& at, const char* rel)
{
    struct stat st = {};
    lstat(at.path(rel).c_str(), &st);
    return st.st_mode;
}

struct Row {
    const char* label;
    bool (*make)(const Scratch&);  // false when this machine cannot make it (no mknod without root)
    const char* output;
    int status;
    const char* archiveAt;  // where the archive must land, null when refused
    const char* linkAt;     // a link that must still be a link afterwards, or null
};

const Row rows[] = {
    {"FIFO", [](const Scratch& at) { return mkfifo(at.path("out").c_str(), 0644) == 0; }, "out", 5, nullptr, nullptr},
    {"device", [](const Scratch& at) { return mknod(at.path("out").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0; },
     "out", 5, nullptr, nullptr},
    {"socket", [](const Scratch& at) { return makeSocket(at.path("out")); }, "out", 5, nullptr, nullptr},
    {"link to a FIFO", [](const Scratch& at) { return mkfifo(at.path("fifo").c_str(), 0644) == 0 &&
                                                      symlink("fifo", at.path("out").c_str()) == 0; },
     "out", 5, nullptr, "out"},
    {"link to an archive elsewhere",
     [](const Scratch& at) { at.put("deploy/site-v1.znt", "old"); return symlink("deploy/site-v1.znt", at.path("current.znt").c_str()) == 0; },
     "current.znt", 0, "deploy/site-v1.znt", "current.znt"},
    {"chain of links, absolute and relative",
     [](const Scratch& at) { at.put("deploy/v2/site.znt", "old");
                             return symlink("v2/site.znt", at.path("deploy/latest").c_str()) == 0 &&
                                    symlink(at.path("deploy/latest").c_str(), at.path("current.znt").c_str()) == 0; },
     "current.znt", 0, "deploy/v2/site.znt", "current.znt"},
    {"dangling link", [](const Scratch& at) { at.mkdirs("deploy"); return symlink("deploy/new.znt", at.path("next.znt").c_str()) == 0; },
     "next.znt", 0, "deploy/new.znt", "next.znt"},
    {"regular file with its permissions", [](const Scratch& at) { at.put("out", "old"); return chmod(at.path("out").c_str(), 0640) == 0; },
     "out", 0, "out", nullptr},
};

}  // namespace

TEST_GROUP(KorvanOutput){};

TEST(KorvanOutput, only_a_regular_file_is_replaced_and_links_keep_pointing_at_it)
{
    for (const Row& row : rows) {
        Scratch at;
        at.put("mimetype.ini", kMimeIni);
        at.put("web/a.htm", "A");
        if (!row.make(at))
            continue;  // a device needs root, which CI has
        mode_t before = kindAt(at, row.output);
        std::vector<std::string> names = at.names();
        Run run = runKorvan(at, {"/d", "web", "/o", row.output});
        LONGS_EQUAL_TEXT(row.status, run.status, row.label);
        CHECK_TEXT(names == at.names(), row.label);  // no temporary left, nothing new beside the output
        if (row.linkAt)
            CHECK_TEXT(S_ISLNK(kindAt(at, row.linkAt)), row.label);
        if (!row.archiveAt) {
            LONGS_EQUAL_TEXT(before, kindAt(at, row.output), row.label);
            CHECK_TEXT(run.err.find(" not a regular file; it is left as it is\n") != std::string::npos, row.label);
            continue;
        }
        expectArchiveOf(at, row.archiveAt, "web", {{"a.htm", "text/html"}});
        if (!row.linkAt)
            LONGS_EQUAL_TEXT(before & 07777, kindAt(at, row.output) & 07777, row.label);
    }
}
