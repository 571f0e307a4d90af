#ifndef FRAMEWORK_TASK_H
#define FRAMEWORK_TASK_H

class Task
{
  public:
    explicit Task(const char* name);
    virtual ~Task();
};
#endif
