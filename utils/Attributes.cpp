#include "Attributes.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "Syslog.h"

namespace {

// Every message of the set is formatted into one 256-character buffer (longer
// ones are cut to 255 characters) and written as a single log line.
void logMessage(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void logMessage(const char* fmt, ...)
{
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    Syslog::write("%s\n", buf);
}

const char* orEmpty(const char* s)
{
    return s != nullptr ? s : "";
}

}  // namespace

Attributes::Attributes(const char* objectName) : list(10), _objectName(strdup(orEmpty(objectName))) {}

Attributes::~Attributes()
{
    free(const_cast<char*>(_objectName));
    for (int i = 0; i < list.size(); i++)
        delete list.array[i];
}

void Attributes::add(Attribute* attribute)
{
    if (attribute == nullptr)
        return;
    // The set owns what it is given: one it cannot store is released, not leaked.
    if (list.add(&attribute) != 0)
    {
        logMessage("Out of memory adding attribute \"%s\" to object \"%s\"", orEmpty(attribute->name()),
                   _objectName);
        delete attribute;
    }
}

Attribute* Attributes::find(const char* name)
{
    // The first attribute with the key wins; later ones with the same key are never reached.
    for (int i = 0; i < list.size(); i++)
        if (list.array[i]->name() != nullptr && strcmp(list.array[i]->name(), orEmpty(name)) == 0)
            return list.array[i];
    return nullptr;
}

int Attributes::parse(Attribute::Input* input)
{
    if (input == nullptr)
        return -1;
    const char* name = orEmpty(input->name);
    Attribute* match = find(name);
    if (match == nullptr)
    {
        logMessage("Unknown attribute name: \"%s\"\n", name);
        return -1;
    }
    try
    {
        match->setValue(orEmpty(input->valueString));
    }
    catch (...)
    {
        logMessage("Caught conversion error for value \"%s\"\n", orEmpty(input->valueString));
        return -1;
    }
    match->markAsSet();
    return 0;
}

int Attributes::parse(AttributeInputList* inputs)
{
    if (inputs == nullptr)
        return -1;
    int result = 0;
    for (int i = 0; i < inputs->size(); i++)
        if (parse(inputs->array[i]) != 0)
            result = -1;
    return result;
}

int Attributes::verify()
{
    int result = 0;
    for (int i = 0; i < list.size(); i++)
    {
        Attribute* a = list.array[i];
        // A kind's own check is reported only; it does not fail the set.
        if (!a->verify())
            logMessage("Attribute \"%s\" failed to verify itself", orEmpty(a->name()));
        if (!a->hasDefault() && !a->valueHasBeenSet())
        {
            logMessage("Mandatory attribute \"%s\" not specified for object \"%s\"\n", orEmpty(a->name()),
                       _objectName);
            result = -1;
        }
    }
    return result;
}

void Attributes::printDescriptions()
{
    Syslog::write("Valid attribute descriptions:");
    for (int i = 0; i < list.size(); i++)
    {
        list.array[i]->printDescription();
        Syslog::write(" ");
    }
}
