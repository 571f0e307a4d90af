#include "HostProcess.h"

#include <errno.h>
#include <fcntl.h>
#include <ftw.h>
#include <math.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>

#include "SimState.h"

namespace {

std::atomic<int> g_runs{0};

int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return remove(path);
}

// fork + exec with the run's variables added and the output in files.
pid_t spawn(const std::string& program, const std::vector<std::string>& args, const std::vector<std::string>& env,
            const std::string& outPath, const std::string& errPath)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    for (const std::string& e : env)
        putenv(const_cast<char*>(e.c_str()));
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

int waitFor(pid_t pid, double timeout)
{
    const double end = monotonicSeconds() + timeout;
    int status = 0;
    for (;;)
    {
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (r < 0 || monotonicSeconds() > end)
            break;
        usleep(20000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

}  // namespace

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

void sleepSeconds(double s)
{
    timespec t = {static_cast<time_t>(s), static_cast<long>((s - floor(s)) * 1e9)};
    while (nanosleep(&t, &t) != 0 && errno == EINTR)
    {
    }
}

double monotonicSeconds()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

HostProcess::HostProcess() : _pid(-1)
{
    char tmpl[] = "/tmp/aq9host-test-XXXXXX";
    _dir = mkdtemp(tmpl) != nullptr ? tmpl : "/tmp";
    _prefix = "aq9it-" + std::to_string(getpid()) + "-" + std::to_string(g_runs++) + "-";
}

HostProcess::~HostProcess()
{
    if (_pid > 0)
        wait(0);
    if (_dir != "/tmp")
        nftw(_dir.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string HostProcess::writeFile(const std::string& name, const std::string& text) const
{
    const std::string path = _dir + "/" + name;
    std::ofstream(path) << text;
    return path;
}

void HostProcess::start(const std::vector<std::string>& args)
{
    std::vector<std::string> all = args;
    all.push_back("--log-dir");
    all.push_back(_dir + "/logs");
    _pid = spawn(AQ9HOST_PATH, all, {"AQ9_IPC_PREFIX=" + _prefix}, _dir + "/host.out", _dir + "/host.err");
}

ProgramResult HostProcess::run(const std::string& program, const std::vector<std::string>& args, double timeout) const
{
    static std::atomic<int> n{0};
    const std::string base = _dir + "/run" + std::to_string(n++);
    const pid_t pid =
        spawn(program, args, {"AQ9_IPC_PREFIX=" + _prefix, "AUV_LOG_DIR=" + _dir + "/logs"}, base + ".out",
              base + ".err");
    ProgramResult r;
    r.status = waitFor(pid, timeout);
    r.out = fileText(base + ".out");
    r.err = fileText(base + ".err");
    return r;
}

bool HostProcess::waitUntilPublishing(double timeout)
{
    const double end = monotonicSeconds() + timeout;
    while (monotonicSeconds() < end && running())
    {
        if (run(AQ9WATCH_PATH, {"--once"}).status == 0)
            return true;
        sleepSeconds(0.2);
    }
    return false;
}

void HostProcess::signal(int sig) const
{
    if (_pid > 0)
        kill(_pid, sig);
}

int HostProcess::wait(double timeout)
{
    if (_pid <= 0)
        return -1;
    const int status = waitFor(_pid, timeout);
    _pid = -1;
    return status;
}

bool HostProcess::running()
{
    return _pid > 0 && waitpid(_pid, nullptr, WNOHANG) == 0;
}

int CsvLog::column(const std::string& name) const
{
    for (size_t i = 0; i < columns.size(); i++)
        if (columns[i] == name)
            return static_cast<int>(i);
    return -1;
}

CsvLog readCsv(const std::string& path)
{
    CsvLog log;
    std::ifstream in(path);
    std::string line;
    bool header = true;
    while (std::getline(in, line))
    {
        std::stringstream ss(line);
        std::string cell;
        std::vector<double> row;
        while (std::getline(ss, cell, ','))
        {
            if (header)
                log.columns.push_back(cell);
            else
                row.push_back(strtod(cell.c_str(), nullptr));
        }
        if (!header)
            log.rows.push_back(row);
        header = false;
    }
    return log;
}

bool stateNumbers(const std::string& json, const std::vector<std::string>& keys, std::vector<double>* v)
{
    return SimState_numbers(json, keys, v);
}

double stateNumber(const std::string& json, const std::vector<std::string>& keys)
{
    double v = NAN;
    return SimState_number(json, keys, &v) ? v : NAN;
}

double simStartRealtime(const std::string& statePath)
{
    // The file is replaced now and then: a time and a text of the same file.
    for (int attempt = 0; attempt < 10; attempt++)
    {
        struct stat before, after;
        if (stat(statePath.c_str(), &before) != 0)
            return NAN;
        const std::string json = fileText(statePath);
        if (stat(statePath.c_str(), &after) == 0 && after.st_ino == before.st_ino)
            return static_cast<double>(before.st_mtim.tv_sec) + before.st_mtim.tv_nsec / 1e9 -
                   stateNumber(json, {"wallTime"});
    }
    return NAN;
}
