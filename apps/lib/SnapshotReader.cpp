#include "SnapshotReader.h"

#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <vector>

#include "AQ9.h"

namespace {

struct Entry
{
    long line;
    std::string value;
};

// "key=value;" lines by key; the header's "%" lines and blank ones skipped.
bool readEntries(const std::string& path, std::map<std::string, Entry>& entries, std::string& error)
{
    FILE* f = fopen(path.c_str(), "re");
    if (f == nullptr)
    {
        error = path + ": " + strerror(errno);
        return false;
    }
    char* line = nullptr;
    size_t cap = 0;
    long lineNo = 0;
    while (getline(&line, &cap, f) >= 0)
    {
        lineNo++;
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
            s.pop_back();
        size_t eq = s.find('=');
        if (s.empty() || s[0] == '%' || eq == std::string::npos)
            continue;
        std::string value = s.substr(eq + 1);
        if (!value.empty() && value.back() == ';')
            value.pop_back();
        entries[s.substr(0, eq + 1)] = Entry{lineNo, value};
    }
    free(line);
    fclose(f);
    return true;
}

// "[a,b,...]" with exactly n numbers.
bool parseVector(const std::string& text, double* out, int n)
{
    if (text.size() < 2 || text.front() != '[' || text.back() != ']')
        return false;
    std::string inner = text.substr(1, text.size() - 2);
    const char* p = inner.c_str();
    for (int i = 0; i < n; i++)
    {
        char* end = nullptr;
        out[i] = strtod(p, &end);
        if (end == p || !isfinite(out[i]))
            return false;
        p = end;
        if (i < n - 1 && *p++ != ',')
            return false;
    }
    return *p == '\0';
}

bool parseScalar(const std::string& text, double* out)
{
    char* end = nullptr;
    *out = strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && isfinite(*out);
}

class Reader
{
  public:
    Reader(const std::string& path, const std::map<std::string, Entry>& entries) : _path(path), _entries(entries) {}

    // n numbers (1 for a scalar) of key; false with the error set.
    bool numbers(const char* key, double* out, int n, bool required = true)
    {
        auto it = _entries.find(key);
        if (it == _entries.end())
        {
            if (required)
                error = _path + ": no " + key + " line (not a settings snapshot aq9.dat?)";
            return false;
        }
        bool ok = n == 1 ? parseScalar(it->second.value, out) : parseVector(it->second.value, out, n);
        if (!ok)
            error = _path + ":" + std::to_string(it->second.line) + ": " + key + " \"" + it->second.value +
                    "\" is not " + (n == 1 ? std::string("a number") : std::to_string(n) + " numbers in [ ]");
        return ok;
    }

    std::string error;

  private:
    const std::string& _path;
    const std::map<std::string, Entry>& _entries;
};

}  // namespace

SnapshotRead SnapshotReader_read(const std::string& path)
{
    SnapshotRead out = {false, "", {}};
    std::map<std::string, Entry> entries;
    if (!readEntries(path, entries, out.error))
        return out;
    Reader r(path, entries);
    SnapshotSettings& s = out.settings;
    double lat, lon, rate, grav[3];
    bool ok = r.numbers("RotationMatrix_rowMajor=", s.rot.c, 9) && r.numbers("MagCompC=", s.magC.c, 9) &&
              r.numbers("MagCompB=", s.magB.c, 3) && r.numbers("SiteLatitude=", &lat, 1) &&
              r.numbers("SiteLongitude=", &lon, 1) && r.numbers("ahrsRateHz=", &rate, 1);
    if (!ok)
    {
        out.error = r.error;
        return out;
    }
    s.siteLat = static_cast<float>(lat);
    s.siteLong = static_cast<float>(lon);
    s.ahrsRateHz = lround(rate);
    s.gravity = AQ9::kDefaultGravity;
    if (r.numbers("GravRefVector=", grav, 3, false))
    {
        // As the driver takes it: a float vector's length in float arithmetic.
        const float x = static_cast<float>(grav[0]), y = static_cast<float>(grav[1]), z = static_cast<float>(grav[2]);
        const float g = sqrtf(x * x + y * y + z * z);
        if (g > 0)
            s.gravity = g;
    }
    else if (!r.error.empty())
    {
        out.error = r.error;
        return out;
    }
    out.ok = true;
    return out;
}
