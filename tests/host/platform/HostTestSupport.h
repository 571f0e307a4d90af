// Helpers of the host platform's tests: names no other run uses, a private
// directory, standard error captured into a string, and elapsed time.
#ifndef TESTS_HOST_PLATFORM_HOSTTESTSUPPORT_H
#define TESTS_HOST_PLATFORM_HOSTTESTSUPPORT_H

#include <time.h>

#include <string>

// "aq9test-<pid>-<n>-<what>": unique per process and call, so parallel runs
// of the suite (normal and sanitizer builds) never share a queue or block.
std::string uniqueName(const char* what);

// A fresh directory under /tmp, removed with its contents on destruction.
class TempDir
{
  public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return _path; }

  private:
    std::string _path;
};

// Redirects standard error to a file until text() is called.
class CapturedStderr
{
  public:
    CapturedStderr();
    ~CapturedStderr();
    // Restores standard error and returns what was written meanwhile.
    std::string text();

  private:
    int _saved;
    int _file;
};

long long msSince(const timespec& start);
timespec monotonicNow();

// Waits up to timeoutMs for the child; its exit status, or -1 when it did
// not end normally in time (it is then killed).
int waitChild(int pid, int timeoutMs);

#endif
