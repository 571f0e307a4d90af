// aq9sim as a program: its command line, its terminal and link, the state
// file, and how it ends.
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "CppUTest/TestHarness.h"
#include "SimProcess.h"

namespace {

// Reads from fd until text has arrived or the deadline has passed.
std::string readUntil(int fd, const std::string& text, int ms)
{
    std::string s;
    while (s.find(text) == std::string::npos)
    {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0)
            break;
        char buf[512];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        s.append(buf, static_cast<size_t>(n));
    }
    return s;
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace

TEST_GROUP(Aq9simProcess)
{
    std::string dir;
    void setup()
    {
        char tmpl[] = "/tmp/aq9simXXXXXX";
        dir = mkdtemp(tmpl);
    }
    void teardown()
    {
        unlink((dir + "/state.json").c_str());
        rmdir(dir.c_str());
    }
};

TEST(Aq9simProcess, help_exits_0_and_a_bad_argument_exits_2_naming_it)
{
    std::string out, err;
    CHECK_EQUAL(0, runSim({"--help"}, &out, &err));
    CHECK(out.find("--fault KIND@START+DURATION") != std::string::npos);
    CHECK(out.find("Example:") != std::string::npos);
    CHECK_EQUAL(2, runSim({"--motion", "sideways"}, &out, &err));
    STRCMP_EQUAL("aq9sim: bad value for --motion: 'sideways'\nTry 'aq9sim --help' for more information.\n",
                 err.c_str());
    CHECK_EQUAL(1, runSim({"--link", "/nonexistent/dir/aq9"}, &out, &err));
    CHECK(err.find("aq9sim: symlink /nonexistent/dir/aq9: ") == 0);
    CHECK_EQUAL(1, runSim({"--state", "/nonexistent/dir/state.json", "--duration", "0.2"}, &out, &err));
    CHECK(err.find("aq9sim: open /nonexistent/dir/state.json.tmp") == 0);
    // A file that is not a symbolic link is never replaced by the link.
    const std::string file = dir + "/state.json";
    fclose(fopen(file.c_str(), "w"));
    CHECK_EQUAL(1, runSim({"--link", file}, &out, &err));
    STRCMP_EQUAL(("aq9sim: refusing to replace " + file + ": it is not a symbolic link\n").c_str(), err.c_str());
    CHECK_EQUAL(0, access(file.c_str(), F_OK));
}

// The host opens the link, meets the unsolicited sentences, gets its reply;
// the state file records the command; SIGTERM ends the run cleanly.
TEST(Aq9simProcess, serves_the_terminal_behind_its_link_until_stopped)
{
    const std::string link = dir + "/aq9", state = dir + "/state.json";
    SimProcess sim({"--link", link, "--state", state});
    CHECK(sim.path().find("/dev/pts/") == 0);
    char target[64] = {0};
    CHECK(readlink(link.c_str(), target, sizeof target - 1) > 0);
    STRCMP_EQUAL(sim.path().c_str(), target);

    const int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
    CHECK(fd >= 0);
    CHECK(readUntil(fd, "$AQYMR,", 2000).find("$AQYMR,") != std::string::npos);
    const char cmd[] = "$AQKMD,1*XX\r\n";
    CHECK_EQUAL(static_cast<ssize_t>(sizeof cmd - 1), write(fd, cmd, sizeof cmd - 1));
    CHECK(readUntil(fd, "$AQKMD,1*", 2000).find("$AQKMD,1*") != std::string::npos);
    usleep(100000);
    CHECK(fileText(state).find("\"KMD\": 1") != std::string::npos);
    close(fd);

    CHECK_EQUAL(0, sim.stop());
    CHECK(access(link.c_str(), F_OK) != 0);
}

TEST(Aq9simProcess, ends_by_itself_after_the_duration)
{
    SimProcess sim({"--duration", "0.3"});
    CHECK(!sim.path().empty());
    CHECK_EQUAL(0, sim.wait(5.0));
}
