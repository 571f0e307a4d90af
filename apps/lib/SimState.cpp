#include "SimState.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>

std::string SimState_read(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool SimState_numbers(const std::string& json, const std::vector<std::string>& keys, std::vector<double>* values)
{
    size_t at = 0;
    for (const std::string& k : keys)
    {
        at = json.find("\"" + k + "\"", at);
        if (at == std::string::npos)
            return false;
        at += k.size() + 2;
    }
    at = json.find_first_not_of(" \t\n:", at);
    if (at == std::string::npos)
        return false;
    const bool list = json[at] == '[';
    const char* p = json.c_str() + at + (list ? 1 : 0);
    values->clear();
    for (;;)
    {
        char* end = nullptr;
        const double v = strtod(p, &end);
        if (end == p)
            break;
        values->push_back(v);
        p = end;
        while (*p == ' ' || *p == ',' || *p == '\n')
            p++;
        if (!list)
            break;
    }
    return !values->empty();
}

bool SimState_number(const std::string& json, const std::vector<std::string>& keys, double* value)
{
    std::vector<double> v;
    if (!SimState_numbers(json, keys, &v))
        return false;
    *value = v[0];
    return true;
}
