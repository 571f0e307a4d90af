#ifndef FRAMEWORK_SHAREDDATA_H
#define FRAMEWORK_SHAREDDATA_H

#include "Boolean.h"

// A named shared-memory block of nDataBytes; write publishes the caller's copy,
// read refreshes it. Locking is the framework's.
class SharedData
{
  public:
    enum Access
    {
        NoAccess = 0,
        Read = 1,
        Write = 2,
        ReadWrite = 3
    };

    SharedData(const char* name, int nDataBytes, Access access, Boolean init);
    virtual ~SharedData();
    SharedData(const SharedData&) = delete;
    SharedData& operator=(const SharedData&) = delete;
    int read(void* data);
    int write(void* data);
    const char* name() const { return _name; }
    int nDataBytes() const { return _nDataBytes; }

  protected:
    const char* _name;
    int _nDataBytes;

  private:
    // The platform's own state, when it keeps any beyond the fields above.
    struct Impl;
    Impl* _impl = nullptr;
};
#endif
