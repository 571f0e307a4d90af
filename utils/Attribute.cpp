#include "Attribute.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "Syslog.h"

namespace {

char* copyText(const char* s)
{
    return s == nullptr ? nullptr : strdup(s);
}

}  // namespace

Attribute::Input::Input(const char* n, const char* v) : name(copyText(n)), valueString(copyText(v)) {}

Attribute::Input::~Input()
{
    free(const_cast<char*>(name));
    free(const_cast<char*>(valueString));
}

Attribute::Attribute(const char* name, const char* description)
    : _name(copyText(name)), _description(copyText(description)), _hasDefault(0), _valueHasBeenSet(0)
{
}

Attribute::~Attribute()
{
    free(const_cast<char*>(_name));
    free(const_cast<char*>(_description));
}

void Attribute::printDescription()
{
    // One message of three lines; a longer text is cut to the buffer.
    char buf[256];
    const char* name = _name != nullptr ? _name : "";
    const char* desc = _description != nullptr ? _description : "";
    if (_hasDefault)
        snprintf(buf, sizeof buf, "name: %s\ntype: %s, default: %s\nDescription: %s", name, typeMnem(), valueString(),
                 desc);
    else
        snprintf(buf, sizeof buf, "name: %s\ntype: %s, default: none - input mandatory\nDescription: %s", name,
                 typeMnem(), desc);
    Syslog::write("%s", buf);
}
