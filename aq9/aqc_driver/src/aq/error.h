// Error codes shared by the sensor links, the protocol library and the
// calibration engine. 1001-1013 carry the sensor's own error numbers (n + 1000).
#ifndef AQ_ERROR_H
#define AQ_ERROR_H

#include <stddef.h>
#include <stdint.h>

typedef enum AqError
{
    E_NONE = 0,
    E_UNKNOWN = 1,
    E_BUFFER_TOO_SMALL = 2,
    E_INVALID_VALUE = 3,
    E_NOT_IMPLEMENTED = 4,
    E_NOT_SUPPORTED = 5,
    E_NOT_FOUND = 6,
    E_TIMEOUT = 7,
    E_PERMISSION_DENIED = 8,
    E_INVALID_OPERATION = 9,
    E_SIGNALED = 10,
    E_MEMORY_NOT_ALLOCATED = 11,
    E_SENSOR_HARD_FAULT = 1001,
    E_SENSOR_SERIAL_BUFFER_OVERFLOW = 1002,
    E_SENSOR_INVALID_CHECKSUM = 1003,
    E_SENSOR_INVALID_COMMAND = 1004,
    E_SENSOR_NOT_ENOUGH_PARAMETERS = 1005,
    E_SENSOR_TOO_MANY_PARAMETERS = 1006,
    E_SENSOR_INVALID_PARAMETER = 1007,
    E_SENSOR_INVALID_REGISTER = 1008,
    E_SENSOR_UNAUTHORIZED_ACCESS = 1009,
    E_SENSOR_WATCHDOG_RESET = 1010,
    E_SENSOR_OUTPUT_BUFFER_OVERFLOW = 1011,
    E_SENSOR_INSUFFICIENT_BAUD_RATE = 1012,
    E_SENSOR_ERROR_BUFFER_OVERFLOW = 1013,
    E_DATA_NOT_ELLIPTICAL = 2001,
    E_ILL_CONDITIONED = 2002,
    E_EXCEEDED_MAX_ITERATIONS = 2003,
    E_BAD_FINAL_INTERATION = 2004,
    E_INSUFFICIENT_DATA = 2005
} AqError;

// Longest text plus terminator; callers size their buffers with it.
#define AQ_ERROR_TEXT_SIZE 30

// Writes the text of val, terminated; out holds at least AQ_ERROR_TEXT_SIZE bytes.
void strFromAqError(char* out, AqError val);

// "true" for non-zero, "false" for 0, terminated (out holds 6 bytes).
void strFromBool(char* out, int8_t val);

// Library version: 1.1.0.126.
int AqApi_major(void);
int AqApi_minor(void);
int AqApi_patch(void);
int AqApi_revision(void);
// Version text plus terminator.
#define AQ_VERSION_TEXT_SIZE 10
// Writes "major.minor.patch.revision", terminated, into out of outLength bytes;
// E_BUFFER_TOO_SMALL (and the empty text when outLength > 0) if it does not fit.
AqError AqApi_getVersion(char* out, size_t outLength);

#endif
