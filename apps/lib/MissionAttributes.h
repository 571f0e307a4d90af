// The driver's 92 configuration attributes, bound to a settings record of
// their own: what a mission file would set, without a driver or a sensor.
#ifndef MISSION_ATTRIBUTES_H
#define MISSION_ATTRIBUTES_H

#include "AQ9SettingsTable.h"
#include "AQ9Structs.h"
#include "Attributes.h"

struct MissionAttributes
{
    aq9Settings settings;  // every field the table binds holds its attribute default
    Attributes set;

    MissionAttributes() : settings(), set("AQ9") { AQ9SettingsTable_addAttributes(set, settings); }
    MissionAttributes(const MissionAttributes&) = delete;
    MissionAttributes& operator=(const MissionAttributes&) = delete;
};

#endif
