#include "SimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

pid_t spawn(const std::vector<std::string>& args, int outFd, int errFd)
{
    const pid_t pid = fork();
    if (pid == 0)
    {
        dup2(outFd, 1);
        if (errFd >= 0)
            dup2(errFd, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(AQ9SIM_PATH));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(AQ9SIM_PATH, argv.data());
        _exit(127);
    }
    return pid;
}

// Everything readable from fd until end of file or the deadline.
std::string drain(int fd, double seconds, bool untilNewline)
{
    std::string s;
    const int ms = static_cast<int>(seconds * 1000);
    for (;;)
    {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0)
            return s;
        char c[256];
        const ssize_t n = read(fd, c, untilNewline ? 1 : sizeof c);
        if (n <= 0)
            return s;
        s.append(c, static_cast<size_t>(n));
        if (untilNewline && c[0] == '\n')
            return s;
    }
}

int statusOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

} // namespace

SimProcess::SimProcess(const std::vector<std::string>& args) : _pid(-1)
{
    int fds[2];
    if (pipe(fds) != 0)
        return;
    _pid = spawn(args, fds[1], -1);
    close(fds[1]);
    _path = drain(fds[0], 5.0, true);
    close(fds[0]);
    if (!_path.empty() && _path.back() == '\n')
        _path.pop_back();
}

SimProcess::~SimProcess()
{
    if (_pid > 0)
        stop();
}

int SimProcess::stop()
{
    if (_pid <= 0)
        return -1;
    kill(_pid, SIGTERM);
    int status = 0;
    waitpid(_pid, &status, 0);
    _pid = -1;
    return statusOf(status);
}

int SimProcess::wait(double seconds)
{
    for (int i = 0; i < static_cast<int>(seconds * 100) && _pid > 0; i++)
    {
        int status = 0;
        if (waitpid(_pid, &status, WNOHANG) == _pid)
        {
            _pid = -1;
            return statusOf(status);
        }
        usleep(10000);
    }
    return -1;
}

int runSim(const std::vector<std::string>& args, std::string* out, std::string* err)
{
    int o[2], e[2];
    if (pipe(o) != 0 || pipe(e) != 0)
        return -1;
    const pid_t pid = spawn(args, o[1], e[1]);
    close(o[1]);
    close(e[1]);
    *out = drain(o[0], 5.0, false);
    *err = drain(e[0], 5.0, false);
    close(o[0]);
    close(e[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return statusOf(status);
}
