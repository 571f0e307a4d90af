#include "CalRunWatch.h"

#include <dirent.h>
#include <errno.h>
#include <math.h>
#include <string.h>
#include <sys/stat.h>

#include "AQ9.h"
#include "CalOutputFiles.h"
#include "CalPicture.h"

namespace {

const char kLogAnnounce[] = "DataLogWriter - aqAhrs: logging to ";
const char kSnapshotAnnounce[] = "AQ9 - OneShot data written to ";
const char kBegin[] = "AQ9 - Beginning HSI Calibration.";
const char kRotation[] = "AQ9 - Got current instrument rotation for HSI Cal.";
const char kCompensation[] = "AQ9 - Got current User HSI Cal.";
const char kStarted[] = "AQ9 - Disabled onboard HSI estimator.";
const char kSolved[] = "AQ9 - Took ";

bool startsWith(const char* text, const char* prefix)
{
    return strncmp(text, prefix, strlen(prefix)) == 0;
}

int64_t nanoseconds(const timespec& t)
{
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// The newest "aq9_Hard-Soft-Iron-Calibration.dat*" in dir, or "", and when
// it was last written.
std::string newestReport(const std::string& dir, int64_t* written_ns)
{
    DIR* d = opendir(dir.c_str());
    if (d == nullptr)
        return "";
    std::string best;
    int64_t bestTime = -1;
    while (dirent* e = readdir(d))
    {
        struct stat st;
        const std::string path = dir + "/" + e->d_name;
        if (!startsWith(e->d_name, kHsiRunReportName) || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (nanoseconds(st.st_mtim) > bestTime)
        {
            bestTime = nanoseconds(st.st_mtim);
            best = path;
        }
    }
    closedir(d);
    *written_ns = bestTime;
    return best;
}

// The size of the log now, with the rows still in its writer's buffer (this
// is its process); 0, reading it whole, when it cannot be had.
int64_t logSize(const std::string& path)
{
    struct stat st;
    fflush(nullptr);
    return !path.empty() && stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

// The run's records from its attitude log, through the engine again.
void replay(CalRunSeen& run)
{
    run.replayed = false;
    if (run.ahrsLogPath.empty())
    {
        run.replayError = "the attitude log's path was not announced";
        return;
    }
    // The driver's rows still in its stream's buffer (this is its process).
    fflush(nullptr);
    const AhrsLogWindow window = {true, run.start_ns, true, run.finish_ns};
    AhrsLogRead log = AhrsLogReader_read(run.ahrsLogPath, window, run.ahrsLogStartByte);
    if (!log.ok)
    {
        run.replayError = log.error;
        return;
    }
    CalReplay_run(run.setup, log.rows, run.replay);
    run.logRecords = log.rows.size();
    run.replayed = true;
}

}  // namespace

CalRunWatch::CalRunWatch(const aq9Settings& settings, const vec3f& gravRef, std::function<void(float*, float*)> site,
                         std::function<uint32_t()> pollRate)
    : _settings(settings),
      _gravRef(gravRef),
      _site(site),
      _pollRate(pollRate),
      _current(),
      _starting(false),
      _running(false),
      _finished(false),
      _done()
{
}

void CalRunWatch::line(const timespec& when, const char* text)
{
    const aq9Settings& s = _settings;
    if (startsWith(text, kLogAnnounce))
        _ahrsLogPath = text + strlen(kLogAnnounce);
    else if (startsWith(text, kSnapshotAnnounce))
        _snapshotPath = text + strlen(kSnapshotAnnounce);
    else if (startsWith(text, kBegin))
    {
        // A start while running begins a new run; one that fails leaves none.
        _current = CalRunSeen();
        _current.start_ns = nanoseconds(when);
        SnapshotSettings now = {};
        now.ahrsRateHz = s.ahrsRate;
        _site(&now.siteLat, &now.siteLong);
        const float* g3 = _gravRef.c;
        const float g = sqrtf(g3[0] * g3[0] + g3[1] * g3[1] + g3[2] * g3[2]);
        now.gravity = g > 0 && isfinite(g) ? g : AQ9::kDefaultGravity;
        _current.setup = CalReplay_setupFrom(now, s.HSICalibrationMode3D != 0);
        _current.settingsRate = _current.setup.dataRate;
        const uint32_t polled = _pollRate ? _pollRate() : 0;
        if (polled > 0)
            _current.setup.dataRate = polled;
        _current.ahrsLogPath = _ahrsLogPath;
        _current.ahrsLogStartByte = logSize(_ahrsLogPath);
        _current.snapshotPath = _snapshotPath;
        _starting = true;
        _running = false;
    }
    else if (_starting && startsWith(text, kRotation))
        _current.setup.rot = s.Rot;
    else if (_starting && startsWith(text, kCompensation))
    {
        _current.setup.magC = s.MagCompC;
        _current.setup.magB = s.MagCompB;
    }
    else if (_starting && startsWith(text, kStarted))
    {
        _starting = false;
        _running = true;
    }
    else if (_starting && startsWith(text, "AQ9::initializeHsiRoutine - "))
        _starting = false;
    else if (_running && startsWith(text, kSolved))
    {
        _current.finish_ns = nanoseconds(when);
        replay(_current);
        _done = _current;
        _running = false;
        _finished = true;
    }
}

bool CalRunWatch::takeFinished(CalRunSeen& run)
{
    if (!_finished)
        return false;
    run = _done;
    _finished = false;
    return true;
}

bool CalRunWatch_draw(const CalRunSeen& run, const std::string& latestDir, std::string* picturePath,
                      std::string& error)
{
    int64_t written_ns = -1;
    const std::string report = newestReport(latestDir, &written_ns);
    if (!run.replayed)
        error = run.replayError;
    else if (report.empty())
        error = "no calibration report in " + latestDir;
    // The driver writes the report after the run's last line. The kernel's
    // file times lag the clock by at most a tick, so an earlier run's report,
    // written before this run's first line, never passes; this run's fails
    // only when the whole run took less than a tick.
    else if (written_ns < run.start_ns)
        error = "the newest calibration report, " + report + ", is older than this run: the driver wrote none for "
                "it (its log above says why)";
    if (!error.empty())
        return false;
    *picturePath = CalOutputFiles_besideReport(report, ".svg");
    FILE* f = fopen(picturePath->c_str(), "wxe");
    if (f == nullptr)
    {
        error = "cannot create " + *picturePath + ": " + strerror(errno);
        return false;
    }
    const std::vector<std::string> caption = {
        "Samples: " + run.ahrsLogPath + ", " + std::to_string(run.logRecords) + " records from " +
            AhrsLogReader_formatUtc(run.start_ns) + " to " + AhrsLogReader_formatUtc(run.finish_ns),
        "Report: " + report};
    CalPicture_write(f, run.replay, caption);
    const bool ok = ferror(f) == 0;
    if (fclose(f) != 0 || !ok)
    {
        error = "writing " + *picturePath + " failed";
        return false;
    }
    return true;
}

std::string CalRunWatch_rerunCommand(const CalRunSeen& run)
{
    return "aq9cal --log " + run.ahrsLogPath + " --snapshot " + run.snapshotPath + " --mode " +
           (run.setup.mode3D ? "3d" : "2d") + " --from " + AhrsLogReader_formatTime(run.start_ns) + " --to " +
           AhrsLogReader_formatTime(run.finish_ns);
}
