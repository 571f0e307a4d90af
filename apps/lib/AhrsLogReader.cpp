#include "AhrsLogReader.h"

#include <errno.h>
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "AQ9Units.h"

namespace {

// The columns taken, in the order of their slots below.
const char* const kColumns[] = {"time",    "vYaw",    "vPitch",  "vRoll",   "vOmegaX", "vOmegaY", "vOmegaZ", "vAccelX",
                                "vAccelY", "vAccelZ", "vMagX",   "vMagY",   "vMagZ"};
const int kNumColumns = sizeof kColumns / sizeof kColumns[0];

float* slot(AhrsLogRow& r, int k)
{
    float* const slots[] = {nullptr,         &r.yaw_rad,       &r.pitch_rad,     &r.roll_rad,   &r.rate_rads[0],
                            &r.rate_rads[1], &r.rate_rads[2],  &r.accel_g[0],    &r.accel_g[1], &r.accel_g[2],
                            &r.mag_G[0],     &r.mag_G[1],      &r.mag_G[2]};
    return slots[k];
}

// Splits a line at commas; the line end is not part of the last field.
std::vector<std::string> splitFields(const char* line)
{
    std::vector<std::string> fields;
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.pop_back();
    size_t start = 0;
    for (;;)
    {
        size_t comma = s.find(',', start);
        fields.push_back(s.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            return fields;
        start = comma + 1;
    }
}

bool parseNumber(const std::string& text, double* v)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    *v = strtod(text.c_str(), &end);
    return *end == '\0' && errno != ERANGE;
}

// The line in messages: as in the file, or as counted from the byte reading began at.
std::string where(const std::string& path, long line, const AhrsLogRead& out)
{
    if (out.fromByte > 0)
        return path + ": line " + std::to_string(line) + " from byte " + std::to_string(out.fromByte) + ": ";
    return path + ":" + std::to_string(line) + ": ";
}

// Finds each taken column in the header; index -1 when missing.
bool mapColumns(const std::string& path, const std::vector<std::string>& header, int* index, AhrsLogRead& out)
{
    for (int k = 0; k < kNumColumns; k++)
    {
        index[k] = -1;
        for (size_t i = 0; i < header.size(); i++)
            if (header[i] == kColumns[k])
                index[k] = static_cast<int>(i);
        if (index[k] < 0)
        {
            out.error = where(path, 1, out) + "no column \"" + kColumns[k] + "\" (not an attitude log aqAhrs?)";
            return false;
        }
    }
    return true;
}

// Parses one data line into row; false with out.error set.
bool parseRow(const std::string& path, long lineNo, const std::vector<std::string>& fields, size_t width,
              const int* index, AhrsLogRow& row, AhrsLogRead& out)
{
    if (fields.size() != width)
    {
        out.error = where(path, lineNo, out) + std::to_string(fields.size()) + " values, the header names " +
                    std::to_string(width);
        return false;
    }
    row.line = lineNo;
    if (!AhrsLogReader_parseTime(fields[static_cast<size_t>(index[0])].c_str(), &row.time_ns))
    {
        const std::string& time = fields[static_cast<size_t>(index[0])];
        out.error = where(path, lineNo, out) + "time \"" + time + "\" is not sec.nnnnnnnnn";
        return false;
    }
    return true;
}

bool parseValues(const std::string& path, const std::vector<std::string>& fields, const int* index, AhrsLogRow& row,
                 AhrsLogRead& out)
{
    for (int k = 1; k < kNumColumns; k++)
    {
        double v;
        const std::string& text = fields[static_cast<size_t>(index[k])];
        if (!parseNumber(text, &v))
        {
            out.error = where(path, row.line, out) + kColumns[k] + " \"" + text + "\" is not a number";
            return false;
        }
        *slot(row, k) = static_cast<float>(v);
    }
    return true;
}

// A time as the log writes it and as the system log does, for messages.
std::string bothForms(int64_t ns)
{
    return AhrsLogReader_formatTime(ns) + " (" + AhrsLogReader_formatUtc(ns) + ")";
}

bool inWindow(const AhrsLogWindow& w, int64_t t)
{
    return (!w.hasFrom || t >= w.from_ns) && (!w.hasTo || t <= w.to_ns);
}

// Moves f, just past the header, to the first line that begins at or after
// byte from. The byte it reads from: from, or 0 when from is inside the header
// (f then stays); -1 when f cannot be positioned.
int64_t skipTo(FILE* f, int64_t from)
{
    const off_t afterHeader = ftello(f);
    if (afterHeader < 0)
        return -1;
    if (from <= afterHeader)
        return 0;
    // The byte before tells whether from is a line's first byte.
    if (fseeko(f, static_cast<off_t>(from - 1), SEEK_SET) != 0)
        return -1;
    const int before = fgetc(f);
    if (before != '\n' && before != EOF)
    {
        int c;
        while ((c = fgetc(f)) != EOF && c != '\n')
        {
        }
    }
    return from;
}

}  // namespace

bool AhrsLogReader_parseTime(const char* text, int64_t* ns)
{
    const char* p = text;
    int64_t sec = 0, frac = 0;
    int digits = 0;
    struct tm utc = {};
    // The system log's stamp: 2024-06-10T06:13:20.123Z, UTC.
    const char* rest = strptime(text, "%Y-%m-%dT%H:%M:%S", &utc);
    if (rest != nullptr)
    {
        sec = static_cast<int64_t>(timegm(&utc));
        p = rest;
        digits = sec >= 0 ? 1 : 0;
    }
    for (; rest == nullptr && *p >= '0' && *p <= '9'; p++, digits++)
    {
        if (sec > (INT64_MAX / 1000000000 - 9) / 10)
            return false;
        sec = sec * 10 + (*p - '0');
    }
    if (digits == 0)
        return false;
    if (*p == '.')
    {
        int fracDigits = 0;
        for (p++; *p >= '0' && *p <= '9'; p++, fracDigits++)
            if (fracDigits < 9)
                frac = frac * 10 + (*p - '0');
        for (int k = fracDigits; k < 9; k++)
            frac *= 10;
    }
    if (rest != nullptr && *p++ != 'Z')
        return false;
    if (*p != '\0')
        return false;
    *ns = sec * 1000000000 + frac;
    return true;
}

std::string AhrsLogReader_formatTime(int64_t ns)
{
    char buf[40];
    snprintf(buf, sizeof buf, "%" PRId64 ".%09" PRId64, ns / 1000000000, ns % 1000000000);
    return buf;
}

std::string AhrsLogReader_formatUtc(int64_t ns)
{
    const time_t sec = static_cast<time_t>(ns / 1000000000);
    struct tm utc;
    char buf[64];
    if (gmtime_r(&sec, &utc) == nullptr)
        return AhrsLogReader_formatTime(ns);
    snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
             utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(ns % 1000000000 / 1000000));
    return buf;
}

AhrsLogRead AhrsLogReader_read(const std::string& path, const AhrsLogWindow& window, int64_t fromByte)
{
    AhrsLogRead out = {false, "", {}, 0, 0, 0, false, 0};
    FILE* f = fopen(path.c_str(), "re");
    if (f == nullptr)
    {
        out.error = path + ": " + strerror(errno);
        return out;
    }
    char* line = nullptr;
    size_t cap = 0;
    long lineNo = 0;
    int index[kNumColumns];
    size_t width = 0;
    bool haveHeader = false, failed = false;
    while (!failed && getline(&line, &cap, f) >= 0)
    {
        lineNo++;
        std::vector<std::string> fields = splitFields(line);
        if (!haveHeader)
        {
            haveHeader = true;
            failed = !mapColumns(path, fields, index, out);
            width = fields.size();
            if (!failed && fromByte > 0)
            {
                out.fromByte = skipTo(f, fromByte);
                failed = out.fromByte < 0;
                if (failed)
                    out.error = path + ": cannot read from byte " + std::to_string(fromByte) + ": " + strerror(errno);
                else if (out.fromByte > 0)
                    lineNo = 0;
            }
            continue;
        }
        // A last line without its end is a record cut off by a crash or a copy mid-write.
        if (strchr(line, '\n') == nullptr)
        {
            out.cutShort = true;
            break;
        }
        AhrsLogRow row;
        failed = !parseRow(path, lineNo, fields, width, index, row, out);
        if (failed)
            break;
        if (out.rowsInFile++ == 0)
            out.first_ns = row.time_ns;
        out.last_ns = row.time_ns;
        if (!inWindow(window, row.time_ns))
            continue;
        failed = !parseValues(path, fields, index, row, out);
        if (!failed)
            out.rows.push_back(row);
    }
    free(line);
    fclose(f);
    if (failed)
        return out;
    const std::string after = out.fromByte > 0 ? "byte " + std::to_string(out.fromByte) : "the header";
    if (!haveHeader)
        out.error = path + ": empty file, no header line";
    else if (out.rows.empty() && out.rowsInFile == 0)
        out.error = path + ": no records after " + after;
    else if (out.rows.empty())
        out.error = path + ": no record between " + (window.hasFrom ? bothForms(window.from_ns) : "the start") +
                    " and " + (window.hasTo ? bothForms(window.to_ns) : "the end") + "; the log runs from " +
                    bothForms(out.first_ns) + " to " + bothForms(out.last_ns) +
                    (out.fromByte > 0 ? " after " + after : "");
    out.ok = out.error.empty();
    return out;
}

ahrsData_SensorUnits AhrsLogReader_sensorRecord(const AhrsLogRow& row, float gravity)
{
    ahrsData_SensorUnits r;
    memset(&r, 0, sizeof r);
    r.ypr_deg.c[0] = AQ9Units_radToDeg(row.yaw_rad);
    r.ypr_deg.c[1] = AQ9Units_radToDeg(row.pitch_rad);
    r.ypr_deg.c[2] = AQ9Units_radToDeg(row.roll_rad);
    for (int i = 0; i < 3; i++)
    {
        r.gyro_rads.c[i] = row.rate_rads[i];
        r.accel_ms2.c[i] = row.accel_g[i] * gravity;
        r.mag_G.c[i] = row.mag_G[i];
    }
    r.sampleTime.tv_sec = static_cast<time_t>(row.time_ns / 1000000000);
    r.sampleTime.tv_nsec = static_cast<long>(row.time_ns % 1000000000);
    r.dataGood = 1;
    return r;
}
