// The 92 configuration attributes of the driver's settings: their keys (the
// configuration vocabulary of the module), descriptions, kinds, defaults and
// the field of aq9Settings each is bound to.
#ifndef AQ9_SETTINGS_TABLE_H
#define AQ9_SETTINGS_TABLE_H

#include "AQ9Structs.h"
#include "Attributes.h"

// How an attribute keeps its value.
enum AQ9SettingKind
{
    AQ9SETTING_LONG,   // Integer on a signed 64-bit field
    AQ9SETTING_BYTE,   // Integer on a one-byte field: only its low byte is stored
    AQ9SETTING_BOOL,   // Boolean
    AQ9SETTING_DOUBLE  // Float; families bind consecutive elements of a v3d or v9d
};

// Number of attributes AQ9SettingsTable_addAttributes creates.
int AQ9SettingsTable_count();

// Creates every attribute in registration order, bound to its field of settings
// (which receives the attribute's default), and adds it to attrib.
void AQ9SettingsTable_addAttributes(Attributes& attrib, aq9Settings& settings);

// The kind of the attribute with that key; false when the table has no such key.
bool AQ9SettingsTable_kindOf(const char* key, AQ9SettingKind* kind);

#endif
