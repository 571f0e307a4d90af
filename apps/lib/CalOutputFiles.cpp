#include "CalOutputFiles.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kBase = "aq9cal_Hard-Soft-Iron-Calibration";
const int kMaxSuffix = 9999;

std::string name(const std::string& dir, int suffix, const char* ext)
{
    std::string path = dir + "/" + kBase;
    if (suffix > 0)
        path += "." + std::to_string(suffix);
    return path + ext;
}

bool closeOne(FILE*& f, const std::string& path, std::string& error)
{
    if (f == nullptr)
        return true;
    bool ok = ferror(f) == 0;
    if (fclose(f) != 0)
        ok = false;
    f = nullptr;
    if (!ok && error.empty())
        error = "writing " + path + " failed: " + strerror(errno != 0 ? errno : EIO);
    return ok;
}

// Gives up the files of one attempt.
void discard(CalOutputFiles& out)
{
    std::string ignored;
    FILE** files[] = {&out.report, &out.picture, &out.samples};
    const std::string* paths[] = {&out.reportPath, &out.picturePath, &out.samplesPath};
    for (int i = 0; i < 3; i++)
        if (*files[i] != nullptr)
        {
            closeOne(*files[i], *paths[i], ignored);
            unlink(paths[i]->c_str());
        }
}

}  // namespace

bool CalOutputFiles_create(const std::string& dir, bool withSamples, CalOutputFiles& out, std::string& error)
{
    // A directory named for this run is made; its parent must exist.
    if (mkdir(dir.c_str(), 0775) != 0 && errno != EEXIST)
    {
        error = "cannot create directory " + dir + ": " + strerror(errno);
        return false;
    }
    for (int suffix = 0; suffix <= kMaxSuffix; suffix++)
    {
        out = CalOutputFiles();
        out.reportPath = name(dir, suffix, ".dat");
        out.picturePath = name(dir, suffix, ".svg");
        out.samplesPath = withSamples ? name(dir, suffix, ".csv") : "";
        FILE** files[] = {&out.report, &out.picture, &out.samples};
        const std::string* paths[] = {&out.reportPath, &out.picturePath, &out.samplesPath};
        int failedErrno = 0;
        for (int i = 0; i < (withSamples ? 3 : 2) && failedErrno == 0; i++)
        {
            *files[i] = fopen(paths[i]->c_str(), "wxe");
            if (*files[i] == nullptr)
                failedErrno = errno;
        }
        if (failedErrno == 0)
            return true;
        discard(out);
        if (failedErrno != EEXIST)
        {
            error = "cannot create files in " + dir + ": " + strerror(failedErrno);
            return false;
        }
    }
    error = std::string("no free name for ") + kBase + ".* in " + dir;
    return false;
}

bool CalOutputFiles_close(CalOutputFiles& files, std::string& error)
{
    bool ok = closeOne(files.report, files.reportPath, error);
    ok = closeOne(files.picture, files.picturePath, error) && ok;
    ok = closeOne(files.samples, files.samplesPath, error) && ok;
    return ok;
}

std::string CalOutputFiles_besideReport(const std::string& reportPath, const char* ext)
{
    const size_t dat = reportPath.rfind(".dat");
    if (dat == std::string::npos)
        return reportPath + ext;
    std::string suffix = reportPath.substr(dat + 4);  // "" or ".N"
    return reportPath.substr(0, dat) + suffix + ext;
}
