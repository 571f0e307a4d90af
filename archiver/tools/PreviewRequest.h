#pragma once
// One HTTP request answered as the device would: the named entry's bytes as they are, or a
// short error page. The answer always ends with the connection, as in HTTP/1.0.
#include "PreviewSite.h"

#include <cstddef>
#include <cstdint>

namespace korvan {

struct PreviewAnswer {
    int status;            // 200, or the error sent: 400, 404, 501
    const uint8_t* bytes;  // the whole response; points into the archive or a fixed text
    std::size_t length;
    const KorvanEntry* entry;  // null unless status is 200
};

// Answers the request whose head (request line and header lines) is the n bytes at head.
PreviewAnswer answerRequest(const PreviewSite& site, const char* head, std::size_t n);

}  // namespace korvan
