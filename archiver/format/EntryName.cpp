#include "EntryName.h"

#include <cstdio>
#include <cstring>

namespace {

// True when the component of n bytes at start is "", "." or "..".
bool isUnsafeComponent(const char* start, std::size_t n)
{
    return n == 0 || (n == 1 && start[0] == '.') || (n == 2 && start[0] == '.' && start[1] == '.');
}

}  // namespace

const char* korvan_nameFault(const char* name, std::size_t n)
{
    if (std::memchr(name, '\0', n))
        return "it holds a NUL byte";
    if (n > 0 && name[0] == '/')
        return "it is an absolute path";
    std::size_t start = 0;
    for (std::size_t i = 0; i <= n; ++i) {
        if (i < n && name[i] != '/')
            continue;
        if (isUnsafeComponent(name + start, i - start))
            return "it has an empty, \".\" or \"..\" component";
        start = i + 1;
    }
    return nullptr;
}

void korvan_printableName(const char* name, std::size_t n, char* out, std::size_t cap)
{
    if (cap == 0)
        return;
    const std::size_t room = cap > 4 ? cap - 4 : 0;  // keeps space for "..." and the terminator
    std::size_t used = 0;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        bool escape = c < 0x20 || c == 0x7f || c == '"' || c == '\\';
        std::size_t width = escape ? 4 : 1;
        if (used + width > room) {
            std::snprintf(out + used, cap - used, "...");
            return;
        }
        if (escape)
            std::snprintf(out + used, cap - used, "\\x%02x", c);
        else
            out[used] = static_cast<char>(c);
        used += width;
    }
    out[used] = '\0';
}
