// Reading the driver's attitude log "aqAhrs" back from the host's CSV data
// log: a header line of column names (the time stamp "time" first, seconds
// since the epoch as sec.nnnnnnnnn) and one line per record, each value a
// float the driver logged as "%.17g", so it reads back exactly. Only the
// columns the calibration engine is fed are taken, found by name.
#ifndef AHRS_LOG_READER_H
#define AHRS_LOG_READER_H

#include <stdint.h>

#include <string>
#include <vector>

#include "AQ9Structs.h"

// One record in the units it was logged in (Rad, Rad/s, g, Gauss).
struct AhrsLogRow
{
    int64_t time_ns;  // nanoseconds since the epoch
    long line;        // in the file, the header being line 1; after a start byte, counted from there
    float yaw_rad, pitch_rad, roll_rad;
    float rate_rads[3];  // roll, pitch and yaw rates
    float accel_g[3];
    float mag_G[3];  // the compensated field, vehicle axes
};

// Rows with from_ns <= time <= to_ns are taken; an open end takes all.
struct AhrsLogWindow
{
    bool hasFrom;
    int64_t from_ns;
    bool hasTo;
    int64_t to_ns;
};

struct AhrsLogRead
{
    bool ok;
    std::string error;  // "FILE:LINE: what was wrong" (no line for the file as a whole)
    std::vector<AhrsLogRow> rows;  // those in the window, in file order
    long rowsInFile;
    int64_t first_ns, last_ns;  // span of the whole log
    bool cutShort;  // the last line had no line end (a log cut off mid-write): left out
    int64_t fromByte;  // where the records were read from (0: just after the header)
};

// Reads path. A missing column, a line with too few or too many values, a
// value that is no number, and a window without a row are errors. "nan" and
// "inf" are numbers: the driver logged and offered such records too.
// fromByte > 0 reads the header and then only the lines that begin at or
// after that byte (one cut there is skipped): a writer's file size taken
// before its records of interest, so a long log is not read from its start
// and its earlier lines are neither parsed nor judged. Rows then count as
// "the log" (rowsInFile, first_ns, last_ns) from there, and messages name the
// line as counted from that byte.
AhrsLogRead AhrsLogReader_read(const std::string& path, const AhrsLogWindow& window, int64_t fromByte = 0);

// Seconds since the epoch as the log writes them ("sec" or "sec.fraction"),
// or a UTC time as the system log stamps its lines (2024-06-10T06:13:20.123Z),
// as nanoseconds (at most nine decimals kept); false for anything else.
bool AhrsLogReader_parseTime(const char* text, int64_t* ns);
// The time as the log writes it: sec.nnnnnnnnn.
std::string AhrsLogReader_formatTime(int64_t ns);
// The time as the system log stamps its lines: 2024-06-10T06:13:20.123Z.
std::string AhrsLogReader_formatUtc(int64_t ns);

// The sensor-unit record the driver converted to this row: angles through the
// exact inverse of its degree-to-radian conversion, rates and field as logged,
// accelerations times gravity (m/s^2; the engine does not use them).
ahrsData_SensorUnits AhrsLogReader_sensorRecord(const AhrsLogRow& row, float gravity);

#endif
