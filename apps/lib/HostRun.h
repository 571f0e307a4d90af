// aq9host's run: the link, the two blocks and the unchanged driver task on
// the host platform, from start-up to a clean end. Once a second, in the
// driver's own thread, the status line is printed and every tick hook is
// called; a hook added by a program sees the blocks, the driver and the
// beginning and end of each calibration run.
#ifndef HOST_RUN_H
#define HOST_RUN_H

#include <functional>
#include <string>
#include <vector>

#include "AQ9.h"
#include "CalRunWatch.h"
#include "AQ9Output.h"
#include "AQ9RawMeasOutput.h"
#include "HostClaim.h"
#include "HostOptions.h"
#include "SimChild.h"

// What a tick hook sees.
struct HostTick
{
    double elapsed_s;                   // since polling began
    const AQ9Output::Data& ahrs;        // the blocks as last published
    const AQ9RawMeasOutput::Data& raw;
    const AQ9& driver;                  // hsiNumKeptPoints(), hsiSolution(), hsiFom(), missedPeriods(), ...
    bool calibrating;                   // a calibration run is in progress
    bool calibrationStarted;            // a run began since the last tick
    bool calibrationFinished;           // a run ended since the last tick (its report is written)
    const std::string& logDirectory;    // where the driver's files go: <AUV_LOG_DIR or /tmp>/latest
};

typedef std::function<void(const HostTick&)> HostTickHook;

// Against aq9sim the ten-minute settling wait of the start-up becomes this
// fraction of it.
const double kHostSimTimeScale = 0.001;

class HostRun
{
  public:
    explicit HostRun(const HostOptions& options);
    ~HostRun();
    HostRun(const HostRun&) = delete;
    HostRun& operator=(const HostRun&) = delete;

    // Called once a second while the driver polls, after the status line.
    void addTickHook(const HostTickHook& hook);

    // The whole run. Returns the exit status: 0 when the start-up succeeded
    // and both polls published, 1 otherwise (the reason on standard error).
    int run();

  private:
    class Driver;
    struct Link;

    bool prepareDirectories();
    bool startSimulator();
    bool prepareMission();
    bool openLink(Link& link);
    int poll(Driver& driver, AQ9Sensor& sensor, AQ9Output& ahrs, AQ9RawMeasOutput& raw);
    void tick(Driver& driver, AQ9Sensor& sensor, AQ9Output& ahrs, AQ9RawMeasOutput& raw);
    void listFiles() const;
    void drawFinishedRun();

    HostOptions _o;
    HostClaim _claim;           // this run's queue and block names, held to the end
    std::vector<HostTickHook> _hooks;
    std::string _latest;        // <log dir>/latest
    std::string _mission;       // the file the driver reads
    std::string _defaultMission;  // a file of aq9host's own, removed at the end
    std::string _simState;      // aq9sim's state file, when simulated
    std::string _terminal;      // the simulator's pseudo-terminal
    SimChild _sim;
    CalRunWatch* _watch;        // the driver's calibration runs, while it exists
    bool _failed;               // a failure seen while polling (the simulator ended)
    bool _wasCalibrating;
    bool _printedHeading;
    double _startMono;
    long long _startRealtime;
};

#endif
