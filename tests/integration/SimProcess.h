// A running aq9sim for the integration tests: started with the given options,
// its terminal's path read from the first line it prints, stopped with SIGTERM.
#ifndef TESTS_INTEGRATION_SIMPROCESS_H
#define TESTS_INTEGRATION_SIMPROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

class SimProcess
{
  public:
    // Starts AQ9SIM_PATH with args; path() is empty when it printed no path.
    explicit SimProcess(const std::vector<std::string>& args);
    ~SimProcess();

    const std::string& path() const { return _path; }
    // SIGTERM, then the exit status (or -1 when it did not exit normally).
    int stop();
    // Waits up to seconds for it to exit by itself; its exit status or -1.
    int wait(double seconds);

  private:
    pid_t _pid;
    std::string _path;
};

// Runs aq9sim with args to its end; its exit status, with what it printed.
int runSim(const std::vector<std::string>& args, std::string* out, std::string* err);

#endif
