#include "SvgWriter.h"

#include <math.h>

SvgWriter::SvgWriter(FILE* f, int width, int height) : _f(f)
{
    fprintf(_f,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" "
            "font-family=\"DejaVu Sans, Arial, Helvetica, sans-serif\">\n"
            "<rect x=\"0\" y=\"0\" width=\"%d\" height=\"%d\" fill=\"#ffffff\"/>\n",
            width, height, width, height, width, height);
}

void SvgWriter::finish()
{
    fputs("</svg>\n", _f);
}

void SvgWriter::open(const std::string& attrs)
{
    fprintf(_f, "<g %s>\n", attrs.c_str());
}

void SvgWriter::close()
{
    fputs("</g>\n", _f);
}

void SvgWriter::text(double x, double y, const std::string& s, double size, const char* anchor,
                     const std::string& attrs)
{
    fprintf(_f, "<text x=\"%.1f\" y=\"%.1f\" font-size=\"%g\" text-anchor=\"%s\"%s%s>%s</text>\n", x, y, size, anchor,
            attrs.empty() ? "" : " ", attrs.c_str(), Svg_escape(s).c_str());
}

void SvgWriter::line(double x1, double y1, double x2, double y2, const std::string& attrs)
{
    fprintf(_f, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" %s/>\n", x1, y1, x2, y2, attrs.c_str());
}

void SvgWriter::rect(double x, double y, double w, double h, const std::string& attrs)
{
    fprintf(_f, "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" %s/>\n", x, y, w, h, attrs.c_str());
}

void SvgWriter::circle(double cx, double cy, double r, const std::string& attrs)
{
    fprintf(_f, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"%.1f\"%s%s/>\n", cx, cy, r, attrs.empty() ? "" : " ",
            attrs.c_str());
}

void SvgWriter::polygon(const std::vector<double>& xy, const std::string& attrs)
{
    fputs("<polygon points=\"", _f);
    for (size_t i = 0; i + 1 < xy.size(); i += 2)
        fprintf(_f, "%s%.1f,%.1f", i > 0 ? " " : "", xy[i], xy[i + 1]);
    fprintf(_f, "\" %s/>\n", attrs.c_str());
}

std::string Svg_escape(const std::string& s)
{
    std::string out;
    for (char c : s)
    {
        switch (c)
        {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::vector<double> Svg_ticks(double lo, double hi, int wanted)
{
    std::vector<double> ticks;
    if (!(hi > lo) || wanted < 1 || !isfinite(lo) || !isfinite(hi))
        return ticks;
    const double raw = (hi - lo) / wanted;
    const double power = pow(10.0, floor(log10(raw)));
    double step = power;
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw)
        {
            step = m * power;
            break;
        }
    for (double v = ceil(lo / step - 1e-9) * step; v <= hi + step * 1e-9; v += step)
        ticks.push_back(fabs(v) < step * 1e-9 ? 0.0 : v);
    return ticks;
}

std::string Svg_tickLabel(double v, double step)
{
    int decimals = 0;
    while (decimals < 6 && fabs(step * pow(10.0, decimals) - round(step * pow(10.0, decimals))) > 1e-6)
        decimals++;
    char buf[32];
    snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}
