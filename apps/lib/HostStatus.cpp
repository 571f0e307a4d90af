#include "HostStatus.h"

#include <stdio.h>

#include "BlockFormat.h"

std::string HostStatus_heading()
{
    char b[256];
    snprintf(b, sizeof b, "%6s  %-12s  %s  %6s  %6s  %8s", "time", "status", BlockFormat_attitudeHeading().c_str(),
             "kept", "missed", "hdg err");
    return b;
}

std::string HostStatus_line(const HostStatus& s)
{
    char kept[16] = "-", heading[16] = "-", b[256];
    if (s.calibrating)
        snprintf(kept, sizeof kept, "%u", static_cast<unsigned>(s.keptPoints));
    if (s.haveHeadingError)
        snprintf(heading, sizeof heading, "%+8.2f", s.headingError_deg);
    snprintf(b, sizeof b, "%5.0fs  %-12s  %s  %6s  %6lu  %8s", s.elapsed_s,
             BlockFormat_statusName(s.ahrs->status).c_str(), BlockFormat_attitudeColumns(*s.ahrs).c_str(), kept,
             s.missedPeriods, heading);
    return b;
}
