// aq9sim as aq9host's child: started in a process group of its own (so the
// terminal's Ctrl-C reaches aq9host, which stops the driver before the
// sensor), ended with SIGTERM, and with SIGTERM from the kernel should
// aq9host die without stopping it.
#ifndef SIM_CHILD_H
#define SIM_CHILD_H

#include <sys/types.h>

#include <string>
#include <vector>

// The aq9sim to run: the build tree's, else one next to this program, else
// "aq9sim" from PATH.
std::string SimChild_program();

// The options as aq9sim takes them: args split at blanks.
std::vector<std::string> SimChild_arguments(const std::string& args);

class SimChild
{
  public:
    SimChild();
    ~SimChild();  // stops it
    SimChild(const SimChild&) = delete;
    SimChild& operator=(const SimChild&) = delete;

    // Runs program with args and reads the terminal's path from its first
    // line. False with *error when it did not start or printed no path in time.
    bool start(const std::string& program, const std::vector<std::string>& args, std::string* error);
    pid_t pid() const { return _pid; }
    const std::string& terminal() const { return _terminal; }
    // False once it has ended (or can no longer be waited for); *how then
    // says with which status.
    bool alive(std::string* how);
    // SIGTERM, waiting a moment, then SIGKILL; its exit status or -1.
    int stop();

  private:
    pid_t _pid;
    std::string _terminal;
    int _status;
};

#endif
