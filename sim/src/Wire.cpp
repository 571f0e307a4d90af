#include "Wire.h"

#include <stdlib.h>
#include <string.h>

namespace aq9sim {

namespace {

struct Named
{
    const char* name;
    FaultKind kind;
};

const Named kFaults[] = {{"silent", FAULT_SILENT},
                         {"garbage", FAULT_GARBAGE},
                         {"bad-crc", FAULT_BAD_CRC},
                         {"drop-bytes", FAULT_DROP_BYTES},
                         {"slow", FAULT_SLOW}};

// A non-negative decimal that is the whole of [begin, end).
bool seconds(const std::string& s, double* out)
{
    if (s.empty() || s.find_first_not_of("0123456789.") != std::string::npos)
        return false;
    char* end = nullptr;
    *out = strtod(s.c_str(), &end);
    return *end == '\0';
}

char nextHexDigit(char c)
{
    static const char digits[] = "0123456789ABCDEF";
    const char* p = strchr(digits, c);
    return p == nullptr || *p == '\0' ? '0' : digits[(p - digits + 1) % 16];
}

} // namespace

bool parseFault(const char* text, FaultWindow* out)
{
    const std::string s = text;
    const size_t at = s.find('@');
    const size_t plus = s.find('+', at == std::string::npos ? 0 : at);
    if (at == std::string::npos || plus == std::string::npos)
        return false;
    const std::string kind = s.substr(0, at);
    for (const Named& n : kFaults)
        if (kind == n.name)
        {
            out->kind = n.kind;
            return seconds(s.substr(at + 1, plus - at - 1), &out->start) &&
                   seconds(s.substr(plus + 1), &out->duration);
        }
    return false;
}

const char* faultName(FaultKind kind)
{
    for (const Named& n : kFaults)
        if (n.kind == kind)
            return n.name;
    return "?";
}

Wire::Wire(const std::vector<FaultWindow>& faults, uint64_t seed) : _faults(faults), _rng(seed ^ 0xFA17u) {}

const FaultWindow* Wire::activeAt(double now) const
{
    for (const FaultWindow& f : _faults)
        if (now >= f.start && now < f.start + f.duration)
            return &f;
    return nullptr;
}

std::string Wire::mangle(FaultKind kind, const std::string& chunk)
{
    std::string c = chunk;
    if (c.empty())
        return c;
    switch (kind)
    {
    case FAULT_GARBAGE:
        for (char& ch : c)
            ch = static_cast<char>(_rng() & 0xFF);
        break;
    case FAULT_BAD_CRC:
    {
        // A sentence's check text follows its last '*'; a record's CRC is its last byte.
        const size_t star = c[0] == '$' ? c.rfind('*') : std::string::npos;
        if (star != std::string::npos && star + 1 < c.size())
            c[star + 1] = nextHexDigit(c[star + 1]);
        else
            c.back() = static_cast<char>(c.back() ^ 0x01);
        break;
    }
    case FAULT_DROP_BYTES:
    {
        const size_t always = static_cast<size_t>(_rng() % c.size());
        std::string kept;
        for (size_t i = 0; i < c.size(); i++)
            if (i != always && _rng() % 8 != 0)
                kept += c[i];
        c = kept;
        break;
    }
    default:
        break;
    }
    return c;
}

void Wire::send(const std::string& chunk, double now)
{
    const FaultWindow* f = activeAt(now);
    if (f != nullptr && f->kind == FAULT_SILENT)
        return;
    double when = now;
    if (f != nullptr && f->kind == FAULT_SLOW)
        when = now + kSlowDelay;
    // Nothing overtakes what was sent before it.
    if (!_queue.empty() && _queue.back().first > when)
        when = _queue.back().first;
    const std::string out = f != nullptr ? mangle(f->kind, chunk) : chunk;
    if (!out.empty())
        _queue.push_back(std::make_pair(when, out));
}

std::vector<std::string> Wire::due(double now)
{
    std::vector<std::string> out;
    while (!_queue.empty() && _queue.front().first <= now)
    {
        out.push_back(_queue.front().second);
        _queue.pop_front();
    }
    return out;
}

double Wire::nextDue() const { return _queue.empty() ? 1e300 : _queue.front().first; }

} // namespace aq9sim
