// Runs that stop: every failure with its message and exit status, the table capacities
// on both sides of their limits, and no archive left behind by any refused run.
#include "KorvanHarness.h"

#include "CppUTest/TestHarness.h"

namespace {

std::string many(const char* format, int count)
{
    std::string text;
    char line[64];
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, format, i);
        text += line;
    }
    return text;
}

// A MIME table and a flat tree of files and first-level directories under "web".
void fileTree(const Scratch& at, int files, int dirs)
{
    at.put("mimetype.ini", kMimeIni);
    char name[32];
    for (int i = 0; i < files; ++i) {
        std::snprintf(name, sizeof name, "web/f%03d.htm", i + 1);
        at.put(name, "x");
    }
    for (int i = 0; i < dirs; ++i) {
        std::snprintf(name, sizeof name, "web/d%03d", i);
        at.mkdirs(name);
    }
}

struct Row {
    const char* label;
    void (*build)(const Scratch&);
    std::vector<std::string> args;
    int status;
    const char* err;  // expected on standard error, which must stay empty when this is ""
};

const char kUsage[] = "\nUsage: Korvan [/o <output file>] [/d <directory>]\n";
void oneFile(const Scratch& at) { fileTree(at, 1, 0); }
template <std::size_t N>
void mimeText(const Scratch& at, const char (&text)[N]) { fileTree(at, 1, 0); at.put("mimetype.ini", std::string(text, N - 1)); }

const Row rows[] = {
    {"switch without value", oneFile, {"/o"}, 1, kUsage},
    {"second switch without value", oneFile, {"/o", "x", "/d"}, 1, kUsage},
    {"extra argument", oneFile, {"/o", "x", "/d", "web", "extra"}, 1, kUsage},
    {"three pairs", oneFile, {"/o", "x", "/d", "web", "/o", "y"}, 1, kUsage},
    {"unknown first switch", oneFile, {"/x", "web"}, 1, kUsage},
    {"switch in capitals", oneFile, {"/O", "x"}, 1, kUsage},
    {"unknown second switch", oneFile, {"/o", "x", "/dd", "web"}, 1, kUsage},
    {"no mimetype.ini", [](const Scratch& at) { at.put("web/a.htm", "A"); }, {"/d", "web"}, 2,
     "\nERROR opening file mimetype.ini!\n"},
    {"mimetype.ini is a directory", [](const Scratch& at) { at.put("web/a.htm", "A"); at.mkdirs("mimetype.ini"); },
     {"/d", "web"}, 2, "\nERROR opening file mimetype.ini!\n"},
    {"MIME line without a type", [](const Scratch& at) { mimeText(at, "htm text/html\n\nhtml\ncss text/css\n"); },
     {"/d", "web"}, 2, "ERROR: mimetype.ini line 3: no MIME type after the extension\n"},
    {"MIME line of a dot", [](const Scratch& at) { mimeText(at, ". text/html"); },
     {"/d", "web"}, 2, "ERROR: mimetype.ini line 1: no extension before the MIME type\n"},
    {"MIME line with a NUL", [](const Scratch& at) { mimeText(at, "gif image/gif\r\nhtm text/\0html\r\n"); },
     {"/d", "web"}, 2, "ERROR: mimetype.ini line 2: the line holds a NUL byte\n"},
    {"MIME type with a control byte", [](const Scratch& at) { mimeText(at, "htm text/html\x0bX: y\n"); },
     {"/d", "web"}, 2, "ERROR: mimetype.ini line 1: the MIME type holds a control character\n"},
    {"missing directory", oneFile, {"/d", "nothere"}, 3, "Directory nothere not found!\n"},
    {"directory is a file", oneFile, {"/d", "web/f001.htm"}, 3, "Directory web/f001.htm not found!\n"},
    {"no files", [](const Scratch& at) { fileTree(at, 0, 3); }, {"/d", "web"}, 4, "No files to process!\n"},
    {"output folder missing", oneFile, {"/d", "web", "/o", "no/out.bin"}, 5,
     "\nERROR opening output file no/out.bin!\n"},
    {"output is a directory", [](const Scratch& at) { fileTree(at, 1, 0); at.mkdirs("out"); },
     {"/d", "web", "/o", "out"}, 5, "\nERROR opening output file out!\nout: a directory, not a regular file; it is left as it is\n"},
    {"100 MIME types", [](const Scratch& at) { fileTree(at, 1, 0); at.put("mimetype.ini", many("e%d t/%d\n", 100)); },
     {"/d", "web"}, 0, "Warning: Unknown file extension (f001.htm)\n"},
    {"101 MIME types", [](const Scratch& at) { fileTree(at, 1, 0); at.put("mimetype.ini", many("e%d t/%d\n", 101)); },
     {"/d", "web"}, 6, "ERROR: MIME table exceeds 100 entries\n"},
    {"9-character extension", [](const Scratch& at) { fileTree(at, 1, 0); at.put("mimetype.ini", "abcdefghi x/y\n"); },
     {"/d", "web"}, 6, "ERROR: extension abcdefghi exceeds 8 characters\n"},
    {"header of 257 bytes", [](const Scratch& at) { fileTree(at, 1, 0); at.put("mimetype.ini", "htm " + std::string(225, 't')); },
     {"/d", "web"}, 0, ""},
    {"header of 258 bytes", [](const Scratch& at) { fileTree(at, 1, 0); at.put("mimetype.ini", "htm " + std::string(226, 't')); },
     {"/d", "web"}, 6, " exceeds 257 bytes\n"},
    {"256 files", [](const Scratch& at) { fileTree(at, 256, 0); }, {"/d", "web"}, 0, ""},
    {"257 files", [](const Scratch& at) { fileTree(at, 257, 0); }, {"/d", "web"}, 6,
     "ERROR: file table exceeds 256 entries\n"},
    {"256 directories", [](const Scratch& at) { fileTree(at, 1, 255); }, {"/d", "web"}, 0, ""},
    {"257 directories", [](const Scratch& at) { fileTree(at, 1, 256); }, {"/d", "web"}, 6,
     "ERROR: directory table exceeds 256 entries\n"},
    {"long file name", [](const Scratch& at) { fileTree(at, 0, 0); at.put("web/" + std::string(60, 'd') + "/" + std::string(200, 'f'), "x"); },
     {"/d", "web"}, 6, " exceeds 255 characters\n"},
    {"long directory path", [](const Scratch& at) { fileTree(at, 1, 0); at.mkdirs("web/" + std::string(200, 'a') + "/" + std::string(60, 'b')); },
     {"/d", "web"}, 6, "ERROR: directory path below web/" },
    {"long root", [](const Scratch& at) { fileTree(at, 0, 0); at.put(std::string(200, 'r') + "/" + std::string(60, 'r') + "/a.htm", "x"); },
     {"/d", std::string(200, 'r') + "/" + std::string(60, 'r')}, 6, " exceeds 255 characters\n"},
};

}  // namespace

TEST_GROUP(KorvanFailures){};

TEST(KorvanFailures, each_stop_has_its_message_status_and_leaves_no_archive)
{
    for (const Row& row : rows) {
        Scratch at;
        row.build(at);
        std::vector<std::string> before = at.names();
        Run run = runKorvan(at, row.args);
        LONGS_EQUAL_TEXT(row.status, run.status, row.label);
        CHECK_TEXT(run.err.find(row.err) != std::string::npos, row.label);
        CHECK_TEXT(row.err[0] != '\0' || run.err.empty(), row.label);
        CHECK_TEXT((row.status == 0) != (before == at.names()), row.label);  // archive only on success
    }
}
