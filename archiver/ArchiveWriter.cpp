#include "ArchiveWriter.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace korvan {

namespace {

constexpr std::size_t kCopyBufferSize = 64 * 1024;
constexpr int kTemporaryAttempts = 100;
const char kMagic[4] = {'Z', 'n', 'T', '1'};

char copyBuffer[kCopyBufferSize];
char temporaryName[PATH_MAX];

// Creates a new file "<output>.<pid>-<n>.tmp" beside the output (never an existing one).
std::FILE* createTemporary(const char* output)
{
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        int n = std::snprintf(temporaryName, sizeof temporaryName, "%s.%ld-%d.tmp", output,
                              static_cast<long>(getpid()), attempt);
        if (n < 0 || static_cast<std::size_t>(n) >= sizeof temporaryName)
            return nullptr;
        int fd = open(temporaryName, O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return nullptr;
        std::FILE* out = fdopen(fd, "wb");
        if (!out) {
            close(fd);
            unlink(temporaryName);
        }
        return out;
    }
    return nullptr;
}

void writeDirectory(std::FILE* out, const FileTable& files)
{
    std::fwrite(kMagic, 1, sizeof kMagic, out);
    for (int i = 0; i < files.count; ++i) {
        const FileRecord& file = files.files[i];
        const unsigned char record[7] = {
            file.nameLength,
            static_cast<unsigned char>(file.entrySize), static_cast<unsigned char>(file.entrySize >> 8),
            static_cast<unsigned char>(file.offset), static_cast<unsigned char>(file.offset >> 8),
            static_cast<unsigned char>(file.offset >> 16), static_cast<unsigned char>(file.offset >> 24)};
        std::fwrite(record, 1, sizeof record, out);
        std::fwrite(file.relative, 1, file.nameLength, out);
    }
    std::fputc(0, out);
}

// Writes size zero bytes, standing in for data that could not be read.
void writeZeros(std::FILE* out, std::size_t size)
{
    std::memset(copyBuffer, 0, size);
    std::fwrite(copyBuffer, 1, size, out);
}

// Copies size bytes of an open source, padding with zeros whatever it falls short of
// (a file grown since it was listed is cut to its planned size); false when short.
bool copySource(std::FILE* out, std::FILE* in, const char* path, std::size_t size)
{
    std::size_t got = std::fread(copyBuffer, 1, size, in);
    std::fwrite(copyBuffer, 1, got, out);
    writeZeros(out, size - got);
    if (got < size)
        std::printf(" (ERROR: Could not read file %s)\n", path);
    return got == size;
}

// Writes one entry: header and file, or zeros over its whole planned size when the file
// cannot be opened; false when its data is not complete.
bool writeEntry(std::FILE* out, const char* root, const MimeTable& mime, const FileRecord& file)
{
    static char path[kJoinedSize];
    joinField(path, sizeof path, root, file.relative);
    std::FILE* in = std::fopen(path, "rb");
    if (!in) {
        std::printf(" (ERROR: Could not open file %s)\n", path);
        writeZeros(out, file.entrySize);
        return false;
    }
    uint32_t headerLength = headerLengthOf(mime, file.mimeIndex);
    if (file.mimeIndex >= 0)
        std::fwrite(mime.entries[file.mimeIndex].header, 1, headerLength, out);
    bool complete = copySource(out, in, path, file.entrySize - headerLength);
    std::fclose(in);
    return complete;
}

// Writes every entry's data; false when some source could not be read in full.
bool writeEntries(std::FILE* out, const char* root, const MimeTable& mime, const FileTable& files)
{
    bool complete = true;
    for (int i = 0; i < files.count; ++i)
        complete = writeEntry(out, root, mime, files.files[i]) && complete;
    return complete;
}

// Closes the temporary archive and moves it to output; false (temporary removed) on failure.
bool finish(std::FILE* out, const char* output)
{
    bool written = !std::ferror(out);
    written = std::fclose(out) == 0 && written;
    if (!written) {
        std::printf("\nERROR writing output file %s!\n", output);
    } else if (std::rename(temporaryName, output) != 0) {
        std::printf("\nERROR opening output file %s!\n", output);
        written = false;
    }
    if (!written)
        unlink(temporaryName);
    return written;
}

}  // namespace

ExitStatus writeArchive(const char* root, const char* output, const MimeTable& mime,
                        const FileTable& files)
{
    std::FILE* out = createTemporary(output);
    if (!out) {
        std::printf("\nERROR opening output file %s!\n", output);
        return EXIT_NO_OUTPUT;
    }
    writeDirectory(out, files);
    bool complete = writeEntries(out, root, mime, files);
    if (!finish(out, output))
        return EXIT_NO_OUTPUT;
    return complete ? EXIT_OK : EXIT_SOURCE_UNREADABLE;
}

}  // namespace korvan
