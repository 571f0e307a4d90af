#ifndef FRAMEWORK_SYSTEM_H
#define FRAMEWORK_SYSTEM_H

class System
{
  public:
    static void milliSleep(int milliSeconds);
};
#endif
