#ifndef FRAMEWORK_EXCEPTION_H
#define FRAMEWORK_EXCEPTION_H

// The framework's exception record. The message holds at most 100 characters; a
// message of 100 or more is not terminated inside the record, so readers bound it
// by sizeof(msg) (printf("%.*s", (int)sizeof e.msg, e.msg)).
class Exception
{
  public:
    explicit Exception(const char* m);
    virtual ~Exception() {}
    char msg[100];
};
#endif
