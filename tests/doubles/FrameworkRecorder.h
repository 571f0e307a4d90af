// Recording doubles of the framework services for unit tests: the system log
// and sleeps are recorded, queues can be filled by the test, shared-memory
// writes and log records are kept, periodic callbacks are registered but only
// run when a test calls them, and the navigation client is scripted.
#ifndef TESTS_FRAMEWORKRECORDER_H
#define TESTS_FRAMEWORKRECORDER_H

#include <stddef.h>

#include <map>
#include <string>
#include <vector>

#include "PeriodicTask.h"

namespace fw {

struct CallbackRecord
{
    PeriodicTask* task;
    unsigned int millisec;
    PeriodicTask::CallbackMethod callback;
};

enum NavigationScript
{
    NavReturnsPosition,
    NavThrowsException,
    NavThrowsOther,
    NavLocationFails  // created, but location() answers -1 and fills nothing
};

// Clears every record and script; call it in each test group's setup.
void reset();

std::vector<std::string>& syslogLines();
// True when some logged line contains text.
bool logged(const std::string& text);
// Number of logged lines that contain text.
int loggedCount(const std::string& text);

std::vector<int>& sleeps();

std::vector<CallbackRecord>& callbacks();
// The next registrations, in order, fail (true) or succeed; later ones succeed.
void refuseRegistrations(const std::vector<bool>& refused);
// Runs every callback registered with that period, in registration order.
void runCallbacks(unsigned int millisec);

// Queues one message for MessageQueue::read on the named queue.
void postMessage(const std::string& queueName, const void* msg, size_t size);

// Shared-memory blocks: number of writes and the bytes last written, by name.
int sharedWriteCount(const std::string& blockName);
std::vector<unsigned char> sharedLastWrite(const std::string& blockName);

// Data logs: every record written (the field values at write time), by name.
std::vector<std::vector<double>>& logRecords(const std::string& logName);

// Navigation client.
void scriptNavigation(NavigationScript script, double latRad, double lngRad, double declinationDeg);
int navigationClientsCreated();
int navigationClientsLive();

}  // namespace fw

#endif
