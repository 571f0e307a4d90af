// Which files are collected, in which order, with which header: size limits, extension
// matching, depth, listing order and entries that cannot be read.
#include "KorvanHarness.h"

#include <sys/stat.h>
#include <unistd.h>

#include "CppUTest/TestHarness.h"

TEST_GROUP(KorvanCollection)
{
    Scratch at;

    void setup() override { at.put("mimetype.ini", kMimeIni); }
    bool printed(const std::string& stream, const std::string& text) { return stream.find(text) != std::string::npos; }
};

TEST(KorvanCollection, entries_must_fit_sixteen_bits_with_their_header)
{
    const unsigned k = mimeHeader("text/html").size();
    at.put("web/max.bin", std::string(65535, 'm'));
    at.put("web/over.bin", std::string(65536, 'o'));
    at.put("web/fits.htm", std::string(65535 - k, 'f'));
    at.put("web/wide.htm", std::string(65536 - k, 'w'));
    at.put("web/sub/over.bin", std::string(65536, 'o'));
    Run run = runKorvan(at, {"/d", "web"});
    LONGS_EQUAL(0, run.status);
    STRCMP_EQUAL("Skipping over.bin (bigger than 64 K)\nSkipping wide.htm (entry bigger than 64 K)\n"
                 "Skipping sub/over.bin (bigger than 64 K)\nWarning: Unknown file extension (max.bin)\n", run.err.c_str());
    CHECK(printed(run.out, "; left out: 2 bigger than 64 K, 1 bigger than 64 K with the header.\n"));
    expectArchiveOf(at, "zento.znt", "web", {{"fits.htm", "text/html"}, {"max.bin", ""}});
}

TEST(KorvanCollection, extension_tail_matches_first_entry_ignoring_case)
{
    at.put("mimetype.ini", "htm text/html\nhtm text/plain\ngif image/gif\nabcdefgh a/b\n# lonely");
    for (const char* name : {"INDEX.HTM", "gif", "m", "notes.xyz", "pic.GiF", "x.abcdefgh"})
        at.put(std::string("web/") + name, name);
    Run run = runKorvan(at, {"/d", "web"});
    LONGS_EQUAL(0, run.status);
    expectArchiveOf(at, "zento.znt", "web",
                    {{"INDEX.HTM", "text/html"}, {"gif", ""}, {"m", ""}, {"notes.xyz", ""},
                     {"pic.GiF", "image/gif"}, {"x.abcdefgh", "a/b"}});
    STRCMP_EQUAL("Warning: Unknown file extension (gif)\nWarning: Unknown file extension (m)\n"
                 "Warning: Unknown file extension (notes.xyz)\n", run.err.c_str());
}

TEST(KorvanCollection, searches_two_levels_below_the_root)
{
    at.put("web/top.htm", "0");
    at.put("web/a/one.htm", "1");
    at.put("web/a/b/two.htm", "2");
    at.put("web/a/b/c/three.htm", "3");
    Run run = runKorvan(at, {"/d", "web"});
    LONGS_EQUAL(0, run.status);
    CHECK(printed(run.out, "Processing directory web\nDirectory a found!\nDirectory a/b found!\n3 files written"));
    CHECK(printed(run.out, "; left out: 1 deeper than two levels.\n"));
    STRCMP_EQUAL("Warning: not archived (deeper than two levels): a/b/c\n", run.err.c_str());
    expectArchiveOf(at, "zento.znt", "web",
                    {{"top.htm", "text/html"}, {"a/one.htm", "text/html"}, {"a/b/two.htm", "text/html"}});
}

TEST(KorvanCollection, archive_follows_byte_order_of_names_not_creation_order)
{
    const char* names[] = {"z/x.htm", "a.htm", "_u.htm", "A/y/x.htm", "B.htm", "A/x.htm", "A/Z/x.htm"};
    Scratch other;
    other.put("mimetype.ini", kMimeIni);
    for (int i = 0; i < 7; ++i) {
        at.put(std::string("web/") + names[i], names[i]);
        other.put(std::string("web/") + names[6 - i], names[6 - i]);
    }
    LONGS_EQUAL(0, runKorvan(at, {"/d", "web"}).status);
    LONGS_EQUAL(0, runKorvan(other, {"/d", "web"}).status);
    STRCMP_EQUAL("B.htm,_u.htm,a.htm,A/x.htm,z/x.htm,A/Z/x.htm,A/y/x.htm",
                 entryNames(readArchive(at.get("zento.znt"))).c_str());
    CHECK(at.get("zento.znt") == other.get("zento.znt"));
}

TEST(KorvanCollection, dangling_links_are_skipped_and_big_directories_are_not_oversized)
{
    at.put("web/a.htm", "A");
    CHECK(symlink("nowhere", at.path("web/dangling").c_str()) == 0);
    // A third-level directory whose listing itself is over 64 K: seen, never "skipped".
    struct stat st = {};
    for (int i = 0; i < 20000 && st.st_size <= 65535; ++i) {
        at.put("web/a/b/big/" + std::to_string(i) + std::string(240, 'n'), "");
        stat(at.path("web/a/b/big").c_str(), &st);
    }
    CHECK(st.st_size > 65535);
    Run run = runKorvan(at, {"/d", "web"});
    LONGS_EQUAL(0, run.status);
    STRCMP_EQUAL("Warning: cannot read web/dangling\nWarning: not archived (deeper than two levels): a/b/big\n",
                 run.err.c_str());
    expectArchiveOf(at, "zento.znt", "web", {{"a.htm", "text/html"}});
}

TEST(KorvanCollection, mime_record_is_a_whole_line_with_its_parameters)
{
    at.put("mimetype.ini", "# web types\r\n\r\n.htm   text/html; charset=utf-8  \r\n  gif\timage/gif\r\n");
    at.put("web/INDEX.HTM", "<p>");
    at.put("web/a.gif", "GIF");
    Run run = runKorvan(at, {"/d", "web"});
    LONGS_EQUAL(0, run.status);
    STRCMP_EQUAL("", run.err.c_str());
    expectArchiveOf(at, "zento.znt", "web", {{"INDEX.HTM", "text/html; charset=utf-8"}, {"a.gif", "image/gif"}});
}

TEST(KorvanCollection, links_back_to_the_root_or_above_are_not_followed)
{
    at.put("web/a.htm", "A");
    at.put("web/sub/s.htm", "S");
    for (auto link : {std::make_pair(".", "web/self"), std::make_pair("..", "web/sub/up"),
                      std::make_pair("/", "web/sub/root"), std::make_pair("..", "web/above"),
                      std::make_pair("sub", "web/alias")})
        CHECK(symlink(link.first, at.path(link.second).c_str()) == 0);
    Run run = runKorvan(at, {"/d", "web"});
    LONGS_EQUAL(0, run.status);
    const std::string warning = "Warning: not followed (link to the packed directory or above it): ";
    STRCMP_EQUAL((warning + "above\n" + warning + "self\n" + warning + "alias/root\n" + warning + "alias/up\n" +
                  warning + "sub/root\n" + warning + "sub/up\n").c_str(),
                 run.err.c_str());
    CHECK(printed(run.out, "; left out: 6 links to the packed directory or above.\n"));
    expectArchiveOf(at, "zento.znt", "web", {{"a.htm", "text/html"}, {"alias/s.htm", "text/html"}, {"sub/s.htm", "text/html"}});
}
