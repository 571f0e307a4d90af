#include "HostSignals.h"

#include <errno.h>
#include <limits.h>
#include <mqueue.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>

#include "HostClaim.h"
#include "HostPlatform.h"
#include "StopDescriptor.h"

namespace {

std::atomic<int> g_signals{0};
std::atomic<bool> g_startingUp{false};
std::atomic<pid_t> g_child{-1};
// Computed before any signal, so the handler only makes system calls.
char g_queuePath[NAME_MAX + 2];
char g_blockPaths[2][NAME_MAX + 2];
char g_ownFile[PATH_MAX];

void say(const char* text)
{
    if (write(STDERR_FILENO, text, strlen(text)) < 0)
    {
        // Nothing to be done about it in a handler.
    }
}

void onSignal(int)
{
    const int saved = errno;
    if (g_signals.fetch_add(1) == 0)
    {
        hostplatform::requestStop();
        if (g_startingUp.load())
            say("\naq9host: stopping once the start-up step in progress ends (the sensor must settle before it is "
                "reset); signal again to end at once\n");
        errno = saved;
        return;
    }
    say("\naq9host: second signal: ending at once; the sensor may be left half configured\n");
    const pid_t child = g_child.load();
    if (child > 0)
        kill(child, SIGTERM);
    // The same system calls the platform makes when it closes them cleanly.
    if (g_queuePath[0] != '\0')
        mq_unlink(g_queuePath);
    for (const char* p : g_blockPaths)
        if (p[0] != '\0')
            shm_unlink(p);
    if (g_ownFile[0] != '\0')
        unlink(g_ownFile);
    _exit(1);
}

}  // namespace

bool HostSignals_install()
{
    // The stop request wakes a running loop through this descriptor.
    hostplatform::stopDescriptor();
    if (!hostplatform::ipcPath(kHostQueueName, g_queuePath, sizeof g_queuePath))
        g_queuePath[0] = '\0';
    for (int i = 0; i < 2; i++)
        if (!hostplatform::ipcPath(kHostBlockNames[i], g_blockPaths[i], sizeof g_blockPaths[i]))
            g_blockPaths[i][0] = '\0';
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    if (sigaction(SIGINT, &sa, nullptr) != 0 || sigaction(SIGTERM, &sa, nullptr) != 0)
    {
        fprintf(stderr, "aq9host: sigaction: %s\n", strerror(errno));
        return false;
    }
    // A closed pipe on standard output must not end the driver uncleanly.
    signal(SIGPIPE, SIG_IGN);
    return true;
}

void HostSignals_startingUp(bool starting)
{
    g_startingUp.store(starting);
}

void HostSignals_child(pid_t pid)
{
    g_child.store(pid);
}

void HostSignals_removeOnEnd(const char* path)
{
    // A second signal during this copy sees a part of the name: it removes nothing.
    snprintf(g_ownFile, sizeof g_ownFile, "%s", path);
}
