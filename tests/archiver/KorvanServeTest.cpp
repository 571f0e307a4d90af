// korvan-serve over real sockets: each entry's bytes exactly as stored, "/" as the index,
// error pages otherwise, an idle connection holding nobody up, and a clean stop.
#include "KorvanHarness.h"

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "CppUTest/TestHarness.h"

namespace {

// korvan-serve on a free port in the background, its first line read to learn the port.
struct Server {
    pid_t pid = -1;
    int port = 0;

    Server(const Scratch& at, const std::string& archive)
    {
        int out[2];
        CHECK(pipe(out) == 0);
        pid = fork();
        if (pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            freopen("/dev/null", "w", stderr);  // the warning about headerless entries is expected
            if (chdir(at.path().c_str()) == 0)
                execl(KORVAN_SERVE_PATH, KORVAN_SERVE_PATH, archive.c_str(), "--port", "0", nullptr);
            _exit(127);
        }
        close(out[1]);
        std::string line;
        char c;
        pollfd ready = {out[0], POLLIN, 0};
        while (poll(&ready, 1, 20000) == 1 && read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        close(out[0]);  // the log that follows is not read; writes to it fail quietly
        std::size_t colon = line.rfind(':');
        port = colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
    }

    // Stops the server and returns its exit status.
    int stop()
    {
        int status = 0;
        kill(pid, SIGTERM);
        waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    ~Server()
    {
        if (pid > 0)
            stop();
    }
};

int connectTo(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval limit = {20, 0};  // never hang the suite on a silent server
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    CHECK(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
    return fd;
}

// Sends one request and reads the answer up to the server's close.
std::string fetch(int port, const std::string& request)
{
    int fd = connectTo(port);
    CHECK(send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size()));
    std::string answer;
    char buffer[4096];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
        answer.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return answer;
}

}  // namespace

TEST_GROUP(KorvanServe)
{
    Scratch at;

    void setup() override
    {
        at.put("mimetype.ini", "htm text/html\ngif image/gif\n");
        at.put("web/index.htm", "<p>home</p>");
        at.put("web/img/a b.gif", std::string("GIF89a\0\1", 8));
        at.put("web/notes.xyz", "raw bytes");
        CHECK(runKorvan(at, {"/d", "web", "/o", "site.znt"}).status == 0);
    }
};

TEST(KorvanServe, answers_each_entry_as_stored_and_errors_otherwise)
{
    std::vector<ArchiveEntry> entries = readArchive(at.get("site.znt"));  // index.htm, notes.xyz, img/a b.gif
    Server server(at, "site.znt");
    CHECK(server.port > 0);
    int idle = connectTo(server.port);  // as a browser's preconnected socket: never sends a byte
    struct Row {
        const char* request;
        std::string answer;
        bool whole;  // the whole answer, or only its start (the error pages)
    } const rows[] = {
        {"GET / HTTP/1.1\r\nHost: x\r\n\r\n", entries[0].data, true},
        {"GET /index.htm HTTP/1.0\r\n\r\n", entries[0].data, true},
        {"GET /notes.xyz HTTP/1.0\r\n\r\n", entries[1].data, true},
        {"GET /img/a%20b.gif?v=2 HTTP/1.1\r\nAccept: */*\r\n\r\n", entries[2].data, true},
        {"GET /img/ HTTP/1.0\r\n\r\n", "HTTP/1.0 404 Not Found\r\n", false},
        {"GET /INDEX.HTM HTTP/1.0\r\n\r\n", "HTTP/1.0 404 Not Found\r\n", false},
        {"POST / HTTP/1.0\r\n\r\n", "HTTP/1.0 501 Not Implemented\r\n", false},
        {"\x01\x02 nonsense\n\n", "HTTP/1.0 400 Bad Request\r\n", false},
    };
    for (const Row& row : rows) {
        std::string answer = fetch(server.port, row.request);
        CHECK_TEXT(row.whole ? answer == row.answer : answer.rfind(row.answer, 0) == 0, row.request);
    }
    close(idle);
    LONGS_EQUAL(0, server.stop());
}

TEST(KorvanServe, broken_archive_is_refused_with_its_fault)
{
    at.put("bad.znt", at.get("site.znt").substr(0, 30));
    Run run = runProgram(KORVAN_SERVE_PATH, at, {"bad.znt", "--port", "0"});
    LONGS_EQUAL(1, run.status);
    STRCMP_EQUAL("korvan-serve: bad.znt: truncated: directory record 2 runs past the end of the file\n", run.err.c_str());
}
