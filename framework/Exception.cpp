#include "Exception.h"

#include <string.h>

Exception::Exception(const char* m)
{
    memset(msg, 0, sizeof msg);
    if (m != nullptr)
    {
        // At most 100 characters; a longer message fills the record unterminated.
        size_t n = strnlen(m, sizeof msg);
        memcpy(msg, m, n);
    }
}
