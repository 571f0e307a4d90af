// A picture of one calibration run, as one self-contained SVG file: the kept
// samples' field directions on the unit sphere as two hemispheres with the
// keep rule's patches shaded by fill count (missing orientations stand out),
// the field in the three axis planes before correction (an ellipse) and after
// (a circle), each with the site's field as a reference circle, histograms of
// the field-magnitude residuals before and after, and the eight grades.
// Every view's sample marks sit in a group of class "marks" with the view's id.
#ifndef CAL_PICTURE_H
#define CAL_PICTURE_H

#include <stdio.h>

#include <string>
#include <vector>

#include "CalReplay.h"

const int kCalPictureWidth = 1200;
const int kCalPictureHeight = 2010;

// caption: lines under the title, e.g. the log and the time window.
void CalPicture_write(FILE* f, const CalReplay& r, const std::vector<std::string>& caption);

#endif
