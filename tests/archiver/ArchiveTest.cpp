// The archive written: layout, exact output, entries equal to header plus source, and
// what happens when sources or the output misbehave while writing.
#include "KorvanHarness.h"

#include <sys/stat.h>

#include "CppUTest/TestHarness.h"

TEST_GROUP(KorvanArchive)
{
    Scratch at;

    void setup() override { at.put("mimetype.ini", kMimeIni); }
};

TEST(KorvanArchive, single_ten_byte_page_gives_header_size_17)
{
    at.put("web/a.htm", "0123456789");
    Run run = runKorvan(at, {"/d", "web"});
    const unsigned k = mimeHeader("text/html").size();
    LONGS_EQUAL(0, run.status);
    STRCMP_EQUAL((std::string(kBanner) + "Processing directory web\n1 files written to zento.znt (" +
                  std::to_string(17 + 10 + k) + " bytes).\n").c_str(),
                 run.out.c_str());
    std::string bytes = at.get("zento.znt");
    std::string directory("ZnT1\x05\x00\x00\x11\x00\x00\x00" "a.htm\x00", 17);
    directory[5] = static_cast<char>(10 + k);
    CHECK(directory == bytes.substr(0, 17));
    CHECK(mimeHeader("text/html") + "0123456789" == bytes.substr(17));
}

TEST(KorvanArchive, every_entry_is_its_header_followed_by_its_source)
{
    at.put("site/index.htm", "<html>home</html>");
    at.put("site/logo.gif", std::string(300, '\xff'));
    at.put("site/robots.txt", "");
    at.put("site/docs/guide.htm", std::string(4000, 'g'));
    at.put("site/docs/img/dot.gif", std::string("\0\1\2", 3));
    Run run = runKorvan(at, {"/d", "site", "/o", "site.znt"});
    LONGS_EQUAL(0, run.status);
    expectArchiveOf(at, "site.znt", "site",
                    {{"index.htm", "text/html"}, {"logo.gif", "image/gif"}, {"robots.txt", ""},
                     {"docs/guide.htm", "text/html"}, {"docs/img/dot.gif", "image/gif"}});
}

TEST(KorvanArchive, unreadable_source_keeps_its_header_and_ends_with_status_7)
{
    at.put("web/a.htm", "first");
    at.put("web/b.htm", "secret");
    at.put("web/c.htm", "last");
    chmod(at.path("web/b.htm").c_str(), 0);
    Run run = runKorvan(at, {"/d", "web"}, {true, -1});
    LONGS_EQUAL(7, run.status);
    STRCMP_EQUAL(" (ERROR: Could not open file web/b.htm)\n", run.err.c_str());
    std::vector<ArchiveEntry> entries = readArchive(at.get("zento.znt"));
    LONGS_EQUAL(3, entries.size());
    CHECK(mimeHeader("text/html") + std::string(6, '\0') == entries[1].data);
    CHECK(mimeHeader("text/html") + "last" == entries[2].data);
    CHECK(run.out.find("3 files written to zento.znt (" + std::to_string(at.get("zento.znt").size()) +
                       " bytes); left out: 1 not opened (zero-filled).\n") != std::string::npos);
}

TEST(KorvanArchive, unsearchable_directory_is_reported_with_its_pattern)
{
    at.put("web/a.htm", "A");
    at.mkdirs("web/locked/inner");
    chmod(at.path("web/locked").c_str(), 0);
    Run run = runKorvan(at, {"/d", "web"}, {true, -1});
    LONGS_EQUAL(0, run.status);
    CHECK(run.out.find("Directory locked found!\n") != std::string::npos);
    CHECK(run.err.find("File not found: web/locked\\*.*\n") != std::string::npos);
    CHECK(run.err.find("File not found: web\\*.*\n") != std::string::npos);
    expectArchiveOf(at, "zento.znt", "web", {{"a.htm", "text/html"}});
    chmod(at.path("web/locked").c_str(), 0755);  // so a non-root run can clean up
}

TEST(KorvanArchive, failed_write_keeps_the_previous_archive_and_no_temporary)
{
    at.put("web/a.htm", std::string(5000, 'a'));
    at.put("out.bin", "previous");
    Run run = runKorvan(at, {"/d", "web", "/o", "out.bin"}, {false, 2000});
    LONGS_EQUAL(5, run.status);
    CHECK(run.err.find("\nERROR writing output file out.bin!\n") != std::string::npos);
    STRCMP_EQUAL("previous", at.get("out.bin").c_str());
    LONGS_EQUAL(3, at.names().size());
}
