// Every UART register, asynchronous and error parser on arbitrary text, taken
// from the generated table of all parsers (tools/parser_cases.py), so a parser
// added to the library is fuzzed without being listed here. Each parser gets
// its own copy of the text, terminated, exactly as long as the text (so the
// sanitizers see a read past it); the outputs are checked by ParserOutputs.h.
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "ParserOutputs.h"

#include "AqParserCases.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const AqParserCase& c : kAqParserCases)
    {
        if (c.family == AQPARSER_SPI)
            continue;
        // Parsers cut the text in place: each takes a fresh copy.
        uint8_t* text = static_cast<uint8_t*>(malloc(size + 1));
        memcpy(text, data, size);
        text[size] = '\0';
        c.run(text, size);
        free(text);
    }
    return 0;
}
