// Runs a program as a child process with its output captured, for the tests
// that check a program from the outside.
#pragma once

#include <string>
#include <vector>

// Runs program (looked up in PATH when it has no slash) with args, its
// standard output and error going to files in dir, which are read back into
// out and err and removed. Returns the exit status, or -1 when it did not run
// or did not exit normally.
int ProgramRun_run(const std::string& program, std::vector<std::string> args, const std::string& dir,
                   std::string* out, std::string* err);
