#include "Runner.h"

#include <errno.h>
#include <poll.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include "CommandServer.h"
#include "PseudoTerminal.h"
#include "StateFile.h"

namespace aq9sim {

namespace {

double monotonicNow()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

// Arms the timer for an absolute monotonic time.
void armAt(int timerFd, double when)
{
    itimerspec its;
    memset(&its, 0, sizeof its);
    if (when < 1e-3)
        when = 1e-3;
    its.it_value.tv_sec = static_cast<time_t>(when);
    its.it_value.tv_nsec = static_cast<long>((when - static_cast<double>(its.it_value.tv_sec)) * 1e9);
    timerfd_settime(timerFd, TFD_TIMER_ABSTIME, &its, nullptr);
}

// What the verbose log shows of one chunk.
std::string describe(const std::string& chunk)
{
    if (!chunk.empty() && chunk[0] == '$')
    {
        std::string s = chunk;
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
            s.pop_back();
        return s;
    }
    return "binary record, " + std::to_string(chunk.size()) + " bytes";
}

// Where a symbolic link points; empty when path is no symbolic link.
std::string linkTarget(const std::string& path)
{
    char target[256];
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<size_t>(n)) : std::string();
}

// Points link at target. A stale link (an earlier run's) is replaced; any
// other file of that name is left alone and refused.
bool makeLink(const std::string& link, const std::string& target, std::string* error)
{
    struct stat st;
    if (lstat(link.c_str(), &st) == 0)
    {
        if (!S_ISLNK(st.st_mode))
        {
            *error = "refusing to replace " + link + ": it is not a symbolic link";
            return false;
        }
        unlink(link.c_str());
    }
    if (symlink(target.c_str(), link.c_str()) != 0)
    {
        *error = "symlink " + link + ": " + strerror(errno);
        return false;
    }
    return true;
}

class Loop
{
  public:
    Loop(const Options& o, PseudoTerminal& pty, int timerFd, double start)
        : _o(o), _pty(pty), _timer(timerFd), _start(start), _server(o.env), _wire(o.faults, o.env.seed),
          _nextState(0.0)
    {
    }

    double now() const { return monotonicNow() - _start; }

    // Passes the unit's output through the wire and writes what is due.
    void flush(const std::vector<std::string>& chunks, double t)
    {
        for (const std::string& c : chunks)
        {
            if (_o.verbose)
                fprintf(stderr, "aq9sim %9.3f > %s\n", t, describe(c).c_str());
            _wire.send(c, t);
        }
        for (const std::string& c : _wire.due(t))
            _pty.send(c);
    }

    bool readHost(double t)
    {
        char buf[512];
        const ssize_t n = read(_pty.master(), buf, sizeof buf);
        if (n <= 0)
            return n == 0 || errno == EAGAIN || errno == EINTR;
        if (_o.verbose)
            fprintf(stderr, "aq9sim %9.3f < %s\n", t, describe(std::string(buf, static_cast<size_t>(n))).c_str());
        std::vector<std::string> replies;
        _server.receive(buf, static_cast<size_t>(n), t, replies);
        flush(replies, t);
        return true;
    }

    bool writeState(double t, bool force, std::string* error)
    {
        if (_o.statePath.empty())
            return true;
        if (!_server.takeChanged() && !force && t < _nextState)
            return true;
        _nextState = t + 1.0;
        return replaceFile(_o.statePath, _server.stateJson(t), error);
    }

    // One pass: unsolicited output, the state file, then the timer for the next event.
    bool step(std::string* error)
    {
        const double t = now();
        std::vector<std::string> out;
        _server.poll(t, out);
        flush(out, t);
        if (!writeState(t, false, error))
            return false;
        double next = std::min(_server.nextOutputTime(), _wire.nextDue());
        if (!_o.statePath.empty())
            next = std::min(next, _nextState);
        if (_o.duration > 0)
            next = std::min(next, _o.duration);
        armAt(_timer, _start + std::max(next, t + 1e-4));
        return true;
    }

  private:
    const Options& _o;
    PseudoTerminal& _pty;
    int _timer;
    double _start;
    CommandServer _server;
    Wire _wire;
    double _nextState;
};

} // namespace

bool runSimulator(const Options& o, int stopFd, FILE* announce, std::string* error)
{
    PseudoTerminal pty;
    if (!pty.open(error))
        return false;
    if (!o.link.empty() && !makeLink(o.link, pty.slavePath(), error))
        return false;
    fprintf(announce, "%s\n", pty.slavePath().c_str());
    fflush(announce);
    const int timer = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (timer < 0)
    {
        *error = std::string("timerfd_create: ") + strerror(errno);
        return false;
    }
    Loop loop(o, pty, timer, monotonicNow());
    bool ok = true;
    while (ok && (o.duration <= 0 || loop.now() < o.duration))
    {
        ok = loop.step(error);
        pollfd fds[3] = {{pty.master(), POLLIN, 0}, {timer, POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (!ok || (poll(fds, 3, -1) < 0 && errno != EINTR))
            break;
        if (fds[2].revents != 0)
            break;
        if (fds[1].revents & POLLIN)
        {
            uint64_t expirations;
            ssize_t r = read(timer, &expirations, sizeof expirations);
            (void)r;
        }
        if (fds[0].revents & POLLIN)
            loop.readHost(loop.now());
    }
    if (ok)
        ok = loop.writeState(loop.now(), true, error);
    close(timer);
    if (!o.link.empty() && linkTarget(o.link) == pty.slavePath())
        unlink(o.link.c_str());
    return ok;
}

} // namespace aq9sim
