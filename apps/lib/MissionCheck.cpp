#include "MissionCheck.h"

#include <limits.h>
#include <math.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <map>

#include "AQ9.h"
#include "AQ9SettingsRules.h"
#include "Exception.h"
#include "MissionAttributes.h"

namespace {

// The entry that sets a key's final value (the last accepted line naming it).
struct InEffect
{
    int line;
    std::string value;  // as written
};

struct Context
{
    MissionAttributes attributes;
    std::map<std::string, InEffect> inEffect;
    std::vector<MissionFinding>* findings;
};

void add(Context& c, int line, MissionSeverity severity, const char* fmt, ...) __attribute__((format(printf, 4, 5)));
void add(Context& c, int line, MissionSeverity severity, const char* fmt, ...)
{
    char text[512];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    c.findings->push_back(MissionFinding{line, severity, text});
}

// A key that differs from a real one only in case, as a hint; empty if none.
std::string sameKeyOtherCase(Context& c, const std::string& key)
{
    Attributes& set = c.attributes.set;
    for (int i = 0; i < set.list.size(); i++)
        if (strcasecmp(set.list.array[i]->name(), key.c_str()) == 0)
            return std::string("; did you mean \"") + set.list.array[i]->name() + "\"?";
    return std::string();
}

// Converts and stores one entry with the driver's attribute kinds; a refusal
// is an error with the kind's own reason.
void apply(Context& c, const ConfigEntry& e)
{
    Attribute* a = c.attributes.set.find(e.key.c_str());
    if (a == nullptr)
    {
        add(c, e.line, MISSION_ERROR, "unknown key \"%s\"%s", e.key.c_str(), sameKeyOtherCase(c, e.key).c_str());
        return;
    }
    try
    {
        a->setValue(e.value.c_str());
    }
    catch (const Exception& x)
    {
        add(c, e.line, MISSION_ERROR, "%s = %.40s refused: %.*s", e.key.c_str(), e.value.c_str(),
            static_cast<int>(strnlen(x.msg, sizeof x.msg)), x.msg);
        return;
    }
    catch (...)
    {
        add(c, e.line, MISSION_ERROR, "%s = %.40s refused", e.key.c_str(), e.value.c_str());
        return;
    }
    a->markAsSet();
    c.inEffect[e.key] = InEffect{e.line, e.value};
}

// Line of the entry in effect for key, 0 when the file leaves it at its default.
int lineOf(Context& c, const char* key)
{
    auto found = c.inEffect.find(key);
    return found == c.inEffect.end() ? 0 : found->second.line;
}

// A one-byte field keeps only the low byte of what the file says.
void checkBytes(Context& c)
{
    for (const auto& k : c.inEffect)
    {
        AQ9SettingKind kind;
        if (!AQ9SettingsTable_kindOf(k.first.c_str(), &kind) || kind != AQ9SETTING_BYTE)
            continue;
        long written = strtol(k.second.value.c_str(), nullptr, 10);
        if (written < 0 || written > 255)
            add(c, k.second.line, MISSION_WARNING, "%s = %ld is outside 0-255: only its low byte is kept, %s",
                k.first.c_str(), written, c.attributes.set.find(k.first.c_str())->valueString());
    }
}

void checkRates(Context& c)
{
    const struct
    {
        const char* key;
        int64_t hz;
    } rates[] = {{"ahrsRate", c.attributes.settings.ahrsRate}, {"rawMeasRate", c.attributes.settings.rawMeasRate}};
    for (const auto& r : rates)
        if (!AQ9Settings_pollingRateValid(r.hz))
            add(c, lineOf(c, r.key), MISSION_ERROR,
                "%s = %lld Hz: the driver polls at %lld to %lld Hz and refuses to start", r.key, static_cast<long long>(r.hz), static_cast<long long>(kAQ9MinPollingRate),
                static_cast<long long>(kAQ9MaxPollingRate));
}

// The onboard estimator knows only the values of its two enumerations.
void checkEstimator(Context& c)
{
    const aq9Settings& s = c.attributes.settings;
    if (s.HSIMode != AQHSIMODE_OFF && s.HSIMode != AQHSIMODE_RUN && s.HSIMode != AQHSIMODE_RESET)
        add(c, lineOf(c, "HSIMode"), MISSION_WARNING,
            "HSIMode %u is not a mode of the onboard estimator: %d (off), %d (run) or %d (reset)",
            static_cast<unsigned>(s.HSIMode), AQHSIMODE_OFF, AQHSIMODE_RUN, AQHSIMODE_RESET);
    if (s.HSIOutput != AQHSIOUTPUT_NOONBOARD && s.HSIOutput != AQHSIOUTPUT_USEONBOARD)
        add(c, lineOf(c, "HSIOutput"), MISSION_WARNING,
            "HSIOutput %u is not an output of the onboard estimator: %d (ignore its solution) or %d (use it)",
            static_cast<unsigned>(s.HSIOutput), AQHSIOUTPUT_NOONBOARD, AQHSIOUTPUT_USEONBOARD);
}

double determinant(const v9d& r)
{
    const double* m = r.c;
    return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
           m[2] * (m[3] * m[7] - m[4] * m[6]);
}

// Largest element of |R*R^T - I|: rows of unit length, at right angles.
double orthonormalityError(const v9d& r)
{
    double worst = 0;
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
        {
            double dot = 0;
            for (int k = 0; k < 3; k++)
                dot += r.c[3 * i + k] * r.c[3 * j + k];
            worst = std::max(worst, fabs(dot - (i == j ? 1.0 : 0.0)));
        }
    return worst;
}

// The mounting rotation, reported at the first of its lines the file sets.
void checkRotation(Context& c)
{
    const v9d& r = c.attributes.settings.Rot;
    int line = 0;
    for (const auto& k : c.inEffect)
        if (k.first.compare(0, 3, "Rot") == 0 && (line == 0 || k.second.line < line))
            line = k.second.line;
    double det = determinant(r);
    double err = orthonormalityError(r);
    if (det < 0)
        add(c, line, MISSION_WARNING, "Rot00..Rot22 is not a rotation: its determinant is %.4g, so it mirrors an axis",
            det);
    else if (err > kMissionRotationTolerance || fabs(det - 1) > kMissionRotationTolerance)
        add(c, line, MISSION_WARNING,
            "Rot00..Rot22 is not a rotation: R*R^T departs from the identity by %.3g and det R is %.6g "
            "(tolerance %g)",
            err, det, kMissionRotationTolerance);
}

void checkStoredCalibration(Context& c, const std::vector<ConfigEntry>& entries)
{
    bool named = false;
    for (const ConfigEntry& e : entries)
        named = named || AQ9Settings_isMagCalibrationKey(e.key.c_str());
    if (AQ9Settings_replacesStoredMagCalibration(named, c.attributes.settings))
        add(c, 0, MISSION_WARNING,
            "names no magnetometer calibration key, so start-up replaces the sensor's stored magnetometer "
            "calibration with the defaults (identity, zero offset) and saves them to EEPROM; to keep it set "
            "\"LoadNewHSICalibration = false;\", or give the calibration as Mag_C00..Mag_C22 and Mag_B0..Mag_B2");
}

// By line; the findings about the file as a whole come last.
bool before(const MissionFinding& a, const MissionFinding& b)
{
    int la = a.line == 0 ? INT_MAX : a.line;
    int lb = b.line == 0 ? INT_MAX : b.line;
    return la < lb;
}

}  // namespace

MissionCheck MissionCheck_file(const char* name)
{
    MissionCheck check;
    std::vector<ConfigEntry> entries;
    ConfigFileReport report;
    check.status = ConfigFile_scan(name, &entries, &report);
    check.path = report.path.empty() && name != nullptr ? name : report.path;
    if (check.status == CONFIGFILE_NOT_FOUND || check.status == CONFIGFILE_READ_ERROR)
        return check;

    Context c;
    c.findings = &check.findings;
    for (int line : report.malformedLines)
        add(c, line, MISSION_ERROR, "not an entry: expected \"Key = value;\", a blank line or a comment (%%, # or //)");
    for (const ConfigRepeat& r : report.repeats)
        add(c, r.line, MISSION_WARNING, "%s repeats line %d; this later value is the one used", r.key.c_str(),
            r.firstLine);
    for (const ConfigEntry& e : entries)
        apply(c, e);
    checkBytes(c);
    checkRates(c);
    checkEstimator(c);
    checkRotation(c);
    checkStoredCalibration(c, entries);
    std::stable_sort(check.findings.begin(), check.findings.end(), before);
    return check;
}

int MissionCheck_count(const MissionCheck& check, MissionSeverity severity)
{
    return static_cast<int>(std::count_if(check.findings.begin(), check.findings.end(),
                                          [severity](const MissionFinding& f) { return f.severity == severity; }));
}

int MissionCheck_exitStatus(const MissionCheck& check)
{
    if (check.status == CONFIGFILE_NOT_FOUND || check.status == CONFIGFILE_READ_ERROR ||
        MissionCheck_count(check, MISSION_ERROR) > 0)
        return 2;
    return MissionCheck_count(check, MISSION_WARNING) > 0 ? 1 : 0;
}

void MissionCheck_print(const MissionCheck& check, FILE* out)
{
    for (const MissionFinding& f : check.findings)
    {
        const char* severity = f.severity == MISSION_ERROR ? "error" : "warning";
        if (f.line > 0)
            fprintf(out, "%s:%d: %s: %s\n", check.path.c_str(), f.line, severity, f.text.c_str());
        else
            fprintf(out, "%s: %s: %s\n", check.path.c_str(), severity, f.text.c_str());
    }
    int errors = MissionCheck_count(check, MISSION_ERROR);
    int warnings = MissionCheck_count(check, MISSION_WARNING);
    fprintf(out, "%s: %d error%s, %d warning%s\n", check.path.c_str(), errors, errors == 1 ? "" : "s", warnings,
            warnings == 1 ? "" : "s");
}
