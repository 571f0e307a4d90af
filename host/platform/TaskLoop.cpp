#include "TaskLoop.h"

#include <errno.h>
#include <poll.h>
#include <string.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>

#include "StopDescriptor.h"
#include "HostPlatform.h"
#include "Syslog.h"
#include "Task.h"

namespace {

// Event code of "messages wait on the task's queue" (AQ9IF::MessagesWaiting).
const EventCode kMessagesWaiting = 0;
const long kReportIntervalSec = 60;

// Live loops, so a queue can find its task and a loop its queues.
std::mutex g_registryLock;
std::vector<TaskLoop*> g_loops;
thread_local TaskLoop* t_newestLoop = nullptr;

double secondsSince(const timespec& t)
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec - t.tv_sec) + static_cast<double>(now.tv_nsec - t.tv_nsec) / 1e9;
}

}  // namespace

Task::Task(const char*) {}
Task::~Task() {}

PeriodicTask::PeriodicTask(const char* name) : Task(name), _eventService(nullptr)
{
    _loop = new TaskLoop(this, name);
}

PeriodicTask::~PeriodicTask()
{
    delete _loop;
}

void PeriodicTask::run()
{
    _loop->run();
}

int PeriodicTask::addPeriodicCallback(unsigned int millisec, CallbackMethod callback)
{
    return _loop->addCallback(millisec, callback);
}

TaskLoop::TaskLoop(PeriodicTask* task, const char* name)
    : _task(task), _name(name != nullptr ? name : ""), _running(false), _missedSinceReport(0), _reported(false),
      _lastReport()
{
    std::lock_guard<std::mutex> lock(g_registryLock);
    g_loops.push_back(this);
    t_newestLoop = this;
}

TaskLoop::~TaskLoop()
{
    for (const Timer& t : _timers)
        close(t.fd);
    std::lock_guard<std::mutex> lock(g_registryLock);
    g_loops.erase(std::remove(g_loops.begin(), g_loops.end(), this), g_loops.end());
    if (t_newestLoop == this)
        t_newestLoop = nullptr;
}

bool TaskLoop::attachQueue(int fd)
{
    std::lock_guard<std::mutex> lock(g_registryLock);
    TaskLoop* loop = t_newestLoop;
    // The newest task may have been destroyed on another thread.
    if (loop == nullptr || std::find(g_loops.begin(), g_loops.end(), loop) == g_loops.end())
        return false;
    loop->_queueFds.push_back(fd);
    return true;
}

void TaskLoop::detachQueue(int fd)
{
    std::lock_guard<std::mutex> lock(g_registryLock);
    for (TaskLoop* loop : g_loops)
        loop->_queueFds.erase(std::remove(loop->_queueFds.begin(), loop->_queueFds.end(), fd), loop->_queueFds.end());
}

int TaskLoop::addCallback(unsigned int millisec, PeriodicTask::CallbackMethod callback)
{
    if (millisec == 0 || callback == nullptr)
    {
        Syslog::write("%s - periodic callback of %u ms refused: it needs a period and a method", _name.c_str(),
                      millisec);
        return -1;
    }
    int fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd < 0)
    {
        Syslog::write("%s - timerfd_create for the %u ms callback failed: %s", _name.c_str(), millisec,
                      strerror(errno));
        return -1;
    }
    _timers.push_back(Timer{fd, millisec, callback});
    // A callback added while the loop runs starts at once.
    if (_running && !arm(_timers.back(), millisec))
        return -1;
    return 0;
}

// Period and first expiry are both millisec; 0 disarms.
bool TaskLoop::arm(const Timer& t, unsigned int millisec)
{
    itimerspec timer;
    timer.it_interval.tv_sec = millisec / 1000;
    timer.it_interval.tv_nsec = static_cast<long>(millisec % 1000) * 1000000L;
    timer.it_value = timer.it_interval;
    if (timerfd_settime(t.fd, 0, &timer, nullptr) == 0)
        return true;
    Syslog::write("%s - timerfd_settime for the %u ms callback failed: %s", _name.c_str(), t.millisec,
                  strerror(errno));
    return false;
}

void TaskLoop::stopTimers()
{
    for (const Timer& t : _timers)
        arm(t, 0);
}

void TaskLoop::run()
{
    if (_running)
    {
        Syslog::write("%s - run() called from inside the running loop; ignored", _name.c_str());
        return;
    }
    _running = true;
    for (const Timer& t : _timers)
        arm(t, t.millisec);
    std::vector<pollfd> fds;
    try
    {
        while (!hostplatform::stopRequested())
        {
            size_t firstQueue = 0;
            buildPollSet(fds, &firstQueue);
            // Without a stop descriptor the flag is looked at once a second.
            int wait = hostplatform::stopDescriptor() >= 0 ? -1 : 1000;
            int n = poll(fds.data(), fds.size(), wait);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
            {
                Syslog::write("%s - poll failed, loop ends: %s", _name.c_str(), strerror(errno));
                break;
            }
            for (size_t i = 1; i < firstQueue; i++)
                if (fds[i].revents & POLLIN)
                    serveTimer(i - 1);
            bool messages = false;
            for (size_t i = firstQueue; i < fds.size(); i++)
                messages = messages || (fds[i].revents & POLLIN);
            if (messages && !hostplatform::stopRequested())
                _task->action(nullptr, kMessagesWaiting);
        }
    }
    catch (...)
    {
        stopTimers();
        _running = false;
        throw;
    }
    stopTimers();
    _running = false;
    if (_task->_missedPeriods > 0)
        Syslog::write("%s - loop stopped; callback periods missed in all: %lu", _name.c_str(), _task->_missedPeriods);
}

void TaskLoop::buildPollSet(std::vector<pollfd>& fds, size_t* firstQueue)
{
    fds.clear();
    // Slot 0 is the stop descriptor; a negative one is skipped by poll.
    fds.push_back(pollfd{hostplatform::stopDescriptor(), POLLIN, 0});
    for (const Timer& t : _timers)
        fds.push_back(pollfd{t.fd, POLLIN, 0});
    *firstQueue = fds.size();
    std::lock_guard<std::mutex> lock(g_registryLock);
    for (int fd : _queueFds)
        fds.push_back(pollfd{fd, POLLIN, 0});
}

void TaskLoop::serveTimer(size_t index)
{
    uint64_t expirations = 0;
    if (read(_timers[index].fd, &expirations, sizeof expirations) != sizeof expirations)
        return;
    // Expiries beyond the first passed while the thread was busy elsewhere.
    if (expirations > 1)
        noteMissed(_timers[index].millisec, expirations - 1);
    PeriodicTask::CallbackMethod callback = _timers[index].callback;
    (_task->*callback)();
}

void TaskLoop::noteMissed(unsigned int millisec, uint64_t missed)
{
    _task->_missedPeriods += missed;
    _missedSinceReport += missed;
    if (_reported && secondsSince(_lastReport) < kReportIntervalSec)
        return;
    Syslog::write("%s - callback periods missed: %llu since the last report, %lu in all; latest by the %u ms callback",
                  _name.c_str(), static_cast<unsigned long long>(_missedSinceReport), _task->_missedPeriods,
                  millisec);
    clock_gettime(CLOCK_MONOTONIC, &_lastReport);
    _reported = true;
    _missedSinceReport = 0;
}
