#ifndef FRAMEWORK_TASKINTERFACE_H
#define FRAMEWORK_TASKINTERFACE_H

#include "EventService.h"

class TaskInterface
{
  public:
    TaskInterface(const char* name, const char* serverName, int serverConnectTimeout);
    virtual ~TaskInterface();
    int sendExternalMsg(void* msg, int nBytes);
};
#endif
