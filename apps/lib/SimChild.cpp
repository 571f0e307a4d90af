#include "SimChild.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

const int kStartTimeoutMs = 5000;
const int kStopTimeoutMs = 3000;

bool executable(const std::string& path)
{
    return !path.empty() && access(path.c_str(), X_OK) == 0;
}

std::string ownDirectory()
{
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return "";
    std::string self(buf, static_cast<size_t>(n));
    return self.substr(0, self.rfind('/') + 1);
}

long long monotonicMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// The first line the child prints, waiting at most timeoutMs.
bool readFirstLine(int fd, int timeoutMs, std::string* line)
{
    const long long end = monotonicMs() + timeoutMs;
    char ch;
    for (;;)
    {
        pollfd p = {fd, POLLIN, 0};
        const long long left = end - monotonicMs();
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0)
            return false;
        const ssize_t n = read(fd, &ch, 1);
        if (n <= 0)
            return false;
        if (ch == '\n')
            return true;
        *line += ch;
    }
}

// In the child: its own process group, ended with its parent, SIGPIPE back
// to the default, standard output into the pipe; then the program.
void execChild(const std::string& program, const std::vector<std::string>& args, int out, pid_t parent)
{
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    // A parent that died before the line above sends no signal any more.
    if (getppid() != parent)
        _exit(1);
    signal(SIGPIPE, SIG_DFL);
    dup2(out, STDOUT_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(program.c_str(), argv.data());
    fprintf(stderr, "aq9host: cannot run %s: %s\n", program.c_str(), strerror(errno));
    _exit(127);
}

// waitpid, again when interrupted.
pid_t reap(pid_t pid, int* status, int options)
{
    pid_t r;
    do
        r = waitpid(pid, status, options);
    while (r < 0 && errno == EINTR);
    return r;
}

std::string describe(int status)
{
    char b[64];
    if (WIFEXITED(status))
        snprintf(b, sizeof b, "exit status %d", WEXITSTATUS(status));
    else if (WIFSIGNALED(status))
        snprintf(b, sizeof b, "signal %s", strsignal(WTERMSIG(status)));
    else
        snprintf(b, sizeof b, "status %d", status);
    return b;
}

}  // namespace

std::string SimChild_program()
{
#ifdef AQ9SIM_BUILD_PATH
    if (executable(AQ9SIM_BUILD_PATH))
        return AQ9SIM_BUILD_PATH;
#endif
    const std::string beside = ownDirectory() + "aq9sim";
    return executable(beside) ? beside : "aq9sim";
}

std::vector<std::string> SimChild_arguments(const std::string& args)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < args.size())
    {
        const size_t start = args.find_first_not_of(" \t\n", i);
        if (start == std::string::npos)
            break;
        const size_t end = args.find_first_of(" \t\n", start);
        out.push_back(args.substr(start, end == std::string::npos ? std::string::npos : end - start));
        i = end == std::string::npos ? args.size() : end;
    }
    return out;
}

SimChild::SimChild() : _pid(-1), _status(-1) {}

SimChild::~SimChild()
{
    stop();
}

bool SimChild::start(const std::string& program, const std::vector<std::string>& args, std::string* error)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
    {
        *error = std::string("pipe2: ") + strerror(errno);
        return false;
    }
    const pid_t parent = getpid();
    _pid = fork();
    if (_pid == 0)
        execChild(program, args, fds[1], parent);
    close(fds[1]);
    if (_pid < 0)
    {
        *error = std::string("fork: ") + strerror(errno);
        close(fds[0]);
        return false;
    }
    std::string line;
    const bool got = readFirstLine(fds[0], kStartTimeoutMs, &line);
    // aq9sim prints nothing more on standard output (and ignores SIGPIPE).
    close(fds[0]);
    std::string how;
    if (!got || line.empty() || !alive(&how))
    {
        *error = program + (how.empty() ? " printed no terminal path within 5 s" : " ended at start: " + how);
        stop();
        return false;
    }
    _terminal = line;
    return true;
}

bool SimChild::alive(std::string* how)
{
    if (_pid <= 0)
        return false;
    int status = 0;
    const pid_t r = reap(_pid, &status, WNOHANG);
    if (r == 0)
        return true;
    _pid = -1;
    // No longer ours to wait for (reaped elsewhere): gone, with no status.
    _status = r > 0 ? status : -1;
    *how = r > 0 ? describe(status) : std::string("its end was not seen: waitpid: ") + strerror(errno);
    return false;
}

int SimChild::stop()
{
    if (_pid > 0)
    {
        int status = 0;
        pid_t r = reap(_pid, &status, WNOHANG);
        // A child that cannot be waited for may have been reaped elsewhere
        // and its process id reused: it gets no signal.
        if (r == 0)
        {
            kill(_pid, SIGTERM);
            const long long end = monotonicMs() + kStopTimeoutMs;
            while ((r = reap(_pid, &status, WNOHANG)) == 0 && monotonicMs() < end)
                usleep(10000);
            if (r == 0)
            {
                kill(_pid, SIGKILL);
                r = reap(_pid, &status, 0);
            }
        }
        _pid = -1;
        _status = r > 0 ? status : -1;
    }
    return _status >= 0 && WIFEXITED(_status) ? WEXITSTATUS(_status) : -1;
}
