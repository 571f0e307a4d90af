// The configuration vocabulary as a table for people: every key of the
// driver's attribute table with its kind, default and description.
#ifndef MISSION_KEYS_H
#define MISSION_KEYS_H

#include <stdio.h>

#include "AQ9SettingsTable.h"

// "integer", "byte" (an integer of which the field keeps the low 8 bits),
// "boolean" or "float".
const char* MissionKeys_kindName(AQ9SettingKind kind);

// One aligned row per key, in the table's order, under a heading row.
void MissionKeys_print(FILE* out);

#endif
