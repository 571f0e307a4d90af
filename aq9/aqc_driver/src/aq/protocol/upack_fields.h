// The one field scanner every ASCII parser is built on (internal to the UART
// protocol files). A parser lists its outputs as slots, in the order the fields
// arrive; the scanner walks the sentence once and fills them.
#ifndef AQ_PROTOCOL_UPACK_FIELDS_H
#define AQ_PROTOCOL_UPACK_FIELDS_H

#include <initializer_list>

#include "aq/protocol/upack_commands.h"

// How one output takes its text: a scalar takes one field, a vector or matrix
// one field per component.
typedef enum AqFieldKind
{
    AQFIELD_FLOAT,  // decimal floating point
    AQFIELD_DOUBLE, // decimal floating point
    AQFIELD_U8,     // decimal integers, stored at their width
    AQFIELD_U16,
    AQFIELD_U32,
    AQFIELD_HEX16,  // hexadecimal, 16 bits
    AQFIELD_VEC3F,
    AQFIELD_VEC3D,
    AQFIELD_VEC4F,
    AQFIELD_MAT3F   // nine fields row by row into the column-major storage
} AqFieldKind;

// One output of a parser; a null out consumes its fields and stores nothing.
typedef struct AqFieldSlot
{
    AqFieldKind kind;
    void* out;
} AqFieldSlot;

inline AqFieldSlot aqSlot(float* out) { return {AQFIELD_FLOAT, out}; }
inline AqFieldSlot aqSlot(double* out) { return {AQFIELD_DOUBLE, out}; }
inline AqFieldSlot aqSlot(uint8_t* out) { return {AQFIELD_U8, out}; }
inline AqFieldSlot aqSlot(uint16_t* out) { return {AQFIELD_U16, out}; }
inline AqFieldSlot aqSlot(uint32_t* out) { return {AQFIELD_U32, out}; }
inline AqFieldSlot aqSlot(vec3f* out) { return {AQFIELD_VEC3F, out}; }
inline AqFieldSlot aqSlot(vec3d* out) { return {AQFIELD_VEC3D, out}; }
inline AqFieldSlot aqSlot(vec4f* out) { return {AQFIELD_VEC4F, out}; }
inline AqFieldSlot aqSlot(mat3f* out) { return {AQFIELD_MAT3F, out}; }
inline AqFieldSlot aqHexSlot(uint16_t* out) { return {AQFIELD_HEX16, out}; }

// The bytes behind a packet view (NULL for no view).
inline char* AqFields_bytes(AqUartPacket* packet)
{
    return packet ? (char*)packet->data : NULL;
}

// Where a scan stands in a sentence: the bytes, the tokenizer cursor and the
// field fetched but not yet stored (NULL once the field list has ended).
typedef struct AqFieldCursor
{
    uint8_t* packet;
    size_t index;
    char* field;
} AqFieldCursor;

// Cursor on the first data field of a register response (after the register number).
AqFieldCursor AqFields_openResponse(char* packet);
// Cursor on the first field of an asynchronous sentence.
AqFieldCursor AqFields_openSentence(AqUartPacket* packet);

// Fills the slots in order from the cursor; stops at the first missing field and
// leaves the outputs from there on as they were. True when every value was read.
bool AqFields_scan(AqFieldCursor* cursor, const AqFieldSlot* slots, size_t count);
inline bool AqFields_scan(AqFieldCursor* cursor, std::initializer_list<AqFieldSlot> slots)
{
    return AqFields_scan(cursor, slots.begin(), slots.size());
}

// Scans a whole register response into the slots.
inline bool AqFields_scanResponse(char* packet, std::initializer_list<AqFieldSlot> slots)
{
    AqFieldCursor cursor = AqFields_openResponse(packet);
    return AqFields_scan(&cursor, slots);
}

// Scans a whole asynchronous sentence into the slots.
inline bool AqFields_scanSentence(AqUartPacket* packet, std::initializer_list<AqFieldSlot> slots)
{
    AqFieldCursor cursor = AqFields_openSentence(packet);
    return AqFields_scan(&cursor, slots);
}

// Copies the cursor's field as text: at most capacity-1 characters and a
// terminator; the empty text when the field list has ended.
void AqFields_copyText(AqFieldCursor* cursor, char* out, size_t capacity);

#endif
