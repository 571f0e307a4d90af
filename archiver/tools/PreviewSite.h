#pragma once
// An archive as the device's web server sees it: each entry answers a GET of its name with
// its bytes as they are, header included, and "/" is the site's index page.
#include "format/ArchiveList.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvan {

class PreviewSite {
public:
    // Takes the archive of size bytes at data, which must outlive the site; false with the
    // archive's first fault when it is not sound.
    bool load(const uint8_t* data, std::size_t size, std::string& fault);

    // The entry that answers a request for target (as in the request line, e.g.
    // "/img/a%20b.gif?v=2"): query removed, %XX decoded, "/" taken as "index.htm" or else
    // "index.html"; null when no entry has that name.
    const KorvanEntry* find(const std::string& target) const;

    std::size_t entries() const { return _entries.size(); }
    std::size_t headerless() const;  // entries stored without an HTTP header

private:
    const KorvanEntry* byName(const std::string& name) const;

    std::vector<KorvanEntry> _entries;
};

}  // namespace korvan
