// The shared field scanner of the register file: one routine reads, checks and
// prints the fields of every register from its field list.
#include "Registers.h"

#include <errno.h>
#include <float.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "aq/protocol/upack.h"

namespace aq9sim {

namespace {

bool isDigits(const std::string& s, int base)
{
    if (s.empty())
        return false;
    for (char ch : s)
    {
        const bool ok = base == 16 ? isxdigit(static_cast<unsigned char>(ch)) : isdigit(static_cast<unsigned char>(ch));
        if (!ok)
            return false;
    }
    return true;
}

// Unsigned integer of at most maxDigits digits and at most max.
bool parseUnsigned(const std::string& s, int base, size_t maxDigits, double max, double* out)
{
    if (!isDigits(s, base) || s.size() > maxDigits)
        return false;
    errno = 0;
    const unsigned long long v = strtoull(s.c_str(), nullptr, base);
    if (errno != 0 || static_cast<double>(v) > max)
        return false;
    *out = static_cast<double>(v);
    return true;
}

// A finite decimal number, the whole field; single precision when asked.
bool parseReal(const std::string& s, bool single, double* out)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const double v = strtod(s.c_str(), &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(v))
        return false;
    // Hex floats would be a second notation the unit never prints.
    if (s.find_first_of("xX") != std::string::npos)
        return false;
    if (single && fabs(v) > FLT_MAX)
        return false;
    *out = single ? static_cast<double>(static_cast<float>(v)) : v;
    return true;
}

bool parseValue(FieldType type, const std::string& s, double* out)
{
    switch (type)
    {
    case FIELD_U8:
        return parseUnsigned(s, 10, 3, 255, out);
    case FIELD_U16:
        return parseUnsigned(s, 10, 5, 65535, out);
    case FIELD_U32:
        return parseUnsigned(s, 10, 10, 4294967295.0, out);
    case FIELD_HEX8:
        return parseUnsigned(s, 16, 2, 255, out);
    case FIELD_HEX16:
        return parseUnsigned(s, 16, 4, 65535, out);
    case FIELD_F32:
        return parseReal(s, true, out);
    case FIELD_F64:
        return parseReal(s, false, out);
    case FIELD_TEXT:
        return false;
    }
    return false;
}

std::string printValue(const FieldSpec& f, double v)
{
    char b[64];
    switch (f.type)
    {
    case FIELD_HEX8:
        snprintf(b, sizeof b, "%02X", static_cast<unsigned>(v));
        break;
    case FIELD_HEX16:
        snprintf(b, sizeof b, "%04X", static_cast<unsigned>(v));
        break;
    case FIELD_F32:
    case FIELD_F64:
        snprintf(b, sizeof b, f.format, v);
        break;
    default:
        snprintf(b, sizeof b, "%llu", static_cast<unsigned long long>(v));
        break;
    }
    return b;
}

int countBits(unsigned v)
{
    int n = 0;
    for (; v != 0; v >>= 1)
        n += static_cast<int>(v & 1u);
    return n;
}

// A group-field word may only select fields that exist in its group.
bool fieldWordValid(int group, unsigned word)
{
    if (word == 0 || (word & 0x8000u) != 0)
        return false;
    for (int bit = 0; bit < AQ_BINARY_FIELDS_PER_GROUP; bit++)
        if ((word & (1u << bit)) != 0 && BinaryPacketGroupLengths[group][bit] == 0)
            return false;
    return true;
}

// asyncMode, rateDivisor, groups, then one word per set group bit.
SensorError parseBinaryOutput(const RegisterSpec& reg, const std::vector<std::string>& fields, RegisterValue* out)
{
    if (fields.size() < 3)
        return ERR_NOT_ENOUGH_PARAMETERS;
    RegisterValue v;
    v.num.assign(valueCount(reg), 0.0);
    for (size_t i = 0; i < 3; i++)
        if (!parseValue(reg.fields[i].type, fields[i], &v.num[i]))
            return ERR_INVALID_PARAMETER;
    const unsigned groups = static_cast<unsigned>(v.num[BO_GROUPS]);
    if (groups > 0x7F)
        return ERR_INVALID_PARAMETER;
    const size_t expected = 3 + static_cast<size_t>(countBits(groups));
    if (fields.size() != expected)
        return fields.size() < expected ? ERR_NOT_ENOUGH_PARAMETERS : ERR_TOO_MANY_PARAMETERS;
    size_t next = 3;
    for (int g = 0; g < AQ_BINARY_GROUP_COUNT; g++)
    {
        if ((groups & (1u << g)) == 0)
            continue;
        double word = 0;
        if (!parseValue(FIELD_HEX16, fields[next++], &word) || !fieldWordValid(g, static_cast<unsigned>(word)))
            return ERR_INVALID_PARAMETER;
        v.num[BO_FIRST_FIELD + g] = word;
    }
    if (v.num[BO_ASYNC_MODE] > 3 || v.num[BO_RATE_DIVISOR] < 1)
        return ERR_INVALID_PARAMETER;
    *out = v;
    return ERR_NONE;
}

std::string jsonText(const std::string& s)
{
    std::string r = "\"";
    for (unsigned char ch : s)
    {
        if (ch == '"' || ch == '\\')
            r += '\\', r += static_cast<char>(ch);
        else if (ch < 0x20 || ch > 0x7E)
        {
            char b[8];
            snprintf(b, sizeof b, "\\u%04x", ch);
            r += b;
        }
        else
            r += static_cast<char>(ch);
    }
    return r + "\"";
}

std::string jsonNumber(FieldType type, double v)
{
    char b[40];
    if (type == FIELD_F32)
        snprintf(b, sizeof b, "%.9g", v);
    else if (type == FIELD_F64)
        snprintf(b, sizeof b, "%.17g", v);
    else
        snprintf(b, sizeof b, "%.0f", v);
    return b;
}

} // namespace

const RegisterSpec* findRegister(int number)
{
    for (const RegisterSpec& r : registerCatalogue())
        if (r.number == number)
            return &r;
    return nullptr;
}

size_t valueCount(const RegisterSpec& reg)
{
    size_t n = 0;
    for (const FieldSpec& f : reg.fields)
        n += static_cast<size_t>(f.count);
    return n;
}

SensorError parseFields(const RegisterSpec& reg, const std::vector<std::string>& fields, RegisterValue* out)
{
    if (reg.kind == REG_BINARY_OUTPUT)
        return parseBinaryOutput(reg, fields, out);
    const size_t expected = valueCount(reg);
    if (fields.size() != expected)
        return fields.size() < expected ? ERR_NOT_ENOUGH_PARAMETERS : ERR_TOO_MANY_PARAMETERS;
    RegisterValue v;
    size_t i = 0;
    for (const FieldSpec& f : reg.fields)
        for (int k = 0; k < f.count; k++, i++)
        {
            if (f.type == FIELD_TEXT)
            {
                v.text = fields[i];
                continue;
            }
            double d = 0;
            if (!parseValue(f.type, fields[i], &d))
                return ERR_INVALID_PARAMETER;
            v.num.push_back(d);
        }
    if (reg.check != nullptr)
    {
        const SensorError e = reg.check(v);
        if (e != ERR_NONE)
            return e;
    }
    *out = v;
    return ERR_NONE;
}

std::string formatFields(const RegisterSpec& reg, const RegisterValue& v)
{
    std::string r;
    if (reg.kind == REG_BINARY_OUTPUT)
    {
        for (size_t i = 0; i < 3; i++)
            r += "," + printValue(reg.fields[i], v.num[i]);
        const unsigned groups = static_cast<unsigned>(v.num[BO_GROUPS]);
        for (int g = 0; g < AQ_BINARY_GROUP_COUNT; g++)
            if ((groups & (1u << g)) != 0)
                r += "," + printValue(reg.fields[BO_FIRST_FIELD + g], v.num[BO_FIRST_FIELD + g]);
        return r;
    }
    size_t i = 0;
    for (const FieldSpec& f : reg.fields)
        for (int k = 0; k < f.count; k++)
        {
            if (f.type == FIELD_TEXT)
                r += "," + v.text;
            else
                r += "," + printValue(f, v.num[i++]);
        }
    return r;
}

std::string fieldsJson(const RegisterSpec& reg, const RegisterValue& v)
{
    std::string r = "{\"number\": " + std::to_string(reg.number);
    size_t i = 0;
    for (const FieldSpec& f : reg.fields)
    {
        r += ", \"" + std::string(f.name) + "\": ";
        if (f.type == FIELD_TEXT)
        {
            r += jsonText(v.text);
            continue;
        }
        if (f.count > 1)
            r += "[";
        for (int k = 0; k < f.count; k++, i++)
            r += (k > 0 ? ", " : "") + jsonNumber(f.type, i < v.num.size() ? v.num[i] : 0.0);
        if (f.count > 1)
            r += "]";
    }
    return r + "}";
}

RegisterFile::RegisterFile() { restoreFactory(); }

void RegisterFile::restoreFactory()
{
    _volatile.clear();
    for (const RegisterSpec& r : registerCatalogue())
        _volatile.push_back(r.factory);
    _saved = _volatile;
}

void RegisterFile::restoreSaved() { _volatile = _saved; }

void RegisterFile::save() { _saved = _volatile; }

size_t RegisterFile::slot(int number) const
{
    const std::vector<RegisterSpec>& c = registerCatalogue();
    for (size_t i = 0; i < c.size(); i++)
        if (c[i].number == number)
            return i;
    // Only the unit's own code asks, and only for registers it has.
    abort();
}

const RegisterValue& RegisterFile::get(int number) const { return _volatile[slot(number)]; }

const RegisterValue& RegisterFile::saved(int number) const { return _saved[slot(number)]; }

void RegisterFile::set(int number, const RegisterValue& v) { _volatile[slot(number)] = v; }

} // namespace aq9sim
