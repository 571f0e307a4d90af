// Inert attribute kinds for imubench: they keep neither the bound address nor
// the default, so a configuration never changes the bench's settings.
#include "AttributeKinds.h"

IntegerAttribute::IntegerAttribute(const char* name, const char* description, long*)
    : Attribute(name, description), _longAddress(nullptr), _byteAddress(nullptr), _default(0), _text()
{
}
IntegerAttribute::IntegerAttribute(const char* name, const char* description, long*, long)
    : Attribute(name, description), _longAddress(nullptr), _byteAddress(nullptr), _default(0), _text()
{
    setHasDefault();
}
IntegerAttribute::IntegerAttribute(const char* name, const char* description, uint8_t*)
    : Attribute(name, description), _longAddress(nullptr), _byteAddress(nullptr), _default(0), _text()
{
}
IntegerAttribute::IntegerAttribute(const char* name, const char* description, uint8_t*, long)
    : Attribute(name, description), _longAddress(nullptr), _byteAddress(nullptr), _default(0), _text()
{
    setHasDefault();
}
IntegerAttribute::~IntegerAttribute() {}
const char* IntegerAttribute::typeMnem()
{
    return "Integer";
}
void IntegerAttribute::setValue(const char*) {}
const char* IntegerAttribute::valueString()
{
    return "0";
}
Boolean IntegerAttribute::verify()
{
    return 1;
}
void IntegerAttribute::store(long) {}

FloatAttribute::FloatAttribute(const char* name, const char* description, double*)
    : Attribute(name, description), _address(nullptr), _default(0), _text()
{
}
FloatAttribute::FloatAttribute(const char* name, const char* description, double*, double)
    : Attribute(name, description), _address(nullptr), _default(0), _text()
{
    setHasDefault();
}
FloatAttribute::~FloatAttribute() {}
const char* FloatAttribute::typeMnem()
{
    return "Float";
}
void FloatAttribute::setValue(const char*) {}
const char* FloatAttribute::valueString()
{
    return "0";
}
Boolean FloatAttribute::verify()
{
    return 1;
}

BooleanAttribute::BooleanAttribute(const char* name, const char* description, Boolean*)
    : Attribute(name, description), _address(nullptr), _default(0)
{
}
BooleanAttribute::BooleanAttribute(const char* name, const char* description, Boolean*, Boolean)
    : Attribute(name, description), _address(nullptr), _default(0)
{
    setHasDefault();
}
BooleanAttribute::~BooleanAttribute() {}
const char* BooleanAttribute::typeMnem()
{
    return "Boolean (\"true\" or \"false\")";
}
void BooleanAttribute::setValue(const char*) {}
const char* BooleanAttribute::valueString()
{
    return "0";
}
Boolean BooleanAttribute::verify()
{
    return 1;
}
