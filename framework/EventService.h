#ifndef FRAMEWORK_EVENTSERVICE_H
#define FRAMEWORK_EVENTSERVICE_H

#include "Task.h"

typedef int EventCode;

class EventService
{
  public:
    EventService(const char* name, Task* task);
    const char* name();
    int subscribe(const char* eventName);
    void processEvent(EventCode code);

  private:
    const char* _name;
    Task* _task;
};
#endif
