// What every parser output must look like whatever the input, checked through
// the parser table's AQ_PARSER_OUTPUT hook (outputs start as all-ones bytes):
// - after a parser said the input was whole, every output was written: text
//   ends inside its buffer, and no number of an ASCII field is left unwritten
//   (still the all-ones NaN);
// - otherwise an output is either untouched or as above;
// - an ASCII field never yields a non-finite number (a value too large for its
//   type, "nan" and "inf" read as 0). SPI frames carry raw IEEE values, which
//   may be anything, so only their text is checked.
// Include it before the parser table.
#ifndef FUZZ_PARSEROUTPUTS_H
#define FUZZ_PARSEROUTPUTS_H

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "aq/protocol/upack_commands.h"

// Whether n bytes still hold the all-ones starting pattern.
inline bool untouched(const void* p, size_t n)
{
    const unsigned char* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; i++)
        if (b[i] != 0xFF)
            return false;
    return true;
}

template <class T>
void checkNumbers(bool rawIeee, bool whole, const T* v, size_t n)
{
    for (size_t i = 0; !rawIeee && i < n; i++)
        if (!isfinite(v[i]) && (whole || !untouched(&v[i], sizeof v[i])))
            abort();
}

template <size_t N>
void checkOutput(bool, bool whole, const char (&text)[N])
{
    if (memchr(text, '\0', N) == nullptr && (whole || !untouched(text, N)))
        abort();
}
inline void checkOutput(bool, bool, uint8_t) {}
inline void checkOutput(bool, bool, uint16_t) {}
inline void checkOutput(bool, bool, uint32_t) {}
inline void checkOutput(bool raw, bool whole, float v) { checkNumbers(raw, whole, &v, 1); }
inline void checkOutput(bool raw, bool whole, double v) { checkNumbers(raw, whole, &v, 1); }
inline void checkOutput(bool raw, bool whole, const vec3f& v) { checkNumbers(raw, whole, v.c, 3); }
inline void checkOutput(bool raw, bool whole, const vec3d& v) { checkNumbers(raw, whole, v.c, 3); }
inline void checkOutput(bool raw, bool whole, const vec4f& v) { checkNumbers(raw, whole, v.c, 4); }
inline void checkOutput(bool raw, bool whole, const mat3f& v) { checkNumbers(raw, whole, v.e, 9); }

#define AQ_PARSER_OUTPUT(family, whole, output) checkOutput((family) == AQPARSER_SPI, whole, output)

#endif
