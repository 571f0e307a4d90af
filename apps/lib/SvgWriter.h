// A small writer of self-contained SVG pictures: the elements the calibration
// picture draws, text escaped for XML, coordinates to a tenth of a pixel, and
// the tick marks of a plotted range.
#ifndef SVG_WRITER_H
#define SVG_WRITER_H

#include <stdio.h>

#include <string>
#include <vector>

class SvgWriter
{
  public:
    // Opens the document: width x height pixels, white background, one font.
    SvgWriter(FILE* f, int width, int height);
    // Closes the document.
    void finish();

    // A group; attrs is written as is ("id=\"x\" fill=\"red\"").
    void open(const std::string& attrs);
    void close();
    // anchor: "start", "middle" or "end"; attrs as above.
    void text(double x, double y, const std::string& s, double size, const char* anchor = "start",
              const std::string& attrs = "");
    void line(double x1, double y1, double x2, double y2, const std::string& attrs);
    void rect(double x, double y, double w, double h, const std::string& attrs);
    void circle(double cx, double cy, double r, const std::string& attrs = "");
    // A closed polygon through the points (x0, y0, x1, y1, ...).
    void polygon(const std::vector<double>& xy, const std::string& attrs);

  private:
    FILE* _f;
};

// The text with &, <, > and " as entities.
std::string Svg_escape(const std::string& s);
// Tick values of a multiple of 1, 2 or 5 times a power of ten covering
// [lo, hi] with about `wanted` steps.
std::vector<double> Svg_ticks(double lo, double hi, int wanted);
// A tick's label with just the decimals its step needs.
std::string Svg_tickLabel(double v, double step);

#endif
