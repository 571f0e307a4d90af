#include "LeftOut.h"

#include <cstdio>

namespace korvan {

namespace {

struct Reason {
    const char* warning;  // printf format taking the path
    const char* label;    // in the summary line
};

const Reason kReasons[LEFT_OUT_REASONS] = {
    {"Skipping %s (bigger than 64 K)\n", "bigger than 64 K"},
    {"Skipping %s (entry bigger than 64 K)\n", "bigger than 64 K with the header"},
    {"Warning: not archived (deeper than two levels): %s\n", "deeper than two levels"},
    {"Warning: cannot read %s\n", "unreadable"},
    {"File not found: %s\\*.*\n", "directories not listed"},
    {"Warning: not followed (link to the packed directory or above it): %s\n", "links to the packed directory or above"},
    {" (ERROR: Could not open file %s)\n", "not opened (zero-filled)"},
    {" (ERROR: Could not read file %s)\n", "cut short (zero-filled)"},
};

}  // namespace

void leaveOut(LeftOut& left, LeftOutReason reason, const char* what)
{
    std::fprintf(stderr, kReasons[reason].warning, what);
    ++left.count[reason];
}

void describeLeftOut(const LeftOut& left, char* out, std::size_t cap)
{
    std::size_t used = 0;
    out[0] = '\0';
    for (int r = 0; r < LEFT_OUT_REASONS && used < cap; ++r) {
        if (left.count[r] == 0)
            continue;
        int n = std::snprintf(out + used, cap - used, "%s %d %s", used == 0 ? "; left out:" : ",", left.count[r],
                              kReasons[r].label);
        if (n < 0)
            break;
        used += static_cast<std::size_t>(n);
    }
}

}  // namespace korvan
