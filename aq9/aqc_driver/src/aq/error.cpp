#include "aq/error.h"

#include <stdio.h>
#include <string.h>

namespace {

struct ErrorText
{
    AqError code;
    const char* text;
};

// E_MEMORY_NOT_ALLOCATED has no text of its own and falls through to UNKNOWN_VALUE.
const ErrorText kErrorTexts[] = {
    {E_NONE, "NONE"},
    {E_UNKNOWN, "UNKNOWN"},
    {E_BUFFER_TOO_SMALL, "BUFFER_TOO_SMALL"},
    {E_INVALID_VALUE, "INVALID_VALUE"},
    {E_NOT_IMPLEMENTED, "NOT_IMPLEMENTED"},
    {E_NOT_SUPPORTED, "NOT_SUPPORTED"},
    {E_NOT_FOUND, "NOT_FOUND"},
    {E_TIMEOUT, "TIMEOUT"},
    {E_PERMISSION_DENIED, "PERMISSION_DENIED"},
    {E_INVALID_OPERATION, "INVALID_OPERATION"},
    {E_SIGNALED, "SIGNALED"},
    {E_SENSOR_HARD_FAULT, "SENSOR_HARD_FAULT"},
    {E_SENSOR_SERIAL_BUFFER_OVERFLOW, "SENSOR_SERIAL_BUFFER_OVERFLOW"},
    {E_SENSOR_INVALID_CHECKSUM, "SENSOR_INVALID_CHECKSUM"},
    {E_SENSOR_INVALID_COMMAND, "SENSOR_INVALID_COMMAND"},
    {E_SENSOR_NOT_ENOUGH_PARAMETERS, "SENSOR_NOT_ENOUGH_PARAMETERS"},
    {E_SENSOR_TOO_MANY_PARAMETERS, "SENSOR_TOO_MANY_PARAMETERS"},
    {E_SENSOR_INVALID_PARAMETER, "SENSOR_INVALID_PARAMETER"},
    {E_SENSOR_INVALID_REGISTER, "SENSOR_INVALID_REGISTER"},
    {E_SENSOR_UNAUTHORIZED_ACCESS, "SENSOR_UNAUTHORIZED_ACCESS"},
    {E_SENSOR_WATCHDOG_RESET, "SENSOR_WATCHDOG_RESET"},
    {E_SENSOR_OUTPUT_BUFFER_OVERFLOW, "SENSOR_OUTPUT_BUFFER_OVERFLOW"},
    {E_SENSOR_INSUFFICIENT_BAUD_RATE, "SENSOR_INSUFFICIENT_BAUD_RATE"},
    {E_SENSOR_ERROR_BUFFER_OVERFLOW, "SENSOR_ERROR_BUFFER_OVERFLOW"},
    {E_DATA_NOT_ELLIPTICAL, "DATA_NOT_ELLIPTICAL"},
    {E_ILL_CONDITIONED, "ILL_CONDITIONED"},
    {E_EXCEEDED_MAX_ITERATIONS, "EXCEEDED_MAX_ITERATIONS"},
    {E_BAD_FINAL_INTERATION, "BAD_FINAL_ITERATION"},
    {E_INSUFFICIENT_DATA, "INSUFFICIENT_DATA"},
};

}  // namespace

void strFromAqError(char* out, AqError val)
{
    const char* text = "UNKNOWN_VALUE";
    for (const ErrorText& e : kErrorTexts)
    {
        if (e.code == val)
        {
            text = e.text;
            break;
        }
    }
    strcpy(out, text);
}

void strFromBool(char* out, int8_t val)
{
    strcpy(out, val ? "true" : "false");
}

int AqApi_major(void) { return 1; }
int AqApi_minor(void) { return 1; }
int AqApi_patch(void) { return 0; }
int AqApi_revision(void) { return 126; }

AqError AqApi_getVersion(char* out, size_t outLength)
{
    char text[32];
    int n = snprintf(text, sizeof text, "%d.%d.%d.%d", AqApi_major(), AqApi_minor(), AqApi_patch(), AqApi_revision());
    // A buffer too short for the text and its terminator gets the empty text,
    // never a cut version that could be taken for another release.
    if (n < 0 || static_cast<size_t>(n) >= sizeof text || static_cast<size_t>(n) >= outLength)
    {
        if (outLength > 0)
            out[0] = '\0';
        return E_BUFFER_TOO_SMALL;
    }
    memcpy(out, text, static_cast<size_t>(n) + 1);
    return E_NONE;
}
