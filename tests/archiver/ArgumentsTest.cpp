// Command line: which tree is packed into which archive (refused lines are failures).
#include "KorvanHarness.h"

#include <algorithm>

#include "CppUTest/TestHarness.h"

TEST_GROUP(KorvanArguments)
{
    // A tree with a file in the working directory and one in "web".
    void build(const Scratch& at)
    {
        at.put("mimetype.ini", kMimeIni);
        at.put("a.htm", "A");
        at.put("web/w.htm", "W");
    }
};

TEST(KorvanArguments, packs_the_named_directory_into_the_named_archive)
{
    struct Row {
        std::vector<std::string> args;
        const char* archive;
        const char* entries;
    };
    const Row rows[] = {
        {{}, "zento.znt", "a.htm,mimetype.ini,web/w.htm"},
        {{"/d", "web"}, "zento.znt", "w.htm"},
        {{"/o", "out.bin"}, "out.bin", "a.htm,mimetype.ini,web/w.htm"},
        {{"/o", "o1", "/d", "web"}, "o1", "w.htm"},
        {{"/d", "web", "/o", "o2"}, "o2", "w.htm"},
        {{"/o", "o3", "/o", "o4"}, "o4", "a.htm,mimetype.ini,web/w.htm"},
        {{"/d", "nowhere", "/d", "web"}, "zento.znt", "w.htm"},
    };
    for (const Row& row : rows) {
        Scratch at;
        build(at);
        Run run = runKorvan(at, row.args);
        LONGS_EQUAL_TEXT(0, run.status, row.archive);
        STRCMP_EQUAL(row.entries, entryNames(readArchive(at.get(row.archive))).c_str());
        std::vector<std::string> expected{row.archive, "a.htm", "mimetype.ini", "web"};
        std::sort(expected.begin(), expected.end());
        CHECK_TEXT(expected == at.names(), row.archive);  // nothing else left behind
    }
}

TEST(KorvanArguments, help_prints_the_usage_and_where_the_mime_table_is_read)
{
    for (const char* option : {"-h", "--help"}) {
        Scratch at;
        Run run = runKorvan(at, {option});
        LONGS_EQUAL_TEXT(0, run.status, option);
        CHECK_TEXT(run.out.rfind("Usage: Korvan [/o <output file>] [/d <directory>]\n", 0) == 0, option);
        CHECK_TEXT(run.out.find("mimetype.ini in the working directory") != std::string::npos, option);
        CHECK_TEXT(run.err.empty() && at.names().empty(), option);
    }
}
