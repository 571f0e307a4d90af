// Test support for the ASCII parsers and generators: a bank of outputs of every
// field type, described by a layout text, so one table row can fill, flatten and
// print any register's fields.
//
// Layout letters, one per parser output: d double, f float, b uint8_t, h uint16_t,
// H uint16_t in hex, u uint32_t, v vec3f, D vec3d, q vec4f, m mat3f. The k-th
// output of one letter uses element k of that letter's array; the element after
// the last one used stays at the marker pattern unless a parser overruns.
#ifndef UPACK_FIELD_VALUES_H
#define UPACK_FIELD_VALUES_H

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "aq/protocol/upack_commands.h"

static const unsigned char kMarker = 0xA5;

struct FieldValues
{
    double d[3];
    float f[9];
    uint8_t b[10];
    uint16_t h[12];
    uint32_t u[5];
    vec3f v[6];
    vec3d D[3];
    vec4f q[2];
    mat3f m[2];

    FieldValues() { memset(this, kMarker, sizeof *this); }
};

// Where the k-th output of a letter lives, and how many scalars it holds.
struct FieldRef
{
    unsigned char* bytes;
    size_t size;
    size_t components;
};

inline FieldRef fieldRef(FieldValues& o, char letter, size_t k)
{
    switch (letter)
    {
    case 'd': return {(unsigned char*)&o.d[k], sizeof o.d[0], 1};
    case 'f': return {(unsigned char*)&o.f[k], sizeof o.f[0], 1};
    case 'b': return {(unsigned char*)&o.b[k], sizeof o.b[0], 1};
    case 'h':
    case 'H': return {(unsigned char*)&o.h[k], sizeof o.h[0], 1};
    case 'u': return {(unsigned char*)&o.u[k], sizeof o.u[0], 1};
    case 'v': return {(unsigned char*)&o.v[k], sizeof o.v[0], 3};
    case 'D': return {(unsigned char*)&o.D[k], sizeof o.D[0], 3};
    case 'q': return {(unsigned char*)&o.q[k], sizeof o.q[0], 4};
    default: return {(unsigned char*)&o.m[k], sizeof o.m[0], 9};
    }
}

// Matrix fields travel row by row over column-major storage.
static const int kRowOrder[9] = {0, 3, 6, 1, 4, 7, 2, 5, 8};

inline bool isFloating(char letter)
{
    return strchr("dfvDqm", letter) != NULL;
}

// The value of scalar n of a layout: exact in six decimals, signs alternating,
// integers counting up (32-bit ones beyond the signed range, hex ones with a
// letter digit so that reading them as decimal shows).
inline double valueAt(char letter, size_t n)
{
    if (isFloating(letter))
        return (n % 2 ? -1.0 : 1.0) * ((double)n + 1.25);
    if (letter == 'u')
        return 3000000000.0 + (double)n;
    return letter == 'H' ? (double)(0x1A0 + n) : (double)(n + 1);
}

inline double readComponent(FieldValues& o, char letter, size_t k, size_t i)
{
    switch (letter)
    {
    case 'd': return o.d[k];
    case 'f': return o.f[k];
    case 'b': return o.b[k];
    case 'h':
    case 'H': return o.h[k];
    case 'u': return o.u[k];
    case 'v': return o.v[k].c[i];
    case 'D': return o.D[k].c[i];
    case 'q': return o.q[k].c[i];
    default: return o.m[k].e[kRowOrder[i]];
    }
}

inline void writeComponent(FieldValues& o, char letter, size_t k, size_t i, double x)
{
    switch (letter)
    {
    case 'd': o.d[k] = x; break;
    case 'f': o.f[k] = (float)x; break;
    case 'b': o.b[k] = (uint8_t)x; break;
    case 'h':
    case 'H': o.h[k] = (uint16_t)x; break;
    case 'u': o.u[k] = (uint32_t)x; break;
    case 'v': o.v[k].c[i] = (float)x; break;
    case 'D': o.D[k].c[i] = x; break;
    case 'q': o.q[k].c[i] = (float)x; break;
    default: o.m[k].e[kRowOrder[i]] = (float)x; break;
    }
}

// Calls visit(letter, k, component, n) for every scalar of the layout in wire order.
template <typename Visit> void forEachScalar(const char* layout, FieldValues& o, Visit visit)
{
    size_t used[128] = {0};
    size_t n = 0;
    for (const char* l = layout; *l; ++l)
    {
        size_t k = used[(unsigned char)(*l == 'H' ? 'h' : *l)]++;
        for (size_t i = 0; i < fieldRef(o, *l, k).components; ++i)
            visit(*l, k, i, n++);
    }
}

inline void fillValues(const char* layout, FieldValues& o)
{
    forEachScalar(layout, o, [&](char l, size_t k, size_t i, size_t n) { writeComponent(o, l, k, i, valueAt(l, n)); });
}

inline std::vector<double> flatten(const char* layout, FieldValues& o)
{
    std::vector<double> out;
    forEachScalar(layout, o, [&](char l, size_t k, size_t i, size_t) { out.push_back(readComponent(o, l, k, i)); });
    return out;
}

// The field list ",v1,v2,..." a sensor would send for the layout's values.
inline std::string fieldTexts(const char* layout)
{
    FieldValues scratch;
    std::string out;
    forEachScalar(layout, scratch, [&](char l, size_t, size_t, size_t n) {
        char text[40];
        double x = valueAt(l, n);
        if (isFloating(l))
            snprintf(text, sizeof text, ",%f", x);
        else
            snprintf(text, sizeof text, l == 'H' ? ",%llX" : ",%llu", (unsigned long long)x);
        out += text;
    });
    return out;
}

// True when the element after the last one the layout uses, for every letter,
// still holds the marker pattern.
inline bool markersIntact(const char* layout, FieldValues& o)
{
    size_t used[128] = {0};
    for (const char* l = layout; *l; ++l)
        used[(unsigned char)(*l == 'H' ? 'h' : *l)]++;
    for (const char* letter = "dfbhuvDqm"; *letter; ++letter)
    {
        FieldRef next = fieldRef(o, *letter, used[(unsigned char)*letter]);
        for (size_t i = 0; i < next.size; ++i)
            if (next.bytes[i] != kMarker)
                return false;
    }
    return true;
}

#endif
