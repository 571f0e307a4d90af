#include "MissionKeys.h"

#include <string.h>

#include <algorithm>

#include "MissionAttributes.h"

const char* MissionKeys_kindName(AQ9SettingKind kind)
{
    switch (kind)
    {
    case AQ9SETTING_LONG:
        return "integer";
    case AQ9SETTING_BYTE:
        return "byte";
    case AQ9SETTING_BOOL:
        return "boolean";
    case AQ9SETTING_DOUBLE:
    default:
        return "float";
    }
}

void MissionKeys_print(FILE* out)
{
    MissionAttributes a;
    DynamicArray<Attribute*>& list = a.set.list;
    int keyWidth = 3;
    for (int i = 0; i < list.size(); i++)
        keyWidth = std::max(keyWidth, static_cast<int>(strlen(list.array[i]->name())));
    fprintf(out, "%-*s  %-7s  %-7s  %s\n", keyWidth, "KEY", "KIND", "DEFAULT", "DESCRIPTION");
    for (int i = 0; i < list.size(); i++)
    {
        Attribute* at = list.array[i];
        AQ9SettingKind kind = AQ9SETTING_DOUBLE;
        AQ9SettingsTable_kindOf(at->name(), &kind);
        fprintf(out, "%-*s  %-7s  %-7s  %s\n", keyWidth, at->name(), MissionKeys_kindName(kind), at->valueString(),
                at->description());
    }
}
