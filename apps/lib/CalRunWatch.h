// The calibration runs of a driver in this same process, followed through its
// own system-log lines as they are written (the host platform's log observer),
// so that a host program can draw each run when it ends. All lines come from
// the driver's thread, between its polls, so the stamp of the run's first line
// precedes every record it offered and the stamp of its last line follows
// them: the window of the attitude log is exact. What the driver gave the
// engine is read from the link's settings at the lines that announce it.
// The run is computed again at its last line, before the driver can start
// another: the engine is one per process, and a replay during the driver's
// next run would reset that run's keep state.
#ifndef CAL_RUN_WATCH_H
#define CAL_RUN_WATCH_H

#include <stdint.h>
#include <time.h>

#include <functional>
#include <string>

#include "AQ9Structs.h"
#include "CalReplay.h"

struct CalRunSeen
{
    int64_t start_ns;   // "AQ9 - Beginning HSI Calibration."
    int64_t finish_ns;  // "AQ9 - Took ... to solve the HSI sol."
    CalReplaySetup setup;      // dataRate: the rate the driver gave the engine
    uint32_t settingsRate;     // the rate its settings (and so its snapshot) named at the start
    std::string ahrsLogPath;   // the attitude log being written, as its writer announced it
    int64_t ahrsLogStartByte;  // its size at the run's first line: the run's records come after
    std::string snapshotPath;  // the last settings snapshot the driver wrote
    // The run again from the log, done at its last line; replayError says
    // why not when it could not be.
    bool replayed;
    std::string replayError;
    CalReplay replay;
    size_t logRecords;
};

class CalRunWatch
{
  public:
    // settings and gravRef: the link's (AQ9Sensor::_settings, _gravRefVector);
    // site: the driver's site in degrees (AQ9::siteLat(), siteLong());
    // pollRate: the rate it gives the engine (AQ9::ahrsPollRate()), which
    // stays that of the first start-up's poll when a re-initialisation
    // changed the setting.
    CalRunWatch(const aq9Settings& settings, const vec3f& gravRef, std::function<void(float*, float*)> site,
                std::function<uint32_t()> pollRate);
    // One system-log line, in the driver's thread. The run's last line reads
    // the attitude log and runs the engine again.
    void line(const timespec& when, const char* text);
    // The run that finished since the last call, if one did.
    bool takeFinished(CalRunSeen& run);

  private:
    const aq9Settings& _settings;
    const vec3f& _gravRef;
    std::function<void(float*, float*)> _site;
    std::function<uint32_t()> _pollRate;
    std::string _ahrsLogPath;
    std::string _snapshotPath;
    CalRunSeen _current;
    bool _starting;  // first line seen, start not yet complete
    bool _running;
    bool _finished;
    CalRunSeen _done;
};

// Draws a finished, replayed run into <report stem>.svg beside the newest
// calibration report in latestDir, which must have been written since the
// run began (the driver writes it at the run's end). The picture's path, or
// false with the reason.
bool CalRunWatch_draw(const CalRunSeen& run, const std::string& latestDir, std::string* picturePath,
                      std::string& error);

// The aq9cal command line that runs the same calibration again from the files.
std::string CalRunWatch_rerunCommand(const CalRunSeen& run);

#endif
