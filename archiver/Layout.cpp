#include "Layout.h"

#include <cstdio>

namespace korvan {

namespace {

constexpr uint32_t kMagicSize = 4;
constexpr uint32_t kRecordFixedSize = 7;  // name length, entry size, offset
constexpr uint32_t kEndMarkSize = 1;

}  // namespace

void assignMimeTypes(FileTable& files, const MimeTable& mime)
{
    for (int i = 0; i < files.count; ++i) {
        FileRecord& file = files.files[i];
        file.mimeIndex = matchExtension(mime, file.relative);
        if (file.mimeIndex < 0)
            std::printf("Warning: Unknown file extension (%s)\n", file.relative);
        // Collection already refused files whose header would not fit beside them.
        file.entrySize = static_cast<uint16_t>(file.entrySize + headerLengthOf(mime, file.mimeIndex));
    }
}

uint32_t directorySize(const FileTable& files)
{
    uint32_t size = kMagicSize + kEndMarkSize;
    for (int i = 0; i < files.count; ++i)
        size += kRecordFixedSize + files.files[i].nameLength;
    return size;
}

uint32_t layOut(FileTable& files)
{
    uint32_t offset = directorySize(files);
    for (int i = 0; i < files.count; ++i) {
        files.files[i].offset = offset;
        offset += files.files[i].entrySize;
    }
    return offset;
}

}  // namespace korvan
