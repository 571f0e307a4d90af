#include "PreviewRequest.h"

#include <cstring>
#include <string>

namespace korvan {

namespace {

#define ERROR_PAGE(code, text)                                                                         \
    "HTTP/1.0 " code " " text "\r\nContent-type: text/html\r\n\r\n<html><body><h1>" code " " text \
    "</h1></body></html>\n"

const char kBadRequest[] = ERROR_PAGE("400", "Bad Request");
const char kNotFound[] = ERROR_PAGE("404", "Not Found");
const char kNotImplemented[] = ERROR_PAGE("501", "Not Implemented");

PreviewAnswer fixed(int status, const char* text)
{
    return {status, reinterpret_cast<const uint8_t*>(text), std::strlen(text), nullptr};
}

}  // namespace

PreviewAnswer answerRequest(const PreviewSite& site, const char* head, std::size_t n)
{
    // Request line: METHOD SP target SP version, ended by CRLF (or a bare LF).
    const char* end = static_cast<const char*>(std::memchr(head, '\n', n));
    std::string line(head, end ? static_cast<std::size_t>(end - head) : n);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    std::size_t first = line.find(' ');
    std::size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
    if (second == std::string::npos || line.compare(second + 1, 5, "HTTP/") != 0)
        return fixed(400, kBadRequest);
    std::string target = line.substr(first + 1, second - first - 1);
    if (line.compare(0, first, "GET") != 0)
        return fixed(501, kNotImplemented);
    const KorvanEntry* entry = site.find(target);
    if (!entry)
        return fixed(404, kNotFound);
    return {200, entry->data, entry->size, entry};
}

}  // namespace korvan
