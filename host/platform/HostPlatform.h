// Controls of the Linux host platform that a host program sets and the
// framework headers have no words for: the stop request that ends every task
// loop, and the time scale of long sleeps.
//
// What each framework service maps to on Linux:
//   PeriodicTask   one poll loop on the thread that calls run(): a timerfd per
//                  callback, the descriptors of the task's queues, the stop eventfd
//   MessageQueue   a POSIX message queue "/<prefix><name>"
//   SharedData     a POSIX shared-memory object "/<prefix><name>" behind a seqlock header
//   DataLogWriter  <log>.csv and <log>.columns.csv in $AUV_LOG_DIR/latest
//   Syslog         standard error, and syslog(3) when AQ9_SYSLOG=1
//   NavigationIF   the site in AQ9_NAV_LAT, AQ9_NAV_LON, AQ9_NAV_DECLINATION
//   System         nanosleep, shortened by the time scale below
//   SerialDevice   a termios port
#ifndef HOST_PLATFORM_HOSTPLATFORM_H
#define HOST_PLATFORM_HOSTPLATFORM_H

#include <stddef.h>
#include <time.h>

namespace hostplatform {

// Asks every task loop of the process to return from run(). Safe to call from
// a signal handler and from any thread. The request stays until cleared, so a
// request made before run() starts still ends it at once.
void requestStop();
bool stopRequested();
void clearStopRequest();

// Installs SIGINT and SIGTERM handlers that call requestStop(). Returns false
// (and logs why) when a handler cannot be installed.
bool stopOnSignals();

// Long sleeps are multiplied by this factor: System::milliSleep shortens a
// sleep of 10 s or more, and logs that it did. Meant only for runs against a
// simulated sensor; a real one needs its full waits. 1 (the default) is real
// time; a factor outside (0, 1] is refused with false.
bool setTimeScale(double factor);
double timeScale();

// The environment variable whose value goes in front of every queue and
// block name, so that runs which must not meet (tests in parallel, two rigs
// on one machine) keep apart; every program of one run sets the same value.
// Letters, digits, '.', '_' and '-', at most kMaxIpcPrefix characters.
extern const char* const kIpcPrefixVariable;  // "AQ9_IPC_PREFIX"
const size_t kMaxIpcPrefix = 64;

// The POSIX name of the queue or block name: "/", the prefix, the name.
// False (and logged) when the prefix is not allowed or the result does not
// fit: the object is then not opened rather than shared with another run.
bool ipcPath(const char* name, char* path, size_t size);

// Sleeps at least this long are announced, and scaled by the time scale.
const int kLongSleepMs = 10000;

// Called with every system-log line (its text, and the real time it was
// stamped with), in the thread that wrote it, after it was written; null
// removes it. One per process, for a host program that follows the driver's
// own account of what it does (aq9host draws each calibration run from it);
// it must not write to the system log itself.
typedef void (*LogObserver)(const struct timespec& when, const char* text);
void setLogObserver(LogObserver observer);

}  // namespace hostplatform

#endif
