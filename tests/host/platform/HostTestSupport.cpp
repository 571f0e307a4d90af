#include "HostTestSupport.h"

#include <fcntl.h>
#include <ftw.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

std::string uniqueName(const char* what)
{
    static int counter = 0;
    return "aq9test-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + "-" + what;
}

TempDir::TempDir()
{
    char pattern[] = "/tmp/aq9test-XXXXXX";
    const char* made = mkdtemp(pattern);
    _path = made != nullptr ? made : "";
}

TempDir::~TempDir()
{
    if (_path.empty())
        return;
    nftw(
        _path.c_str(), [](const char* p, const struct stat*, int, struct FTW*) { return remove(p); }, 16,
        FTW_DEPTH | FTW_PHYS);
}

CapturedStderr::CapturedStderr() : _saved(dup(STDERR_FILENO)), _file(-1)
{
    char pattern[] = "/tmp/aq9test-stderr-XXXXXX";
    _file = mkstemp(pattern);
    unlink(pattern);
    dup2(_file, STDERR_FILENO);
}

CapturedStderr::~CapturedStderr()
{
    text();
}

std::string CapturedStderr::text()
{
    if (_saved < 0)
        return "";
    dup2(_saved, STDERR_FILENO);
    close(_saved);
    _saved = -1;
    std::string out;
    char buf[4096];
    ssize_t n;
    lseek(_file, 0, SEEK_SET);
    while ((n = read(_file, buf, sizeof buf)) > 0)
        out.append(buf, static_cast<size_t>(n));
    close(_file);
    return out;
}

timespec monotonicNow()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t;
}

long long msSince(const timespec& start)
{
    timespec now = monotonicNow();
    return (now.tv_sec - start.tv_sec) * 1000LL + (now.tv_nsec - start.tv_nsec) / 1000000;
}

int waitChild(int pid, int timeoutMs)
{
    const timespec start = monotonicNow();
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0)
    {
        if (msSince(start) > timeoutMs)
        {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        usleep(5000);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
