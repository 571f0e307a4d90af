// The two output blocks as text: aligned columns for people (aq9watch's lines,
// aq9host's status line) and CSV rows for programs. Angles and rates are shown
// to people in degrees; CSV keeps the blocks' own units.
#ifndef BLOCK_FORMAT_H
#define BLOCK_FORMAT_H

#include <time.h>

#include <string>

#include "AQ9Output.h"
#include "AQ9RawMeasOutput.h"

// "Ok", "Initializing", "Offline", "Error", "FailedInit", "FailedRead", or the
// number of an unknown status.
std::string BlockFormat_statusName(int status);

// Magnitude of the compensated field, gauss.
double BlockFormat_fieldMagnitude(const AQ9Output::Data& d);

// "12:34:56.789" (UTC); "-" for a zero time (no record yet).
std::string BlockFormat_clock(const timespec& t);

// Attitude, body rates, field magnitude and temperature: the columns both
// aq9watch and aq9host show, under their heading.
std::string BlockFormat_attitudeHeading();
std::string BlockFormat_attitudeColumns(const AQ9Output::Data& d);

// aq9watch's lines: the block's kind, time, status, then its values.
std::string BlockFormat_ahrsHeading();
std::string BlockFormat_ahrsLine(const AQ9Output::Data& d);
std::string BlockFormat_rawHeading();
std::string BlockFormat_rawLine(const AQ9RawMeasOutput::Data& d);

// One CSV header for both blocks: block, time (seconds since the epoch),
// status, then every field of the attitude block and of the raw block; a row
// leaves the other block's cells empty.
std::string BlockFormat_csvHeader();
std::string BlockFormat_csvAhrs(const AQ9Output::Data& d);
std::string BlockFormat_csvRaw(const AQ9RawMeasOutput::Data& d);

#endif
