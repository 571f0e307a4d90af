#include "ArchiveWriter.h"

#include "OutputPath.h"
#include "format/ArchiveFormat.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvan {

namespace {

constexpr std::size_t kCopyBufferSize = 64 * 1024;
constexpr int kTemporaryAttempts = 100;

char copyBuffer[kCopyBufferSize];
char temporaryName[PATH_MAX];
OutputTarget target;

// Creates a new file "<target>.<pid>-<n>.tmp" beside the file it will replace (never an
// existing one), with the permissions of the file it replaces.
std::FILE* createTemporary()
{
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        int n = std::snprintf(temporaryName, sizeof temporaryName, "%s.%ld-%d.tmp", target.path,
                              static_cast<long>(getpid()), attempt);
        if (n < 0 || static_cast<std::size_t>(n) >= sizeof temporaryName)
            return nullptr;
        int fd = open(temporaryName, O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return nullptr;
        std::FILE* out = nullptr;
        if (!target.exists || fchmod(fd, target.mode) == 0)
            out = fdopen(fd, "wb");
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
    std::fwrite(KORVAN_MAGIC, 1, KORVAN_MAGIC_SIZE, out);
    for (int i = 0; i < files.count; ++i) {
        const FileRecord& file = files.files[i];
        uint8_t record[KORVAN_RECORD_SIZE];
        korvan_encodeRecord({file.nameLength, file.entrySize, file.offset}, record);
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
bool copySource(std::FILE* out, std::FILE* in, const char* path, std::size_t size, LeftOut& left)
{
    std::size_t got = std::fread(copyBuffer, 1, size, in);
    std::fwrite(copyBuffer, 1, got, out);
    writeZeros(out, size - got);
    if (got < size)
        leaveOut(left, LEFT_OUT_SHORT_READ, path);
    return got == size;
}

// Writes one entry: its header, then the file, or zeros over the file's planned size when
// it cannot be opened (the header stays, so a server never sends zeros as its header);
// false when its data is not complete.
bool writeEntry(std::FILE* out, const char* root, const MimeTable& mime, const FileRecord& file, LeftOut& left)
{
    static char path[kJoinedSize];
    joinField(path, sizeof path, root, file.relative);
    uint32_t headerLength = headerLengthOf(mime, file.mimeIndex);
    if (file.mimeIndex >= 0)
        std::fwrite(mime.entries[file.mimeIndex].header, 1, headerLength, out);
    std::FILE* in = std::fopen(path, "rb");
    if (!in) {
        leaveOut(left, LEFT_OUT_UNOPENED, path);
        writeZeros(out, file.entrySize - headerLength);
        return false;
    }
    bool complete = copySource(out, in, path, file.entrySize - headerLength, left);
    std::fclose(in);
    return complete;
}

// Writes every entry's data; false when some source could not be read in full.
bool writeEntries(std::FILE* out, const char* root, const MimeTable& mime, const FileTable& files, LeftOut& left)
{
    bool complete = true;
    for (int i = 0; i < files.count; ++i)
        complete = writeEntry(out, root, mime, files.files[i], left) && complete;
    return complete;
}

// Closes the temporary archive and moves it onto the target; false (temporary removed) on failure.
bool finish(std::FILE* out, const char* output)
{
    bool written = !std::ferror(out);
    written = std::fclose(out) == 0 && written;
    if (!written) {
        std::fprintf(stderr, "\nERROR writing output file %s!\n", output);
    } else if (std::rename(temporaryName, target.path) != 0) {
        std::fprintf(stderr, "\nERROR opening output file %s!\n", output);
        written = false;
    }
    if (!written)
        unlink(temporaryName);
    return written;
}

}  // namespace

ExitStatus writeArchive(const char* root, const char* output, const MimeTable& mime, const FileTable& files,
                        LeftOut& left)
{
    if (!resolveOutput(output, target))
        return EXIT_NO_OUTPUT;
    std::FILE* out = createTemporary();
    if (!out) {
        std::fprintf(stderr, "\nERROR opening output file %s!\n", output);
        return EXIT_NO_OUTPUT;
    }
    writeDirectory(out, files);
    bool complete = writeEntries(out, root, mime, files, left);
    if (!finish(out, output))
        return EXIT_NO_OUTPUT;
    return complete ? EXIT_OK : EXIT_SOURCE_UNREADABLE;
}

}  // namespace korvan
