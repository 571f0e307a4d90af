// The mission-file reader on any file text, then the driver's 92 attributes
// with the host's attribute kinds on what it read, as the driver loads its
// configuration. Whatever the text: a file with a malformed line hands over
// nothing, every entry has its line, and every value that reached the
// settings is one the sensor can take (finite and within a float's range for
// the values sent as floats).
#include <float.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include "AQ9SettingsTable.h"
#include "Attributes.h"
#include "ConfigFileReader.h"

namespace {

// The text as a file with a name ConfigFile_read can open: an in-memory file.
int fileWith(const uint8_t* data, size_t size, char* path, size_t pathSize)
{
    const int fd = memfd_create("mission.cfg", 0);
    if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size))
        abort();
    snprintf(path, pathSize, "/proc/self/fd/%d", fd);
    return fd;
}

void checkSettings(Attributes& attributes)
{
    for (int i = 0; i < attributes.list.size(); i++)
    {
        Attribute* a = attributes.list.array[i];
        if (strcmp(a->typeMnem(), "Float") != 0)
            continue;
        const double v = strtod(a->valueString(), nullptr);
        if (!isfinite(v) || fabs(v) > FLT_MAX)
            abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    char path[64];
    const int fd = fileWith(data, size, path, sizeof path);
    AttributeInputList inputs(10);
    ConfigFileReport report;
    const ConfigFileStatus status = ConfigFile_read(path, &inputs, &report);
    close(fd);
    if (static_cast<size_t>(inputs.size()) != report.entryLines.size())
        abort();
    if (status == CONFIGFILE_MALFORMED && (inputs.size() != 0 || report.malformedLines.empty()))
        abort();
    if (status == CONFIGFILE_OK)
    {
        Attributes attributes("AQ9");
        aq9Settings settings;
        memset(&settings, 0, sizeof settings);
        AQ9SettingsTable_addAttributes(attributes, settings);
        if (attributes.list.size() != AQ9SettingsTable_count())
            abort();
        attributes.parse(&inputs);
        attributes.verify();
        checkSettings(attributes);
    }
    ConfigFile_freeInputs(&inputs);
    return 0;
}
