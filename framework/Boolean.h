#ifndef FRAMEWORK_BOOLEAN_H
#define FRAMEWORK_BOOLEAN_H
#include <stdint.h>
// The framework's truth value: 0 false, anything else true.
typedef uint8_t Boolean;
#endif
