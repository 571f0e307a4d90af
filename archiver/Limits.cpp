#include "Limits.h"

#include <cstdio>
#include <cstring>

namespace korvan {

void reportOverflow(const char* what, const char* value, const char* limit)
{
    if (value)
        std::fprintf(stderr, "ERROR: %s %s exceeds %s\n", what, value, limit);
    else
        std::fprintf(stderr, "ERROR: %s exceeds %s\n", what, limit);
}

bool copyField(char* field, std::size_t cap, const char* src)
{
    std::size_t n = std::strlen(src);
    if (n >= cap)
        return false;
    std::memcpy(field, src, n + 1);
    return true;
}

bool joinField(char* field, std::size_t cap, const char* head, const char* tail)
{
    std::size_t h = std::strlen(head);
    std::size_t t = std::strlen(tail);
    if (h + 1 + t >= cap)
        return false;
    std::memcpy(field, head, h);
    field[h] = '/';
    std::memcpy(field + h + 1, tail, t + 1);
    return true;
}

}  // namespace korvan
