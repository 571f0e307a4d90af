// aq9sim: a simulated AQ-9 on a pseudo-terminal. Parses the command line,
// turns SIGINT and SIGTERM into a write on a stop pipe, and runs the simulator.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "Options.h"
#include "Runner.h"

namespace {

int stopPipe[2] = {-1, -1};

void onStop(int)
{
    const char b = 1;
    ssize_t r = write(stopPipe[1], &b, 1);
    (void)r;
}

}  // namespace

int main(int argc, char** argv)
{
    aq9sim::Options options;
    std::string error;
    switch (aq9sim::parseOptions(argc, argv, &options, &error))
    {
    case aq9sim::PARSE_HELP:
        fputs(aq9sim::usageText(), stdout);
        return 0;
    case aq9sim::PARSE_ERROR:
        fprintf(stderr, "aq9sim: %s\nTry 'aq9sim --help' for more information.\n", error.c_str());
        return 2;
    case aq9sim::PARSE_OK:
        break;
    }
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
    {
        fprintf(stderr, "aq9sim: pipe2: %s\n", strerror(errno));
        return 1;
    }
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = onStop;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    if (!aq9sim::runSimulator(options, stopPipe[0], stdout, &error))
    {
        fprintf(stderr, "aq9sim: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
