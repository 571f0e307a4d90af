// The 92 configuration attributes of the driver's settings: their keys (the
// configuration vocabulary of the module), descriptions, kinds, defaults and
// the field of aq9Settings each is bound to.
#ifndef AQ9_SETTINGS_TABLE_H
#define AQ9_SETTINGS_TABLE_H

#include "AQ9Structs.h"
#include "Attributes.h"

// Number of attributes AQ9SettingsTable_addAttributes creates.
int AQ9SettingsTable_count();

// Creates every attribute in registration order, bound to its field of settings
// (which receives the attribute's default), and adds it to attrib.
void AQ9SettingsTable_addAttributes(Attributes& attrib, aq9Settings& settings);

#endif
