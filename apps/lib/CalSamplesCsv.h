// The kept samples of a calibration run as CSV, for plotting in other tools:
// one line per sample with its time stamp and log line, attitude, the field as
// logged and as corrected, and the residuals before and after correction.
#ifndef CAL_SAMPLES_CSV_H
#define CAL_SAMPLES_CSV_H

#include <stdio.h>

#include "CalReplay.h"

void CalSamplesCsv_write(FILE* f, const CalReplay& r);

#endif
