// aq9host's status line, one a second: time since polling began, the attitude
// block's status and values, the samples kept by a calibration run, missed
// periods and, against the simulator, the heading error it knows the truth of.
#ifndef HOST_STATUS_H
#define HOST_STATUS_H

#include <stdint.h>

#include <string>

#include "AQ9Output.h"

struct HostStatus
{
    double elapsed_s;
    const AQ9Output::Data* ahrs;
    bool calibrating;
    uint32_t keptPoints;
    unsigned long missedPeriods;
    bool haveHeadingError;  // only the simulator knows the truth
    double headingError_deg;
};

std::string HostStatus_heading();
std::string HostStatus_line(const HostStatus& s);

#endif
