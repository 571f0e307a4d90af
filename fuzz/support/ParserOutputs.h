// What every parser output must look like whatever the input: text ends inside
// its buffer, and an ASCII field never yields a non-finite number (a value too
// large for its type, or "nan" and "inf", read as 0). SPI frames carry raw
// IEEE values, which may be anything. Included before the parser table, whose
// AQ_PARSER_OUTPUT hook it defines.
#ifndef FUZZ_PARSEROUTPUTS_H
#define FUZZ_PARSEROUTPUTS_H

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "aq/protocol/upack_commands.h"

template <class T>
void checkFinite(bool rawIeee, const T* v, size_t n)
{
    for (size_t i = 0; !rawIeee && i < n; i++)
        if (!isfinite(v[i]))
            abort();
}

template <size_t N>
void checkOutput(bool, const char (&text)[N])
{
    if (memchr(text, '\0', N) == nullptr)
        abort();
}
inline void checkOutput(bool, uint8_t) {}
inline void checkOutput(bool, uint16_t) {}
inline void checkOutput(bool, uint32_t) {}
inline void checkOutput(bool rawIeee, float v) { checkFinite(rawIeee, &v, 1); }
inline void checkOutput(bool rawIeee, double v) { checkFinite(rawIeee, &v, 1); }
inline void checkOutput(bool rawIeee, const vec3f& v) { checkFinite(rawIeee, v.c, 3); }
inline void checkOutput(bool rawIeee, const vec3d& v) { checkFinite(rawIeee, v.c, 3); }
inline void checkOutput(bool rawIeee, const vec4f& v) { checkFinite(rawIeee, v.c, 4); }
inline void checkOutput(bool rawIeee, const mat3f& v) { checkFinite(rawIeee, v.e, 9); }

#define AQ_PARSER_OUTPUT(family, output) checkOutput((family) == AQPARSER_SPI, output)

#endif
