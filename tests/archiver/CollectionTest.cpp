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
    bool printed(const Run& run, const std::string& text) { return run.out.find(text) != std::string::npos; }
};

TEST(KorvanCollection, entries_must_fit_sixteen_bits_with_their_header)
{
    const unsigned k = mimeHeader("text/html").size();
    at.put("web/max.bin", std::string(65535, 'm'));
    at.put("web/over.bin", std::string(65536, 'o'));
    at.put("web/fits.htm", std::string(65535 - k, 'f'));
    at.put("web/wide.htm", std::string(65536 - k, 'w'));
    Run run = runKorvan(at, {"/d", "web"});
    LONGS_EQUAL(0, run.status);
    CHECK(printed(run, "Skipping over.bin (bigger than 64 K)\n"));
    CHECK(printed(run, "Skipping wide.htm (entry bigger than 64 K)\n"));
    expectArchiveOf(at, "zento.znt", "web", {{"fits.htm", "text/html"}, {"max.bin", ""}});
}

TEST(KorvanCollection, extension_tail_matches_first_entry_ignoring_case)
{
    at.put("mimetype.ini", "htm text/html\nhtm text/plain\ngif image/gif\nabcdefgh a/b\nlonely");
    for (const char* name : {"INDEX.HTM", "gif", "m", "notes.xyz", "pic.GiF", "x.abcdefgh"})
        at.put(std::string("web/") + name, name);
    Run run = runKorvan(at, {"/d", "web"});
    LONGS_EQUAL(0, run.status);
    expectArchiveOf(at, "zento.znt", "web",
                    {{"INDEX.HTM", "text/html"}, {"gif", ""}, {"m", ""}, {"notes.xyz", ""},
                     {"pic.GiF", "image/gif"}, {"x.abcdefgh", "a/b"}});
    CHECK(printed(run, "Warning: Unknown file extension (gif)\nWarning: Unknown file extension (m)\n"
                       "Warning: Unknown file extension (notes.xyz)\n"));
}

TEST(KorvanCollection, searches_two_levels_below_the_root)
{
    at.put("web/top.htm", "0");
    at.put("web/a/one.htm", "1");
    at.put("web/a/b/two.htm", "2");
    at.put("web/a/b/c/three.htm", "3");
    Run run = runKorvan(at, {"/d", "web"});
    LONGS_EQUAL(0, run.status);
    CHECK(printed(run, "Processing directory web\nDirectory a found!\nDirectory a/b found!\n3 files written"));
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
    CHECK(printed(run, "Warning: cannot read web/dangling\n"));
    CHECK(!printed(run, "Skipping"));
    expectArchiveOf(at, "zento.znt", "web", {{"a.htm", "text/html"}});
}
