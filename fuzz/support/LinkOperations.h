// Every operation the driver asks of a sensor link, as one table both link
// targets draw from, and the checks that hold after any of them.
#ifndef FUZZ_LINKOPERATIONS_H
#define FUZZ_LINKOPERATIONS_H

#include <stddef.h>

#include "AQ9Sensor.h"
#include "FuzzReader.h"

struct LinkOperation
{
    const char* name;
    void (*run)(AQ9Sensor& link, FuzzReader& in);
};

extern const LinkOperation kLinkOperations[];
extern const size_t kLinkOperationCount;

// What holds after any operation on any input: the identity texts end inside
// their buffers, and a record is either good or all zero.
void checkLinkState(AQ9Sensor& link);

#endif
