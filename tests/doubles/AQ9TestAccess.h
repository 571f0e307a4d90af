// Reaches the driver's private event handler the way the framework does.
#ifndef TESTS_AQ9TESTACCESS_H
#define TESTS_AQ9TESTACCESS_H

#include "AQ9.h"

class AQ9TestAccess
{
  public:
    static void action(AQ9& aq9, EventCode code) { aq9.action(nullptr, code); }
    static void setSite(AQ9& aq9, float lat, float lng)
    {
        aq9._siteLat = lat;
        aq9._siteLong = lng;
    }
    static void setGravity(AQ9& aq9, vec3f g) { aq9._gVector = g; }
    static AqHsiConfig& hsiConfig(AQ9& aq9) { return aq9._hsiConfig; }
};

#endif
