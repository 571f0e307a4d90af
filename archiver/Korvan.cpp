// Korvan: packs a directory of web files into one "ZnT1" archive that an embedded web
// server sends from unchanged, each file preceded by the HTTP header its extension calls for.
#include "ArchiveWriter.h"
#include "Arguments.h"
#include "Collection.h"
#include "Discovery.h"
#include "Layout.h"
#include "Limits.h"
#include "MimeTable.h"

#include <cstdio>
#include <sys/stat.h>

using namespace korvan;

namespace {

const char kVersion[] = "1.40";
const char kBuildDate[] = "Jan 24 2005";
const char kMimeFile[] = "mimetype.ini";

// Tables are large; they live for the whole run.
MimeTable mimeTable;
DirectoryTable directoryTable;
FileTable fileTable;

ExitStatus readMimeTable()
{
    std::FILE* in = std::fopen(kMimeFile, "r");
    if (!in) {
        std::printf("\nERROR opening file %s!\n", kMimeFile);
        return EXIT_NO_MIME_FILE;
    }
    ExitStatus status = loadMimeTable(in, mimeTable);
    std::fclose(in);
    return status;
}

bool isDirectory(const char* path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// The whole pass after the command line: table, tree, layout, archive, summary.
ExitStatus archive(const Arguments& args)
{
    ExitStatus status = readMimeTable();
    if (status != EXIT_OK)
        return status;
    if (!isDirectory(args.directory)) {
        std::printf("Directory %s not found!\n", args.directory);
        return EXIT_NO_DIRECTORY;
    }
    std::printf("Processing directory %s\n", args.directory);
    status = discoverDirectories(args.directory, directoryTable);
    if (status == EXIT_OK)
        status = collectFiles(args.directory, directoryTable, mimeTable, fileTable);
    if (status != EXIT_OK)
        return status;
    if (fileTable.count == 0) {
        std::printf("No files to process!\n");
        return EXIT_NO_FILES;
    }
    assignMimeTypes(fileTable, mimeTable);
    uint32_t total = layOut(fileTable);
    status = writeArchive(args.directory, args.output, mimeTable, fileTable);
    if (status == EXIT_NO_OUTPUT)
        return status;
    std::printf("%d files written to %s (%u bytes).\n", fileTable.count, args.output,
                static_cast<unsigned>(total));
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    std::printf("Pellix Korvan V%s (%s).\n", kVersion, kBuildDate);
    std::printf("Convert web directory to Zento web file.\n");
    Arguments args;
    if (!parseArguments(argc, argv, args)) {
        std::printf("\nUsage: Korvan [/o <output file>] [/d <directory>]\n");
        return EXIT_USAGE;
    }
    return archive(args);
}
