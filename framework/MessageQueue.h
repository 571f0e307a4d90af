#ifndef FRAMEWORK_MESSAGEQUEUE_H
#define FRAMEWORK_MESSAGEQUEUE_H

#include "Boolean.h"

// A named queue of fixed-size messages. read copies one message and returns a
// positive value, or returns 0 or less when none waits (non-blocking queue).
class MessageQueue
{
  public:
    enum Access
    {
        NoAccess = 0,
        Read = 1,
        Write = 2,
        ReadWrite = 3
    };

    MessageQueue(const char* name, int msgSize, int maxQueueSize, Access access, Boolean blocking);
    virtual ~MessageQueue();
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;
    virtual int read(void* data);
    virtual int write(void* data);

  protected:
    const char* _name;
    Access _access;
    int _msgSize;
    int _maxQueueSize;
    Boolean _blocking;
    int _queue;

  public:
    Boolean debug;

  private:
    // The platform's own state, when it keeps any beyond the fields above.
    struct Impl;
    Impl* _impl = nullptr;
};
#endif
