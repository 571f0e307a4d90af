#include "PreviewSite.h"

#include <cstring>

namespace korvan {

namespace {

void keep(const KorvanEntry& entry, void* context)
{
    static_cast<std::vector<KorvanEntry>*>(context)->push_back(entry);
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The entry name a request path asks for: leading "/" removed and %XX decoded; false for a
// path that is not one ("no leading /", a broken escape).
bool nameOf(const std::string& path, std::string& name)
{
    if (path.empty() || path[0] != '/')
        return false;
    name.clear();
    for (std::size_t i = 1; i < path.size(); ++i) {
        if (path[i] != '%') {
            name += path[i];
            continue;
        }
        int high = i + 2 < path.size() ? hexValue(path[i + 1]) : -1;
        int low = high >= 0 ? hexValue(path[i + 2]) : -1;
        if (low < 0)
            return false;
        name += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

}  // namespace

bool PreviewSite::load(const uint8_t* data, std::size_t size, std::string& fault)
{
    char text[256];
    _entries.clear();
    if (korvan_list(data, size, keep, &_entries, text, sizeof text))
        return true;
    fault = text;
    _entries.clear();
    return false;
}

const KorvanEntry* PreviewSite::byName(const std::string& name) const
{
    for (const KorvanEntry& entry : _entries)
        if (entry.nameLength == name.size() && std::memcmp(entry.name, name.data(), name.size()) == 0)
            return &entry;
    return nullptr;
}

const KorvanEntry* PreviewSite::find(const std::string& target) const
{
    std::string name;
    if (!nameOf(target.substr(0, target.find_first_of("?#")), name))
        return nullptr;
    if (!name.empty())
        return byName(name);
    const KorvanEntry* index = byName("index.htm");
    return index ? index : byName("index.html");
}

std::size_t PreviewSite::headerless() const
{
    std::size_t count = 0;
    for (const KorvanEntry& entry : _entries)
        count += entry.headerLength == 0;
    return count;
}

}  // namespace korvan
