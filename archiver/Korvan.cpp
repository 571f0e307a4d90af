// Korvan: packs a directory of web files into one "ZnT1" archive that an embedded web
// server sends from unchanged, each file preceded by the HTTP header its extension calls for.
// Progress and the summary go to standard output, warnings and errors to standard error.
#include "ArchiveWriter.h"
#include "Arguments.h"
#include "Collection.h"
#include "Discovery.h"
#include "Layout.h"
#include "LeftOut.h"
#include "Limits.h"
#include "MimeTable.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>

using namespace korvan;

namespace {

const char kVersion[] = "1.40";
const char kBuildDate[] = "Jan 24 2005";
const char kMimeFile[] = "mimetype.ini";
const char kUsage[] = "\nUsage: Korvan [/o <output file>] [/d <directory>]\n";
const char kHelp[] =
    "Packs a directory of web files, down to two levels below it, into one archive.\n"
    "  /o <output file>  archive to write (default zento.znt)\n"
    "  /d <directory>    directory to pack (default .)\n"
    "  -h, --help        this text\n"
    "The MIME table is read from mimetype.ini in the working directory, one record a line:\n"
    "  htm text/html; charset=utf-8\n"
    "Example: Korvan /d web /o site.znt\n";

// Tables are large; they live for the whole run.
MimeTable mimeTable;
DirectoryTable directoryTable;
FileTable fileTable;
LeftOut leftOut;

bool isDirectory(const char* path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool isRegularFile(const char* path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

// Reads the whole table file; a directory, FIFO or device by that name is no table.
ExitStatus readMimeTable()
{
    std::string text;
    std::ifstream in;
    if (isRegularFile(kMimeFile))
        in.open(kMimeFile, std::ios::binary);
    if (in.is_open())
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
        std::fprintf(stderr, "\nERROR opening file %s!\n", kMimeFile);
        return EXIT_NO_MIME_FILE;
    }
    return loadMimeTable(text.data(), text.size(), kMimeFile, mimeTable);
}

void printSummary(const char* output, uint32_t total)
{
    char leftOutText[256];
    describeLeftOut(leftOut, leftOutText, sizeof leftOutText);
    std::printf("%d files written to %s (%u bytes)%s.\n", fileTable.count, output, static_cast<unsigned>(total),
                leftOutText);
}

// The whole pass after the command line: table, tree, layout, archive, summary.
ExitStatus archive(const Arguments& args)
{
    ExitStatus status = readMimeTable();
    if (status != EXIT_OK)
        return status;
    if (!isDirectory(args.directory)) {
        std::fprintf(stderr, "Directory %s not found!\n", args.directory);
        return EXIT_NO_DIRECTORY;
    }
    std::printf("Processing directory %s\n", args.directory);
    status = discoverDirectories(args.directory, directoryTable, leftOut);
    if (status == EXIT_OK)
        status = collectFiles(args.directory, directoryTable, mimeTable, fileTable, leftOut);
    if (status != EXIT_OK)
        return status;
    if (fileTable.count == 0) {
        std::fprintf(stderr, "No files to process!\n");
        return EXIT_NO_FILES;
    }
    assignMimeTypes(fileTable, mimeTable);
    uint32_t total = layOut(fileTable);
    status = writeArchive(args.directory, args.output, mimeTable, fileTable, leftOut);
    if (status != EXIT_NO_OUTPUT)
        printSummary(args.output, total);
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    // Line by line, so progress and warnings keep their order when both go to one place.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Arguments args;
    ArgumentsResult parsed = parseArguments(argc, argv, args);
    if (parsed == ARGUMENTS_HELP) {
        std::printf("%s%s", kUsage + 1, kHelp);
        return EXIT_OK;
    }
    std::printf("Pellix Korvan V%s (%s).\n", kVersion, kBuildDate);
    std::printf("Convert web directory to Zento web file.\n");
    if (parsed == ARGUMENTS_BAD) {
        std::fprintf(stderr, "%s", kUsage);
        return EXIT_USAGE;
    }
    return archive(args);
}
