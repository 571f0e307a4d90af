#ifndef FRAMEWORK_PERIODICTASK_H
#define FRAMEWORK_PERIODICTASK_H

#include "EventService.h"
#include "Task.h"

class TaskInterface;
class TaskLoop;

// A task whose member callbacks the framework runs from the task's own thread,
// driven by the SIGALRM timer on the vehicle; no callback runs while the thread
// blocks SIGALRM. The framework calls action() from the same thread when
// messages wait on the task's queue. (The Linux host platform raises no
// SIGALRM: its loop runs callbacks and action one after the other.)
class PeriodicTask : public Task
{
  public:
    typedef void (PeriodicTask::*CallbackMethod)();

    explicit PeriodicTask(const char* name);
    virtual ~PeriodicTask();
    PeriodicTask(const PeriodicTask&) = delete;
    PeriodicTask& operator=(const PeriodicTask&) = delete;
    virtual void run();
    // 0 when the callback is registered.
    int addPeriodicCallback(unsigned int millisec, CallbackMethod callback);
    // Periods a callback could not run on time (held back by a long action or
    // callback); a platform that never runs callbacks reports 0.
    unsigned long missedPeriods() const { return _missedPeriods; }

  protected:
    virtual void action(TaskInterface*, EventCode) {}
    EventService* _eventService;

  private:
    friend class TaskLoop;
    // The platform's event loop, when it has one.
    TaskLoop* _loop = nullptr;
    unsigned long _missedPeriods = 0;
};
#endif
