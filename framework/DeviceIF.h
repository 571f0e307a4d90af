#ifndef FRAMEWORK_DEVICEIF_H
#define FRAMEWORK_DEVICEIF_H
#include "Boolean.h"

class DeviceIF
{
  public:
    enum Status
    {
        Ok = 0,
        Initializing = 1,
        Offline = 2,
        Error = 3,
        FailedInit = 4,
        FailedRead = 5
    };
};
#endif
