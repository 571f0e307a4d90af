// aq9host as a process for the integration tests: each run in a private log
// directory under a queue and block prefix of its own (AQ9_IPC_PREFIX), so
// runs of the suite in parallel never meet; aq9cmd and aq9watch run in the
// same environment; CSV logs and the simulator's state file read back.
#ifndef TESTS_INTEGRATION_HOST_HOSTPROCESS_H
#define TESTS_INTEGRATION_HOST_HOSTPROCESS_H

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

struct ProgramResult
{
    int status;  // exit status, or -1 when it did not end in time (then killed)
    std::string out, err;
};

// A file's text; empty when it cannot be read.
std::string fileText(const std::string& path);
bool contains(const std::string& text, const std::string& part);
void sleepSeconds(double s);
double monotonicSeconds();

class HostProcess
{
  public:
    // Prepares the directory and the prefix; nothing runs yet.
    HostProcess();
    // Kills what still runs and removes the directory.
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    const std::string& dir() const { return _dir; }          // scratch files of the test
    std::string latest() const { return _dir + "/logs/latest"; }  // the driver's files
    std::string simState() const { return latest() + "/aq9sim-state.json"; }
    // Writes a file in dir(); returns its path.
    std::string writeFile(const std::string& name, const std::string& text) const;

    // Starts aq9host with args (besides --log-dir) in the background.
    void start(const std::vector<std::string>& args);
    // Runs program (a path) with args to its end in this run's environment.
    ProgramResult run(const std::string& program, const std::vector<std::string>& args, double timeout = 10) const;
    // Until aq9watch --once sees both blocks published; false after timeout s
    // or when aq9host has ended.
    bool waitUntilPublishing(double timeout);
    void signal(int sig) const;
    // Its exit status, or -1 when it did not end within timeout s (then killed).
    int wait(double timeout);
    bool running();
    std::string out() const { return fileText(_dir + "/host.out"); }
    std::string err() const { return fileText(_dir + "/host.err"); }

  private:
    std::string _dir;
    std::string _prefix;
    pid_t _pid;
};

// A CSV log read back: the header's column names and the rows as numbers.
struct CsvLog
{
    std::vector<std::string> columns;
    std::vector<std::vector<double>> rows;
    int column(const std::string& name) const;  // -1 when absent
};
CsvLog readCsv(const std::string& path);

// aq9sim's state file: numbers at a key path (see SimState.h).
bool stateNumbers(const std::string& json, const std::vector<std::string>& keys, std::vector<double>* v);
double stateNumber(const std::string& json, const std::vector<std::string>& keys);  // NaN when absent
// When the simulator started, on CLOCK_REALTIME: the state file's time of
// writing less the simulator's own clock at that moment.
double simStartRealtime(const std::string& statePath);

#endif
