// The field tokenizer and the shared field scanner, plus the parsers that do not
// fit the plain field-to-slot mapping: the text registers, the binary output
// registers and the error report.
//
// The sentence bytes come from the sensor and are not trusted: a sentence may
// lack its '*' (the bare "XX" form), be cut short, or carry text where a number
// belongs. Scanning therefore stops at '*', a carriage return, a line feed or a
// terminator, whichever comes first, and a non-number reads as 0.
#include <ctype.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "aq/protocol/upack_fields.h"

namespace
{

// Bytes that end the field list even when no '*' was seen.
bool endsSentence(uint8_t c)
{
    return c == '\0' || c == '\r' || c == '\n';
}

bool endsField(uint8_t c)
{
    return c == ',' || c == '*' || endsSentence(c);
}

// Parks the cursor on the first end byte from i on, where every request yields NULL.
char* park(uint8_t* p, size_t i, size_t* index)
{
    while (!endsSentence(p[i]))
        ++i;
    *index = i;
    return NULL;
}

// Matrix components arrive row by row; storage is column by column.
const uint8_t kMatAsciiOrder[9] = {0, 3, 6, 1, 4, 7, 2, 5, 8};

size_t componentCount(AqFieldKind kind)
{
    switch (kind)
    {
    case AQFIELD_VEC3F:
    case AQFIELD_VEC3D:
        return 3;
    case AQFIELD_VEC4F:
        return 4;
    case AQFIELD_MAT3F:
        return 9;
    default:
        return 1;
    }
}

// Decimal floating-point text: blanks, sign, then a digit or a point and digit.
// Anything else ("nan", "inf", hex floats, words) is not a number and reads as 0.
bool isDecimal(const char* text)
{
    while (isspace((unsigned char)*text))
        ++text;
    if (*text == '+' || *text == '-')
        ++text;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return false;
    return isdigit((unsigned char)text[0]) || (text[0] == '.' && isdigit((unsigned char)text[1]));
}

// A decimal too large for the type would read as infinity; like "inf" itself it
// reads as 0, so no non-finite value ever comes off the wire.
float toFloat(const char* text)
{
    float v = isDecimal(text) ? strtof(text, NULL) : 0.0f;
    return isfinite(v) ? v : 0.0f;
}

double toDouble(const char* text)
{
    double v = isDecimal(text) ? strtod(text, NULL) : 0.0;
    return isfinite(v) ? v : 0.0;
}

// Stores component i of a slot from its field text.
void store(const AqFieldSlot& slot, size_t i, const char* text)
{
    void* out = slot.out;
    switch (slot.kind)
    {
    case AQFIELD_FLOAT: *(float*)out = toFloat(text); break;
    case AQFIELD_DOUBLE: *(double*)out = toDouble(text); break;
    case AQFIELD_U8: *(uint8_t*)out = (uint8_t)strtoul(text, NULL, 10); break;
    case AQFIELD_U16: *(uint16_t*)out = (uint16_t)strtoul(text, NULL, 10); break;
    case AQFIELD_U32: *(uint32_t*)out = (uint32_t)strtoul(text, NULL, 10); break;
    case AQFIELD_HEX16: *(uint16_t*)out = (uint16_t)strtoul(text, NULL, 16); break;
    case AQFIELD_VEC3F: ((vec3f*)out)->c[i] = toFloat(text); break;
    case AQFIELD_VEC3D: ((vec3d*)out)->c[i] = toDouble(text); break;
    case AQFIELD_VEC4F: ((vec4f*)out)->c[i] = toFloat(text); break;
    case AQFIELD_MAT3F: ((mat3f*)out)->e[kMatAsciiOrder[i]] = toFloat(text); break;
    }
}

// The text registers (0, 1, 4): one text field after the register number;
// false when the reply has none (the output is then the empty text).
bool parseTextRaw(char* packet, char* out, size_t capacity)
{
    AqFieldCursor cursor = AqFields_openResponse(packet);
    const bool present = cursor.field != NULL;
    AqFields_copyText(&cursor, out, capacity);
    return present;
}

} // namespace

// ---------------------------------------------------------------- field tokenizer

char* aqstrtok(uint8_t* str, size_t* startIndex)
{
    if (!str || !startIndex || endsSentence(str[*startIndex]))
        return NULL;
    size_t start = *startIndex;
    size_t i = start;
    while (!endsField(str[i]))
        ++i;
    bool more = str[i] == ',';
    str[i] = '\0';
    // After the last field the cursor stays on its terminator.
    *startIndex = more ? i + 1 : i;
    return (char*)str + start;
}

char* AqUartPacket_getNextData(uint8_t* str, size_t* startIndex)
{
    return aqstrtok(str, startIndex);
}

char* AqUartPacket_startAsciiPacketParse(uint8_t* packetStart, size_t* index)
{
    if (!packetStart || !index)
        return NULL;
    // "$AQ" + three letters, then ',' when a field list follows.
    for (size_t i = 0; i < 6; ++i)
        if (endsSentence(packetStart[i]) || packetStart[i] == '*')
            return park(packetStart, i, index);
    if (packetStart[6] != ',')
        return park(packetStart, 6, index);
    *index = 7;
    return aqstrtok(packetStart, index);
}

char* AqUartPacket_startAsciiResponsePacketParse(uint8_t* packetStart, size_t* index)
{
    // The register number is not compared with anything: matching the reply to
    // the request is the caller's business.
    if (!AqUartPacket_startAsciiPacketParse(packetStart, index))
        return NULL;
    return AqUartPacket_getNextData(packetStart, index);
}

// ---------------------------------------------------------------- field scanner

AqFieldCursor AqFields_openResponse(char* packet)
{
    AqFieldCursor cursor = {(uint8_t*)packet, 0, NULL};
    cursor.field = AqUartPacket_startAsciiResponsePacketParse(cursor.packet, &cursor.index);
    return cursor;
}

AqFieldCursor AqFields_openSentence(AqUartPacket* packet)
{
    AqFieldCursor cursor = {packet ? packet->data : NULL, 0, NULL};
    cursor.field = AqUartPacket_startAsciiPacketParse(cursor.packet, &cursor.index);
    return cursor;
}

bool AqFields_scan(AqFieldCursor* cursor, const AqFieldSlot* slots, size_t count)
{
    for (size_t s = 0; s < count; ++s)
        for (size_t i = 0; i < componentCount(slots[s].kind); ++i)
        {
            if (!cursor->field)
                return false;
            if (slots[s].out)
                store(slots[s], i, cursor->field);
            cursor->field = AqUartPacket_getNextData(cursor->packet, &cursor->index);
        }
    return true;
}

void AqFields_copyText(AqFieldCursor* cursor, char* out, size_t capacity)
{
    if (!out || capacity == 0)
        return;
    const char* text = cursor->field ? cursor->field : "";
    size_t n = strnlen(text, capacity - 1);
    memcpy(out, text, n);
    out[n] = '\0';
    if (cursor->field)
        cursor->field = AqUartPacket_getNextData(cursor->packet, &cursor->index);
}

// ---------------------------------------------------------------- text registers
// $AQRRG,01,AQ-9 INERTIAL*XX

bool AqUartPacket_parseUserTagRaw(char* packet, char* tag, size_t tagLength)
{
    return parseTextRaw(packet, tag, tagLength);
}

bool AqUartPacket_parseUserTag(AqUartPacket* packet, char* tag, size_t tagLength)
{
    return AqUartPacket_parseUserTagRaw(AqFields_bytes(packet), tag, tagLength);
}

bool AqUartPacket_parseModelNumberRaw(char* packet, char* productName, size_t productNameLength)
{
    return parseTextRaw(packet, productName, productNameLength);
}

bool AqUartPacket_parseModelNumber(AqUartPacket* packet, char* productName, size_t productNameLength)
{
    return AqUartPacket_parseModelNumberRaw(AqFields_bytes(packet), productName, productNameLength);
}

bool AqUartPacket_parseFirmwareVersionRaw(char* packet, char* firmwareVersion, size_t firmwareVersionLength)
{
    return parseTextRaw(packet, firmwareVersion, firmwareVersionLength);
}

bool AqUartPacket_parseFirmwareVersion(AqUartPacket* packet, char* firmwareVersion, size_t firmwareVersionLength)
{
    return AqUartPacket_parseFirmwareVersionRaw(AqFields_bytes(packet), firmwareVersion, firmwareVersionLength);
}

// ---------------------------------------------------------------- binary output registers
// $AQRRG,75,1,80,5,8,30*XX  (async mode, rate divisor, groups in hex, then one
// hex group field per set group bit)

bool AqUartPacket_parseBinaryOutputRaw(char* packet, uint16_t* asyncMode, uint16_t* rateDivisor,
                                       uint16_t* outputGroup, uint16_t* commonField, uint16_t* timeField,
                                       uint16_t* imuField, uint16_t* gpsField, uint16_t* attitudeField,
                                       uint16_t* insField, uint16_t* gps2Field)
{
    uint16_t* const groupFields[7] = {commonField, timeField, imuField, gpsField, attitudeField, insField, gps2Field};
    for (uint16_t* field : groupFields)
        if (field)
            *field = 0;

    AqFieldCursor cursor = AqFields_openResponse(packet);
    uint16_t groups = 0;
    if (!AqFields_scan(&cursor, {aqSlot(asyncMode), aqSlot(rateDivisor), aqHexSlot(&groups)}))
        return false;
    if (outputGroup)
        *outputGroup = groups;

    // One hex field per announced group, in bit order.
    AqFieldSlot slots[7];
    size_t count = 0;
    for (unsigned bit = 0; bit < 7; ++bit)
        if (groups & (1u << bit))
            slots[count++] = aqHexSlot(groupFields[bit]);
    return AqFields_scan(&cursor, slots, count);
}

bool AqUartPacket_parseBinaryOutput(AqUartPacket* packet, uint16_t* asyncMode, uint16_t* rateDivisor,
                                    uint16_t* outputGroup, uint16_t* commonField, uint16_t* timeField,
                                    uint16_t* imuField, uint16_t* gpsField, uint16_t* attitudeField,
                                    uint16_t* insField, uint16_t* gps2Field)
{
    return AqUartPacket_parseBinaryOutputRaw(AqFields_bytes(packet), asyncMode, rateDivisor, outputGroup,
                                             commonField, timeField, imuField, gpsField, attitudeField, insField,
                                             gps2Field);
}

// ---------------------------------------------------------------- error report
// $AQERR,0C*XX  (error number in hex)

void AqUartPacket_parseErrorRaw(uint8_t* packet, uint8_t* error)
{
    if (!packet || !error)
        return;
    unsigned value = 0;
    // The number starts after the 7-byte header "$AQERR,"; a short sentence has none.
    bool complete = true;
    for (size_t i = 0; i < 7 && complete; ++i)
        complete = !endsSentence(packet[i]);
    for (size_t i = 7; complete && isxdigit(packet[i]); ++i)
        value = (value << 4) | AqUtil_toUint8FromHexChar((char)packet[i]);
    *error = (uint8_t)value;
}

void AqUartPacket_parseError(AqUartPacket* packet, uint8_t* error)
{
    AqUartPacket_parseErrorRaw((uint8_t*)AqFields_bytes(packet), error);
}
