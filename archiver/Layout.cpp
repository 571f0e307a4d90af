#include "Layout.h"

#include "format/ArchiveFormat.h"

#include <cstdio>

namespace korvan {

void assignMimeTypes(FileTable& files, const MimeTable& mime)
{
    for (int i = 0; i < files.count; ++i) {
        FileRecord& file = files.files[i];
        file.mimeIndex = matchExtension(mime, file.relative);
        if (file.mimeIndex < 0)
            std::fprintf(stderr, "Warning: Unknown file extension (%s)\n", file.relative);
        // Collection already refused files whose header would not fit beside them.
        file.entrySize = static_cast<uint16_t>(file.entrySize + headerLengthOf(mime, file.mimeIndex));
    }
}

uint32_t directorySize(const FileTable& files)
{
    uint32_t size = KORVAN_MAGIC_SIZE + KORVAN_END_MARK_SIZE;
    for (int i = 0; i < files.count; ++i)
        size += KORVAN_RECORD_SIZE + files.files[i].nameLength;
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
