#include "TextFormat.h"

#include <stdarg.h>
#include <stdio.h>

std::string TextFormat_printf(const char* fmt, ...)
{
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}
