// korvan-serve: serves a Korvan archive on the loopback address the way the device's
// embedded web server does, so a site can be previewed in a browser before it is flashed.
#include "ArchiveFile.h"
#include "PreviewServer.h"
#include "PreviewSite.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace korvan;

namespace {

const char kUsage[] =
    "Usage: korvan-serve ARCHIVE [--port N]\n"
    "Serves each entry of a Korvan archive at http://127.0.0.1:N/<name> exactly as the device\n"
    "sends it (its stored HTTP header included), \"/\" as index.htm or index.html, and 404 for\n"
    "any other name, until interrupted (Ctrl-C).\n"
    "  --port N    port to listen on (default 8080; 0 picks a free one, printed at start)\n"
    "  -h, --help  this text\n"
    "Example: korvan-serve site.znt --port 8000, then open http://127.0.0.1:8000/\n";

int stopPipe[2] = {-1, -1};

// Only the write happens here; the server loop sees the pipe become readable.
void requestStop(int)
{
    char byte = 0;
    ssize_t ignored = write(stopPipe[1], &byte, 1);
    (void)ignored;
}

int badArgument(const char* what, const char* arg)
{
    std::fprintf(stderr, "korvan-serve: %s%s\nTry 'korvan-serve --help'.\n", what, arg);
    return 2;
}

struct Options {
    const char* archive = nullptr;
    int port = 8080;
};

bool parsePort(const char* text, int& port)
{
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (!*text || *end || value < 0 || value > 65535)
        return false;
    port = static_cast<int>(value);
    return true;
}

// Parses the command line; -1 to go on, otherwise the exit status.
int parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(arg, "--port") == 0) {
            if (++i == argc || !parsePort(argv[i], options.port))
                return badArgument("--port needs a number from 0 to 65535", "");
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return badArgument("unknown option ", arg);
        } else if (options.archive) {
            return badArgument("more than one archive: ", arg);
        } else {
            options.archive = arg;
        }
    }
    return options.archive ? -1 : badArgument("no archive named", "");
}

bool installStop()
{
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}

int fail(const char* archive, const std::string& why)
{
    std::fprintf(stderr, "korvan-serve: %s: %s\n", archive, why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    int status = parse(argc, argv, options);
    if (status >= 0)
        return status;
    std::vector<uint8_t> bytes;
    std::string error;
    PreviewSite site;
    if (!readArchiveFile(options.archive, bytes, error) || !site.load(bytes.data(), bytes.size(), error))
        return fail(options.archive, error);
    if (site.headerless() > 0)
        std::fprintf(stderr, "korvan-serve: warning: %zu of %zu entries have no HTTP header and are sent without one\n",
                     site.headerless(), site.entries());
    PreviewServer server(site, stdout);
    if (!installStop())
        return fail(options.archive, "cannot install the stop handler");
    if (!server.listen(options.port, error))
        return fail(options.archive, error);
    std::printf("Serving %s (%zu entries) at http://127.0.0.1:%d/\n", options.archive, site.entries(), server.port());
    std::fflush(stdout);
    if (!server.run(stopPipe[0], error))
        return fail(options.archive, error);
    return 0;
}
