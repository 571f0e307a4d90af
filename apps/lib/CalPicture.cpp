#include "CalPicture.h"

#include <float.h>
#include <math.h>

#include <algorithm>

#include "SvgWriter.h"
#include "TextFormat.h"

namespace {

const double kPi = 3.14159265358979323846;
const char* const kBeforeColour = "#d95f02";
const char* const kAfterColour = "#1f5fa8";
const char* const kGridColour = "#dddddd";
const char* const kMissingColour = "#f4b6ad";

// v, or 0 when it prints as zero with that many decimals: no "-0.00".
double unsignedZero(double v, int decimals)
{
    return fabs(v) < 0.5 * pow(10.0, -decimals) ? 0.0 : v;
}

// Fill colour of a patch holding count of at most full samples: a pale red
// for none, then light to dark blue.
std::string patchColour(int count, int full)
{
    if (count <= 0)
        return kMissingColour;
    const double t = full > 1 ? std::min(1.0, (count - 1.0) / (full - 1.0)) : 1.0;
    const int r = static_cast<int>(lround(222 + (8 - 222) * t));
    const int g = static_cast<int>(lround(235 + (69 - 235) * t));
    const int b = static_cast<int>(lround(247 + (148 - 247) * t));
    return TextFormat_printf("#%02x%02x%02x", r, g, b);
}

const char* gradeColour(unsigned int score)
{
    static const char* const colours[] = {"#a6d96a", "#d9ef8b", "#fee08b", "#f46d43"};
    return colours[score < 4 ? score : 3];
}

// ------------------------------------------------------------------ header

void drawHeader(SvgWriter& svg, const CalReplay& r, const std::vector<std::string>& caption)
{
    const AqHsiDipole& d = r.site;
    svg.text(40, 40, TextFormat_printf("AQ-9 hard/soft-iron calibration, %s mode", r.setup.mode3D ? "3D" : "2D"), 24, "start",
             "font-weight=\"bold\"");
    svg.text(40, 68,
             TextFormat_printf("%zu samples kept of %zu offered. Site %.4f\u00b0, %.4f\u00b0: field %.4f G, dip %.1f\u00b0 "
                    "(the engine's model)",
                    r.kept.size(), r.offered, r.setup.siteLat, r.setup.siteLong, d.sphereRad,
                    atan2(d.Bdown, d.Bnorth) * 180 / kPi),
             15);
    std::string result;
    if (r.outcome.err != E_NONE)
        result = std::string("No calibration: ") + r.outcome.reason;
    else if (r.outcome.poor[0] != '\0')
        result = std::string("Solved, but graded Poor in ") + r.outcome.poor + ": the driver does not load it";
    else
        result = "Solved, no grade Poor: the driver loads such a result when WriteHSIToEEPROM is set";
    svg.text(40, 92, result, 15, "start", "font-weight=\"bold\"");
    double y = 116;
    for (size_t i = 0; i < caption.size() && i < 2; i++, y += 20)
        svg.text(40, y, caption[i], 13, "start", "fill=\"#444444\"");
}

// ------------------------------------------------------------- hemispheres

struct Hemisphere
{
    const char* id;
    const char* title;
    double cx, cy, radius;
    bool lower;  // the z > 0 half, seen from below (so +y is on the left)
};

bool onSide(const Hemisphere& h, const double* v)
{
    return h.lower ? v[2] > 0 : v[2] <= 0;
}

// Orthographic view along z with +x up; a point of the far half goes to the rim.
void project(const Hemisphere& h, const double* v, double* x, double* y)
{
    double px = v[0], py = v[1];
    if (!onSide(h, v))
    {
        const double n = hypot(px, py);
        if (n > 0)
        {
            px /= n;
            py /= n;
        }
    }
    *x = h.cx + h.radius * (h.lower ? -py : py);
    *y = h.cy - h.radius * px;
}

// The patch's boundary: the cone of the keep rule's half-angle around its centre.
std::vector<double> patchOutline(const Hemisphere& h, const float* centre, double halfAngle)
{
    const double c[3] = {centre[0], centre[1], centre[2]};
    double a[3] = {0, 0, 0};
    a[fabs(c[0]) < 0.9 ? 0 : 1] = 1;
    const double dot = a[0] * c[0] + a[1] * c[1] + a[2] * c[2];
    double u[3] = {a[0] - dot * c[0], a[1] - dot * c[1], a[2] - dot * c[2]};
    const double nu = sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    for (double& e : u)
        e /= nu;
    const double v[3] = {c[1] * u[2] - c[2] * u[1], c[2] * u[0] - c[0] * u[2], c[0] * u[1] - c[1] * u[0]};
    std::vector<double> xy;
    for (int k = 0; k < 18; k++)
    {
        const double t = 2 * kPi * k / 18;
        double q[3];
        for (int i = 0; i < 3; i++)
            q[i] = cos(halfAngle) * c[i] + sin(halfAngle) * (cos(t) * u[i] + sin(t) * v[i]);
        double x, y;
        project(h, q, &x, &y);
        xy.push_back(x);
        xy.push_back(y);
    }
    return xy;
}

void drawHemisphere(SvgWriter& svg, const CalReplay& r, const Hemisphere& h)
{
    svg.text(h.cx, h.cy - h.radius - 42, h.title, 16, "middle", "font-weight=\"bold\"");
    svg.circle(h.cx, h.cy, h.radius, "fill=\"#fafafa\" stroke=\"#333333\" stroke-width=\"1.2\"");
    svg.open(TextFormat_printf("id=\"patches-%s\" stroke=\"#888888\" stroke-width=\"0.6\"", h.id));
    for (const CalPatch& p : r.patches)
    {
        const double c[3] = {p.centre[0], p.centre[1], p.centre[2]};
        if (onSide(h, c))
            svg.polygon(patchOutline(h, p.centre, r.patchHalfAngle),
                        TextFormat_printf("fill=\"%s\"", patchColour(p.fill, static_cast<int>(r.nDataPerPatch)).c_str()));
    }
    svg.close();
    svg.line(h.cx - h.radius, h.cy, h.cx + h.radius, h.cy, "stroke=\"#999999\" stroke-dasharray=\"3,3\"");
    svg.line(h.cx, h.cy - h.radius, h.cx, h.cy + h.radius, "stroke=\"#999999\" stroke-dasharray=\"3,3\"");
    svg.open(TextFormat_printf("id=\"%s\" class=\"marks\" fill=\"#111111\" fill-opacity=\"0.85\"", h.id));
    for (const CalKeptSample& k : r.kept)
    {
        const double v[3] = {k.keepDirection[0], k.keepDirection[1], k.keepDirection[2]};
        if (!onSide(h, v))
            continue;
        double x, y;
        project(h, v, &x, &y);
        svg.circle(x, y, 1.8);
    }
    svg.close();
    const double sideX = h.lower ? -1 : 1;  // where +y lies
    svg.text(h.cx, h.cy - h.radius - 8, "+x (forward)", 13, "middle");
    svg.text(h.cx, h.cy + h.radius + 20, "\u2212x", 13, "middle");
    svg.text(h.cx + sideX * (h.radius + 8), h.cy + 5, "+y", 13, sideX > 0 ? "start" : "end");
    svg.text(h.cx - sideX * (h.radius + 8), h.cy + 5, "\u2212y", 13, sideX > 0 ? "end" : "start");
}

void drawPatchLegend(SvgWriter& svg, const CalReplay& r, double x, double y)
{
    const int full = static_cast<int>(r.nDataPerPatch);
    svg.text(x, y, "Keep-rule patches:", 14, "start", "font-weight=\"bold\"");
    svg.text(x, y + 18, "samples counted in each", 13);
    for (int n = 0; n <= full && n <= 20; n++)
    {
        const double yy = y + 32 + n * 20;
        svg.rect(x, yy, 26, 16, TextFormat_printf("fill=\"%s\" stroke=\"#888888\" stroke-width=\"0.6\"",
                                       patchColour(n, full).c_str()));
        std::string label = std::to_string(n);
        if (n == 0)
            label += " (missing)";
        else if (n == full)
            label += " (full)";
        svg.text(x + 34, yy + 13, label, 13);
    }
    int withSample = 0, complete = 0;
    for (const CalPatch& p : r.patches)
    {
        withSample += p.fill > 0;
        complete += p.fill >= full;
    }
    double yy = y + 32 + (std::min(full, 20) + 1) * 20 + 16;
    svg.circle(x + 13, yy - 5, 3, "fill=\"#111111\"");
    svg.text(x + 34, yy, "a kept sample", 13);
    svg.text(x, yy + 26, TextFormat_printf("%zu patches, %d with a sample,", r.patches.size(), withSample), 13);
    svg.text(x, yy + 44, TextFormat_printf("%d full; cone half-angle %.1f\u00b0", complete, r.patchHalfAngle * 180 / kPi), 13);
    svg.text(x, yy + 70, "Directions: the site's field in", 13, "start", "fill=\"#444444\"");
    svg.text(x, yy + 88, "vehicle axes at each sample's", 13, "start", "fill=\"#444444\"");
    svg.text(x, yy + 106, "attitude, where the keep rule", 13, "start", "fill=\"#444444\"");
    svg.text(x, yy + 124, "files it.", 13, "start", "fill=\"#444444\"");
}

void drawHemispheres(SvgWriter& svg, const CalReplay& r, double top)
{
    const Hemisphere views[] = {
        {"upper", "Upper half (z < 0), seen from above", 230, top + 215, 165, false},
        {"lower", "Lower half (z > 0), seen from below", 650, top + 215, 165, true},
    };
    for (const Hemisphere& h : views)
        drawHemisphere(svg, r, h);
    drawPatchLegend(svg, r, 900, top + 20);
}

// ------------------------------------------------------------- projections

const char* const kAxisNames[] = {"x", "y", "z"};

struct Plot
{
    double x, y, size;  // the square's top-left corner and side, pixels
    double range;       // gauss from the centre to each edge
    double sx(double v) const { return x + size / 2 + v / range * size / 2; }
    double sy(double v) const { return y + size / 2 - v / range * size / 2; }
};

void drawPlotFrame(SvgWriter& svg, const Plot& p, int ha, int va)
{
    const std::vector<double> ticks = Svg_ticks(-p.range, p.range, 4);
    const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : p.range;
    for (double t : ticks)
    {
        if (fabs(t) > p.range)
            continue;
        svg.line(p.sx(t), p.y, p.sx(t), p.y + p.size, TextFormat_printf("stroke=\"%s\"", kGridColour));
        svg.line(p.x, p.sy(t), p.x + p.size, p.sy(t), TextFormat_printf("stroke=\"%s\"", kGridColour));
        svg.text(p.sx(t), p.y + p.size + 16, Svg_tickLabel(t, step), 12, "middle");
        svg.text(p.x - 6, p.sy(t) + 4, Svg_tickLabel(t, step), 12, "end");
    }
    svg.rect(p.x, p.y, p.size, p.size, "fill=\"none\" stroke=\"#333333\"");
    svg.text(p.x + p.size / 2, p.y + p.size + 36, TextFormat_printf("%s (G)", kAxisNames[ha]), 13, "middle");
    const double lx = p.x - 46, ly = p.y + p.size / 2;
    svg.text(lx, ly, TextFormat_printf("%s (G)", kAxisNames[va]), 13, "middle",
             TextFormat_printf("transform=\"rotate(-90 %.1f %.1f)\"", lx, ly));
}

bool finite3(const float* v)
{
    return isfinite(v[0]) && isfinite(v[1]) && isfinite(v[2]);
}

// Gauss from the centre to a plot's edge: every point and the site circle fit.
double plotRange(const CalReplay& r)
{
    double m = r.site.sphereRad;
    for (const CalKeptSample& k : r.kept)
        for (int a = 0; a < 3; a++)
        {
            m = std::max(m, static_cast<double>(fabsf(k.meas.mag.c[a])));
            if (isfinite(k.corrected[a]))
                m = std::max(m, static_cast<double>(fabsf(k.corrected[a])));
        }
    return isfinite(m) && m > 0 ? m * 1.08 : 1.0;
}

void drawProjectionRow(SvgWriter& svg, const CalReplay& r, double top, bool after)
{
    static const int planes[3][2] = {{0, 1}, {0, 2}, {1, 2}};
    const double range = plotRange(r);
    svg.text(40, top + 16,
             after ? "After correction: the corrected field (blue) and the site's field (dashed), gauss"
                   : "Before correction: the field as logged (orange) and the site's field (dashed), gauss",
             17, "start", "font-weight=\"bold\"");
    for (int i = 0; i < 3; i++)
    {
        const int ha = planes[i][0], va = planes[i][1];
        const Plot p = {80 + i * 390.0, top + 50, 290, range};
        svg.text(p.x + p.size / 2, top + 42, TextFormat_printf("%s\u2013%s plane", kAxisNames[ha], kAxisNames[va]), 14,
                 "middle");
        drawPlotFrame(svg, p, ha, va);
        const double rad = r.site.sphereRad / range * p.size / 2;
        svg.circle(p.sx(0), p.sy(0), rad,
                   "fill=\"none\" stroke=\"#222222\" stroke-width=\"1.2\" stroke-dasharray=\"6,4\"");
        svg.open(TextFormat_printf("id=\"%s-%s%s\" class=\"marks\" fill=\"%s\" fill-opacity=\"0.7\"", after ? "after" : "before",
                        kAxisNames[ha], kAxisNames[va], after ? kAfterColour : kBeforeColour));
        for (const CalKeptSample& k : r.kept)
        {
            const float* v = after ? k.corrected : k.meas.mag.c;
            if (finite3(v))
                svg.circle(p.sx(v[ha]), p.sy(v[va]), 1.6);
        }
        svg.close();
        if (after && r.outcome.err != E_NONE)
            svg.text(p.x + p.size / 2, p.y + p.size / 2, "no solution", 16, "middle", "fill=\"#b00000\"");
    }
}

// -------------------------------------------------------------- histograms

// Counts of values in equal bins over their range, with the range.
struct Histogram
{
    double lo, hi;
    std::vector<int> counts;
    int most;
    double mean, sd;
};

Histogram binned(const std::vector<double>& values, int bins)
{
    Histogram hg = {*std::min_element(values.begin(), values.end()),
                    *std::max_element(values.begin(), values.end()), std::vector<int>(bins, 0), 0, 0, 0};
    // All values alike: a range of one per cent around them.
    if (hg.hi - hg.lo < 1e-6)
    {
        hg.lo -= 0.5;
        hg.hi += 0.5;
    }
    double sum = 0, sum2 = 0;
    for (double v : values)
    {
        hg.counts[static_cast<size_t>(std::min(bins - 1, static_cast<int>((v - hg.lo) / (hg.hi - hg.lo) * bins)))]++;
        sum += v;
        sum2 += v * v;
    }
    hg.most = *std::max_element(hg.counts.begin(), hg.counts.end());
    hg.mean = sum / values.size();
    hg.sd = sqrt(std::max(0.0, sum2 / values.size() - hg.mean * hg.mean));
    return hg;
}

void drawHistogramAxes(SvgWriter& svg, const Histogram& hg, double x, double y, double w, double h)
{
    const std::vector<double> xt = Svg_ticks(hg.lo, hg.hi, 5);
    const double xstep = xt.size() > 1 ? xt[1] - xt[0] : 1;
    for (double t : xt)
    {
        const double px = x + (t - hg.lo) / (hg.hi - hg.lo) * w;
        svg.line(px, y + h, px, y + h + 5, "stroke=\"#333333\"");
        svg.text(px, y + h + 18, Svg_tickLabel(t, xstep), 12, "middle");
    }
    for (double t : Svg_ticks(0, hg.most, 4))
    {
        const double py = y + h - h * t / hg.most;
        svg.line(x - 5, py, x, py, "stroke=\"#333333\"");
        svg.text(x - 8, py + 4, Svg_tickLabel(t, 1), 12, "end");
    }
}

void drawHistogram(SvgWriter& svg, const std::vector<double>& values, double x, double top, bool after)
{
    const double w = 470, h = 200, y = top + 50;
    svg.text(x + w / 2, top + 16, TextFormat_printf("Field-magnitude residual %s correction", after ? "after" : "before"), 16,
             "middle", "font-weight=\"bold\"");
    svg.rect(x, y, w, h, "fill=\"none\" stroke=\"#333333\"");
    svg.text(x + w / 2, y + h + 36, "residual: |field| / site field \u2212 1 (%)", 13, "middle");
    const double ly = y + h / 2;
    svg.text(x - 40, ly, "samples", 13, "middle", TextFormat_printf("transform=\"rotate(-90 %.1f %.1f)\"", x - 40, ly));
    if (values.empty())
    {
        svg.text(x + w / 2, y + h / 2, "no solution", 16, "middle", "fill=\"#b00000\"");
        return;
    }
    const int bins = 30;
    const Histogram hg = binned(values, bins);
    for (int b = 0; b < bins; b++)
    {
        const double bar = h * hg.counts[static_cast<size_t>(b)] / hg.most;
        svg.rect(x + b * w / bins, y + h - bar, w / bins, bar,
                 TextFormat_printf("fill=\"%s\" stroke=\"#ffffff\" stroke-width=\"0.5\"", after ? kAfterColour : kBeforeColour));
    }
    drawHistogramAxes(svg, hg, x, y, w, h);
    svg.text(x + w / 2, top + 38,
             TextFormat_printf("%zu samples, mean %.3f %%, sd %.3f %%", values.size(), unsignedZero(hg.mean, 3), hg.sd), 13,
             "middle");
}

void drawHistograms(SvgWriter& svg, const CalReplay& r, double top)
{
    std::vector<double> before, after;
    for (const CalKeptSample& k : r.kept)
    {
        before.push_back(k.residualBefore * 100.0);
        if (isfinite(k.residualAfter))
            after.push_back(k.residualAfter * 100.0);
    }
    drawHistogram(svg, before, 100, top, false);
    drawHistogram(svg, after, 680, top, true);
}

// ------------------------------------------------------------- grade table

std::string figure(float v, bool percent)
{
    if (!isfinite(v) || v >= FLT_MAX)
        return "\u2014";
    return TextFormat_printf(percent ? "%.2f %%" : "%.2f", unsignedZero(percent ? v * 100.0 : v, 2));
}

void drawGradeTable(SvgWriter& svg, const CalReplay& r, double top)
{
    const double cols[] = {60, 560, 600, 760, 880, 1000};
    const char* const heads[] = {"Figure of merit", "Value", "Grade", "Great if \u2264", "Good if \u2264",
                                 "Fair if \u2264"};
    svg.text(60, top + 20, "Grades of the fit (lower is better; Poor above Fair's bound)", 16, "start",
             "font-weight=\"bold\"");
    const double y0 = top + 50;
    for (int c = 0; c < 6; c++)
        svg.text(cols[c], y0, heads[c], 13, c == 1 ? "end" : "start", "font-weight=\"bold\"");
    const float* values = &r.fom.ellipsoidFitResidualsMean;
    for (int i = 0; i < AQHSI_NUM_FOM; i++)
    {
        const double y = y0 + 26 * (i + 1);
        const bool percent = i < 6;
        const unsigned int s = r.scores[i];
        svg.rect(cols[0] - 8, y - 18, 1120, 24, i % 2 ? "fill=\"#ffffff\"" : "fill=\"#f3f3f3\"");
        svg.rect(cols[2] - 6, y - 17, 110, 22, TextFormat_printf("fill=\"%s\"", gradeColour(s)));
        svg.text(cols[0], y, HsiRun_gradeName(i), 13);
        svg.text(cols[1], y, figure(values[i], percent), 13, "end");
        svg.text(cols[2], y, HsiRun_gradeWord(s), 13, "start", "font-weight=\"bold\"");
        for (int row = 0; row < 3; row++)
            svg.text(cols[3 + row], y, figure((&fomEvalThresholds[row].ellipsoidFitResidualsMean)[i], percent), 13);
    }
    svg.text(60, y0 + 26 * 9 + 8,
             "Residuals in per cent of the site's field; coverage multipliers are numbers (smaller: better spread).",
             12, "start", "fill=\"#444444\"");
}

}  // namespace

void CalPicture_write(FILE* f, const CalReplay& r, const std::vector<std::string>& caption)
{
    SvgWriter svg(f, kCalPictureWidth, kCalPictureHeight);
    drawHeader(svg, r, caption);
    drawHemispheres(svg, r, 160);
    drawProjectionRow(svg, r, 600, false);
    drawProjectionRow(svg, r, 1000, true);
    drawHistograms(svg, r, 1400);
    drawGradeTable(svg, r, 1720);
    svg.finish();
}
