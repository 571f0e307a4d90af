// Comparator for mock parameters of type "termios". The link's tcsetattr
// call is checked for its descriptor and action; every record compares equal,
// and a record prints as its input flags in decimal.
#ifndef BENCH_TERMIOSCOMPARITOR_H
#define BENCH_TERMIOSCOMPARITOR_H

#include <termios.h>

#include "CppUTestExt/MockSupport.h"

class TermiosComparitor : public MockNamedValueComparator
{
  public:
    virtual ~TermiosComparitor() {}

    virtual bool isEqual(const void* /*object1*/, const void* /*object2*/) { return true; }

    virtual SimpleString valueToString(const void* object)
    {
        return StringFrom(static_cast<unsigned long>(static_cast<const termios*>(object)->c_iflag));
    }
};

#endif
