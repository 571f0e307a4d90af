// Attribute kinds of a real host: they convert the text of a configuration
// entry strictly (the whole text must be one value of the kind), store it at
// the bound address and write their default there at construction, so a key
// the configuration does not name holds its default.
#include "AttributeKinds.h"

#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "Exception.h"

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// True when nothing but white space follows.
bool onlySpaceFrom(const char* p)
{
    while (*p != '\0' && isSpace(*p))
        p++;
    return *p == '\0';
}

const char* skipSpace(const char* p)
{
    while (*p != '\0' && isSpace(*p))
        p++;
    return p;
}

// A decimal integer that fits a long, with optional sign and surrounding blanks.
long toLong(const char* text)
{
    if (text == nullptr)
        throw Exception("no value");
    const char* p = skipSpace(text);
    const char* digits = (*p == '+' || *p == '-') ? p + 1 : p;
    if (*digits < '0' || *digits > '9')
        throw Exception("not an integer");
    char* end = nullptr;
    errno = 0;
    long v = strtol(p, &end, 10);
    if (errno == ERANGE)
        throw Exception("integer out of range");
    if (!onlySpaceFrom(end))
        throw Exception("not an integer");
    return v;
}

// A finite decimal number; "nan", "inf" and out-of-range values are refused so
// that no matrix or tuning value of the sensor can become non-finite.
double toDouble(const char* text)
{
    if (text == nullptr)
        throw Exception("no value");
    const char* p = skipSpace(text);
    if (*p == '\0')
        throw Exception("not a number");
    char* end = nullptr;
    double v = strtod(p, &end);
    if (end == p || !onlySpaceFrom(end))
        throw Exception("not a number");
    if (!isfinite(v))
        throw Exception("number not finite");
    return v;
}

// Exactly "true" or "false", with optional surrounding blanks.
Boolean toBoolean(const char* text)
{
    if (text == nullptr)
        throw Exception("no value");
    const char* p = skipSpace(text);
    if (strncmp(p, "true", 4) == 0 && onlySpaceFrom(p + 4))
        return 1;
    if (strncmp(p, "false", 5) == 0 && onlySpaceFrom(p + 5))
        return 0;
    throw Exception("not true or false");
}

// The shortest text that reads back as the same double.
void formatDouble(char* buf, size_t size, double v)
{
    for (int precision = 1; precision <= 17; precision++)
    {
        snprintf(buf, size, "%.*g", precision, v);
        if (strtod(buf, nullptr) == v)
            return;
    }
}

}  // namespace

IntegerAttribute::IntegerAttribute(const char* name, const char* description, long* valueAddress)
    : Attribute(name, description), _longAddress(valueAddress), _byteAddress(nullptr), _default(0), _text()
{
}

IntegerAttribute::IntegerAttribute(const char* name, const char* description, long* valueAddress, long defaultValue)
    : Attribute(name, description), _longAddress(valueAddress), _byteAddress(nullptr), _default(defaultValue), _text()
{
    setHasDefault();
    store(defaultValue);
}

IntegerAttribute::IntegerAttribute(const char* name, const char* description, uint8_t* valueAddress)
    : Attribute(name, description), _longAddress(nullptr), _byteAddress(valueAddress), _default(0), _text()
{
}

IntegerAttribute::IntegerAttribute(const char* name, const char* description, uint8_t* valueAddress,
                                   long defaultValue)
    : Attribute(name, description), _longAddress(nullptr), _byteAddress(valueAddress), _default(defaultValue), _text()
{
    setHasDefault();
    store(defaultValue);
}

IntegerAttribute::~IntegerAttribute() {}

const char* IntegerAttribute::typeMnem()
{
    return "Integer";
}

void IntegerAttribute::setValue(const char* stringRep)
{
    store(toLong(stringRep));
}

// A one-byte field receives the low 8 bits only; nothing beside it is written.
void IntegerAttribute::store(long v)
{
    if (_longAddress != nullptr)
        *_longAddress = v;
    if (_byteAddress != nullptr)
        *_byteAddress = static_cast<uint8_t>(static_cast<unsigned long>(v) & 0xFFu);
}

const char* IntegerAttribute::valueString()
{
    if (_longAddress != nullptr)
        snprintf(_text, sizeof _text, "%ld", *_longAddress);
    else if (_byteAddress != nullptr)
        snprintf(_text, sizeof _text, "%u", static_cast<unsigned>(*_byteAddress));
    else
        snprintf(_text, sizeof _text, "%ld", _default);
    return _text;
}

Boolean IntegerAttribute::verify()
{
    return 1;
}

FloatAttribute::FloatAttribute(const char* name, const char* description, double* valueAddress)
    : Attribute(name, description), _address(valueAddress), _default(0), _text()
{
}

FloatAttribute::FloatAttribute(const char* name, const char* description, double* valueAddress, double defaultValue)
    : Attribute(name, description), _address(valueAddress), _default(defaultValue), _text()
{
    setHasDefault();
    if (_address != nullptr)
        *_address = defaultValue;
}

FloatAttribute::~FloatAttribute() {}

const char* FloatAttribute::typeMnem()
{
    return "Float";
}

void FloatAttribute::setValue(const char* stringRep)
{
    double v = toDouble(stringRep);
    if (_address != nullptr)
        *_address = v;
}

const char* FloatAttribute::valueString()
{
    formatDouble(_text, sizeof _text, _address != nullptr ? *_address : _default);
    return _text;
}

Boolean FloatAttribute::verify()
{
    return 1;
}

BooleanAttribute::BooleanAttribute(const char* name, const char* description, Boolean* valueAddress)
    : Attribute(name, description), _address(valueAddress), _default(0)
{
}

BooleanAttribute::BooleanAttribute(const char* name, const char* description, Boolean* valueAddress,
                                   Boolean defaultValue)
    : Attribute(name, description), _address(valueAddress), _default(defaultValue ? 1 : 0)
{
    setHasDefault();
    if (_address != nullptr)
        *_address = _default;
}

BooleanAttribute::~BooleanAttribute() {}

const char* BooleanAttribute::typeMnem()
{
    return "Boolean (\"true\" or \"false\")";
}

void BooleanAttribute::setValue(const char* stringRep)
{
    Boolean v = toBoolean(stringRep);
    if (_address != nullptr)
        *_address = v;
}

const char* BooleanAttribute::valueString()
{
    Boolean v = _address != nullptr ? *_address : _default;
    return v ? "true" : "false";
}

Boolean BooleanAttribute::verify()
{
    return 1;
}
