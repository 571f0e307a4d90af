#include "PreviewServer.h"

#include "PreviewRequest.h"
#include "format/EntryName.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvan {

namespace {

constexpr int kMaxConnections = 32;
constexpr std::size_t kMaxRequestHead = 8192;
constexpr long long kIdleLimitMs = 10000;  // a connection that does nothing this long is dropped
constexpr long long kDrainLimitMs = 2000;  // time given to the browser to close after the answer

long long nowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}

// Length of the request head (through its empty line) in the n bytes at s; 0 while incomplete.
std::size_t headLength(const char* s, std::size_t n)
{
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (s[i] == '\n' && s[i + 1] == '\n')
            return i + 2;
        if (i + 3 < n && std::memcmp(s + i, "\r\n\r\n", 4) == 0)
            return i + 4;
    }
    return 0;
}

}  // namespace

struct PreviewServer::Connection {
    enum State { FREE, READING, WRITING, DRAINING };
    State state = FREE;
    int fd = -1;
    char head[kMaxRequestHead];
    std::size_t got = 0;
    PreviewAnswer answer{};
    std::size_t sent = 0;
    long long deadline = 0;
};

PreviewServer::PreviewServer(const PreviewSite& site, std::FILE* log)
    : _site(site), _log(log), _listenFd(-1), _port(0), _connections(new Connection[kMaxConnections])
{
}

PreviewServer::~PreviewServer()
{
    for (int i = 0; i < kMaxConnections; ++i)
        close(_connections[i]);
    delete[] _connections;
    if (_listenFd >= 0)
        ::close(_listenFd);
}

bool PreviewServer::listen(int port, std::string& error)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // never reachable from another machine
    address.sin_port = htons(static_cast<uint16_t>(port));
    socklen_t length = sizeof address;
    int on = 1;
    const char* failed = nullptr;
    _listenFd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (_listenFd < 0)
        failed = "socket";
    else if (setsockopt(_listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
        failed = "setsockopt";
    else if (bind(_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        failed = "bind";
    else if (::listen(_listenFd, 64) != 0)
        failed = "listen";
    else if (getsockname(_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        failed = "getsockname";
    if (failed) {
        error = std::string(failed) + ": " + std::strerror(errno);
        return false;
    }
    _port = ntohs(address.sin_port);
    return true;
}

void PreviewServer::accept()
{
    for (int i = 0; i < kMaxConnections; ++i) {
        Connection& c = _connections[i];
        if (c.state != Connection::FREE)
            continue;
        c.fd = accept4(_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (c.fd < 0)
            return;  // nothing waiting (or the browser gave up); poll says when to try again
        c.state = Connection::READING;
        c.got = 0;
        c.sent = 0;
        c.deadline = nowMs() + kIdleLimitMs;
        return;
    }
}

void PreviewServer::close(Connection& c)
{
    if (c.fd >= 0)
        ::close(c.fd);
    c.fd = -1;
    c.state = Connection::FREE;
}

void PreviewServer::readRequest(Connection& c, long long now)
{
    ssize_t n = recv(c.fd, c.head + c.got, sizeof c.head - c.got, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        close(c);
        return;
    }
    c.got += static_cast<std::size_t>(n);
    std::size_t length = headLength(c.head, c.got);
    if (length == 0 && c.got < sizeof c.head)
        return;
    // A head that fills the buffer without ending is answered as a bad request.
    c.answer = answerRequest(_site, c.head, length ? length : c.got);
    logAnswer(c);
    c.state = Connection::WRITING;
    c.deadline = now + kIdleLimitMs;
}

void PreviewServer::logAnswer(const Connection& c)
{
    // The request line as the browser sent it, shown safely whatever it holds.
    const char* end = static_cast<const char*>(std::memchr(c.head, '\n', c.got));
    std::size_t n = end ? static_cast<std::size_t>(end - c.head) : c.got;
    if (n > 0 && c.head[n - 1] == '\r')
        --n;
    char line[256];
    korvan_printableName(c.head, n < 200 ? n : 200, line, sizeof line);
    if (c.answer.status == 200)
        std::fprintf(_log, "%s -> 200 (%zu bytes)\n", line, c.answer.length);
    else
        std::fprintf(_log, "%s -> %d\n", line, c.answer.status);
    std::fflush(_log);
}

void PreviewServer::writeAnswer(Connection& c, long long now)
{
    ssize_t n = send(c.fd, c.answer.bytes + c.sent, c.answer.length - c.sent, MSG_NOSIGNAL);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n < 0) {
        close(c);
        return;
    }
    c.sent += static_cast<std::size_t>(n);
    c.deadline = now + kIdleLimitMs;
    if (c.sent < c.answer.length)
        return;
    // Closing with unread bytes would reset the connection and could cost the browser the
    // end of the answer, so the write side is shut and the rest read until the browser closes.
    shutdown(c.fd, SHUT_WR);
    c.state = Connection::DRAINING;
    c.deadline = now + kDrainLimitMs;
}

void PreviewServer::drain(Connection& c)
{
    char discard[4096];
    ssize_t n = recv(c.fd, discard, sizeof discard, 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
        close(c);
}

void PreviewServer::service(Connection& c, short events, long long now)
{
    if (c.state == Connection::READING && (events & (POLLIN | POLLHUP | POLLERR)))
        readRequest(c, now);
    else if (c.state == Connection::WRITING && (events & (POLLOUT | POLLHUP | POLLERR)))
        writeAnswer(c, now);
    else if (c.state == Connection::DRAINING && (events & (POLLIN | POLLHUP | POLLERR)))
        drain(c);
    if (c.state != Connection::FREE && now >= c.deadline)
        close(c);
}

int PreviewServer::pollTimeout(long long now) const
{
    long long soonest = now + 1000;
    for (int i = 0; i < kMaxConnections; ++i)
        if (_connections[i].state != Connection::FREE && _connections[i].deadline < soonest)
            soonest = _connections[i].deadline;
    return soonest > now ? static_cast<int>(soonest - now) : 0;
}

bool PreviewServer::run(int stopFd, std::string& error)
{
    pollfd fds[kMaxConnections + 2];
    for (;;) {
        int busy = 0;
        for (int i = 0; i < kMaxConnections; ++i) {
            const Connection& c = _connections[i];
            busy += c.state != Connection::FREE;
            fds[i] = {c.fd, static_cast<short>(c.state == Connection::WRITING ? POLLOUT : POLLIN), 0};
        }
        // With every slot taken, new connections wait in the backlog.
        fds[kMaxConnections] = {busy < kMaxConnections ? _listenFd : -1, POLLIN, 0};
        fds[kMaxConnections + 1] = {stopFd, POLLIN, 0};
        if (poll(fds, kMaxConnections + 2, pollTimeout(nowMs())) < 0 && errno != EINTR) {
            error = std::string("poll: ") + std::strerror(errno);
            return false;
        }
        if (fds[kMaxConnections + 1].revents)
            return true;
        long long now = nowMs();
        for (int i = 0; i < kMaxConnections; ++i)
            if (_connections[i].state != Connection::FREE)
                service(_connections[i], fds[i].revents, now);
        if (fds[kMaxConnections].revents & POLLIN)
            accept();
    }
}

}  // namespace korvan
