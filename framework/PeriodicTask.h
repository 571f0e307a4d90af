#ifndef FRAMEWORK_PERIODICTASK_H
#define FRAMEWORK_PERIODICTASK_H

#include "EventService.h"
#include "Task.h"

// A task whose member callbacks the framework runs from the task's own thread,
// driven by the SIGALRM timer; no callback runs while the thread blocks SIGALRM.
class PeriodicTask : public Task
{
  public:
    typedef void (PeriodicTask::*CallbackMethod)();

    explicit PeriodicTask(const char* name);
    virtual ~PeriodicTask();
    virtual void run();
    int addPeriodicCallback(unsigned int millisec, CallbackMethod callback);

  protected:
    EventService* _eventService;
};
#endif
