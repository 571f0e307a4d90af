// korvan-ls: the listing and extraction of what Korvan packed, and every kind of broken
// archive named by its first fault with nothing extracted.
#include "KorvanHarness.h"

#include <algorithm>
#include <cstdio>

#include "CppUTest/TestHarness.h"

namespace {

const char kMime[] = "htm text/html\ngif image/gif\n";

std::string listLine(const std::string& name, const std::string& entry, const std::string& body, const char* type,
                     int width)
{
    char line[512];
    std::snprintf(line, sizeof line, "%-*s %6s %6s  %s\n", width, name.c_str(), entry.c_str(), body.c_str(), type);
    return line;
}

// A tree of files of many sizes, bytes and depths from a fixed seed; returns the names
// Korvan archives, in archive order (names sort as the archive does: by level, then bytes).
std::vector<std::string> generateTree(const Scratch& at, unsigned seed)
{
    const char* dirs[] = {"", "d1/", "d1/d2/", "e/"};
    const char* exts[] = {".htm", ".gif", ".bin"};
    std::vector<std::string> kept[3];
    for (int i = 0; i < 30; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int dir = (seed >> 8) % 4;
        const int level = dir == 0 ? 0 : dir == 2 ? 2 : 1;
        std::size_t size = i < 3 ? 65000 + 300 * i : (seed >> 12) % 3000;  // two fit, one does not
        std::string bytes(size, '\0');
        for (std::size_t b = 0; b < size; ++b)
            bytes[b] = static_cast<char>((seed >> 16) + b * 7);
        std::string name = dirs[dir] + std::string("f") + std::to_string(10 + i) + exts[i % 3];
        at.put("web/" + name, bytes);
        if (size <= 65535 - (i % 3 == 2 ? 0 : 64))
            kept[level].push_back(name);
    }
    std::vector<std::string> names;
    for (auto& level : kept) {
        std::sort(level.begin(), level.end());
        names.insert(names.end(), level.begin(), level.end());
    }
    return names;
}

}  // namespace

TEST_GROUP(KorvanLs)
{
    Scratch at;

    void setup() override { at.put("mimetype.ini", kMime); }
};

TEST(KorvanLs, lists_and_extracts_a_generated_tree_byte_for_byte)
{
    std::vector<std::string> names = generateTree(at, 19);
    LONGS_EQUAL(0, runKorvan(at, {"/d", "web", "/o", "site.znt"}).status);
    Run run = runProgram(KORVAN_LS_PATH, at, {"--extract", "out", "site.znt"});
    LONGS_EQUAL(0, run.status);
    STRCMP_EQUAL("", run.err.c_str());
    int width = 4;
    for (const std::string& name : names)
        width = std::max(width, static_cast<int>(name.size()));
    std::string expected = listLine("NAME", "ENTRY", "BODY", "TYPE", width);
    for (const std::string& name : names) {
        std::string body = at.get("web/" + name);
        const char* type = name.back() == 'm' ? "text/html" : name.back() == 'f' ? "image/gif" : "-";
        std::size_t entry = mimeHeader(type[0] == '-' ? "" : type).size() + body.size();
        expected += listLine(name, std::to_string(entry), std::to_string(body.size()), type, width);
        CHECK_TEXT(body == at.get("out/" + name), name.c_str());
    }
    const std::string archive = at.get("site.znt");
    expected += std::to_string(names.size()) + " entries, " + std::to_string(archive.size()) +
                " bytes: the archive is sound\n" + std::to_string(names.size()) + " files extracted to out\n";
    STRCMP_EQUAL(expected.c_str(), run.out.c_str());
    // A second extraction into the same tree overwrites nothing.
    Run again = runProgram(KORVAN_LS_PATH, at, {"site.znt", "--extract", "out"});
    LONGS_EQUAL(1, again.status);
    CHECK(again.err.find(": File exists\n") != std::string::npos);
}

TEST(KorvanLs, broken_archive_is_named_by_its_first_fault_and_nothing_is_extracted)
{
    at.put("web/a.htm", "AAAA");
    at.put("web/b.gif", "BB");
    at.put("web/c.xyz", "C");
    LONGS_EQUAL(0, runKorvan(at, {"/d", "web", "/o", "good.znt"}).status);
    const std::string good = at.get("good.znt");  // records at 4, 16 and 28; H = 41
    const std::size_t k = mimeHeader("text/html").size();
    struct Row {
        const char* label;
        std::string bytes;
        std::string fault;
    };
    auto with = [&](std::size_t at, const std::string& text) { return std::string(good).replace(at, text.size(), text); };
    auto offsetPlus = [&](int delta) { return with(16 + 3, std::string(1, static_cast<char>(41 + k + 4 + delta))); };
    const Row rows[] = {
        {"empty", "", "truncated: 0 bytes, shorter than the signature"},
        {"bad signature", with(3, "2"), "bad signature: the file does not begin with \"ZnT1\""},
        {"cut in the directory", good.substr(0, 20), "truncated: directory record 2 runs past the end of the file"},
        {"no end mark", good.substr(0, 40), "truncated: the directory has no end mark after its 3 records"},
        {"cut in the last entry", good.substr(0, good.size() - 1),
         "truncated: entry 3 of 3 (c.xyz) ends at byte " + std::to_string(good.size()) + ", past the end of the file"},
        {"overlapping entries", offsetPlus(-1), "entry 2 of 3 (b.gif): overlaps the data before it (offset "},
        {"gap between entries", offsetPlus(+1), "entry 2 of 3 (b.gif): gap before it (offset "},
        {"trailing bytes", good + "xy", "2 bytes after the last entry"},
        {"header without its end", with(41 + k - 4, "\r\nX:"), "entry 1 of 3 (a.htm): malformed header: "},
        {"name climbing out", with(11, "../ab"), "entry 1 of 3 (../ab): unsafe name: "},
        {"absolute name", with(11, "/a.ht"), "entry 1 of 3 (/a.ht): unsafe name: "},
    };
    for (const Row& row : rows) {
        at.put("bad.znt", row.bytes);
        Run run = runProgram(KORVAN_LS_PATH, at, {"bad.znt", "--extract", "out"});
        LONGS_EQUAL_TEXT(1, run.status, row.label);
        CHECK_TEXT(run.err.rfind("korvan-ls: bad.znt: " + row.fault, 0) == 0, row.label);
        CHECK_TEXT(at.get("out").empty() && at.names().size() == 4, row.label);  // no "out" beside the rest
    }
}

TEST(KorvanLs, command_line_faults_exit_2_and_help_exits_0)
{
    struct Row {
        std::vector<std::string> args;
        int status;
        const char* text;  // at the start of standard output (status 0) or standard error
    } const rows[] = {
        {{"--help"}, 0, "Usage: korvan-ls [--extract DIR] ARCHIVE\n"},
        {{}, 2, "korvan-ls: no archive named\nTry 'korvan-ls --help'.\n"},
        {{"a.znt", "--extract"}, 2, "korvan-ls: --extract needs a directory\n"},
        {{"--long", "a.znt"}, 2, "korvan-ls: unknown option --long\n"},
        {{"a.znt", "b.znt"}, 2, "korvan-ls: more than one archive: b.znt\n"},
        {{"missing.znt"}, 1, "korvan-ls: missing.znt: No such file or directory\n"},
    };
    for (const Row& row : rows) {
        Run run = runProgram(KORVAN_LS_PATH, at, row.args);
        LONGS_EQUAL_TEXT(row.status, run.status, row.text);
        CHECK_TEXT((row.status == 0 ? run.out : run.err).rfind(row.text, 0) == 0, row.text);
    }
}
