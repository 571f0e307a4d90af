// The event loop behind PeriodicTask: one thread, one poll over descriptors.
// Each periodic callback owns a monotonic timerfd; the task's queues and the
// stop request are descriptors too. Callbacks and action() run one at a time
// on the thread that called run(), never from a signal handler, so a callback
// can never interrupt action(). A callback held back past its next period
// runs once: the periods it missed are counted from the timer's expiry count,
// not queued up, and logged at most once a minute.
#ifndef HOST_PLATFORM_TASKLOOP_H
#define HOST_PLATFORM_TASKLOOP_H

#include <poll.h>
#include <stdint.h>
#include <time.h>

#include <string>
#include <vector>

#include "PeriodicTask.h"

class TaskLoop
{
  public:
    TaskLoop(PeriodicTask* task, const char* name);
    ~TaskLoop();
    TaskLoop(const TaskLoop&) = delete;
    TaskLoop& operator=(const TaskLoop&) = delete;

    // 0 when the timer exists; it starts counting when run() starts.
    int addCallback(unsigned int millisec, PeriodicTask::CallbackMethod callback);
    // Serves timers and queues until a stop is requested.
    void run();

    // A queue opened for reading attaches its descriptor to the newest live
    // task constructed on the calling thread, whose loop then calls action()
    // when a message waits. False when there is no such task.
    static bool attachQueue(int fd);
    static void detachQueue(int fd);

  private:
    struct Timer
    {
        int fd;
        unsigned int millisec;
        PeriodicTask::CallbackMethod callback;
    };

    bool arm(const Timer& t, unsigned int millisec);
    void serveTimer(size_t index);
    void noteMissed(unsigned int millisec, uint64_t missed);
    // Poll set: the stop descriptor, the timers, then the queues.
    void buildPollSet(std::vector<pollfd>& fds, size_t* firstQueue);
    void stopTimers();

    PeriodicTask* _task;
    std::string _name;
    std::vector<Timer> _timers;
    std::vector<int> _queueFds;  // guarded by the registry's lock
    bool _running;
    uint64_t _missedSinceReport;
    bool _reported;
    timespec _lastReport;
};

#endif
