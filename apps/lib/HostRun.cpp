#include "HostRun.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "AQ9SpiSensor.h"
#include "AQ9UartSensor.h"
#include "Exception.h"
#include "HostPlatform.h"
#include "HostSignals.h"
#include "HostStatus.h"
#include "SerialDevice.h"
#include "SimState.h"

namespace {

double monotonicSeconds()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

// Creates dir and its parents; false with errno set.
bool makeDirectories(const std::string& dir)
{
    for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1))
    {
        const std::string part = dir.substr(0, slash);
        if (mkdir(part.c_str(), 0775) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

void setNumber(const char* variable, double value)
{
    char text[32];
    snprintf(text, sizeof text, "%.9g", value);
    setenv(variable, text, 1);
}

// The calibration runs followed through the driver's log lines; the host
// platform's log observer is a plain function.
CalRunWatch* gWatch = nullptr;

void observeLog(const timespec& when, const char* text)
{
    if (gWatch != nullptr)
        gWatch->line(when, text);
}

bool published(const timespec& t, int status)
{
    return status == DeviceIF::Ok && (t.tv_sec != 0 || t.tv_nsec != 0);
}

// What the driver reads when no mission file is given: its defaults, except
// that the calibration stored in the sensor is kept. The defaults alone would
// replace it with the identity and save that to the sensor's EEPROM.
const char kDefaultMission[] =
    "# aq9host without --cfg: the driver's defaults, keeping the sensor's stored\n"
    "# magnetometer calibration.\n"
    "LoadNewHSICalibration = false;\n";

// What a user lacking the rights to a device node needs to hear.
const char* permissionHint(const std::string& path, const char* remedy)
{
    static std::string hint;
    if (access(path.c_str(), F_OK) != 0 || access(path.c_str(), R_OK | W_OK) == 0)
        return "";
    hint = std::string(" (you may not read and write it: ") + remedy + "; see the README)";
    return hint.c_str();
}

}  // namespace

// The driver task with aq9host's two timers beside its polls: the status
// tick and the end of --duration. The task itself is the unchanged AQ9.
class HostRun::Driver : public AQ9
{
  public:
    Driver(AQ9Sensor* s, AQ9Output* o, AQ9RawMeasOutput* r, const char* mission) : AQ9(s, o, r, mission) {}
    void startTimers(double duration_s, const std::function<void()>& onTick)
    {
        _onTick = onTick;
        addPeriodicCallback(1000, static_cast<CallbackMethod>(&Driver::tick));
        if (duration_s > 0)
        {
            const double ms = std::min(ceil(duration_s * 1000.0), 4.0e9);
            addPeriodicCallback(static_cast<unsigned int>(ms), static_cast<CallbackMethod>(&Driver::end));
        }
    }

  private:
    void tick() { _onTick(); }
    void end() { hostplatform::requestStop(); }
    std::function<void()> _onTick;
};

// Destroyed link first, then what it borrows.
struct HostRun::Link
{
    std::unique_ptr<SerialDevice> serial;
    std::unique_ptr<AQ9SpiParams> spi;
    std::unique_ptr<AQ9Sensor> sensor;
};

HostRun::HostRun(const HostOptions& options)
    : _o(options),
      _watch(nullptr),
      _failed(false),
      _wasCalibrating(false),
      _printedHeading(false),
      _startMono(0),
      _startRealtime(0)
{
}

HostRun::~HostRun()
{
    if (!_defaultMission.empty())
        unlink(_defaultMission.c_str());
}

void HostRun::addTickHook(const HostTickHook& hook)
{
    _hooks.push_back(hook);
}

// The log directory and the navigation site go to the driver and the platform
// through the environment.
bool HostRun::prepareDirectories()
{
    if (!_o.logDir.empty())
        setenv("AUV_LOG_DIR", _o.logDir.c_str(), 1);
    if (_o.haveSite)
    {
        setNumber("AQ9_NAV_LAT", _o.lat);
        setNumber("AQ9_NAV_LON", _o.lon);
    }
    if (_o.haveDeclination)
        setNumber("AQ9_NAV_DECLINATION", _o.declination);
    const char* dir = getenv("AUV_LOG_DIR");
    _latest = std::string(dir != nullptr && dir[0] != '\0' ? dir : "/tmp") + "/latest";
    if (!makeDirectories(_latest))
    {
        fprintf(stderr, "aq9host: cannot create %s: %s\n", _latest.c_str(), strerror(errno));
        return false;
    }
    fprintf(stderr, "aq9host: logs, settings snapshot and calibration reports go to %s\n", _latest.c_str());
    return true;
}

bool HostRun::startSimulator()
{
    std::vector<std::string> args = SimChild_arguments(_o.simArgs);
    const auto given = std::find(args.begin(), args.end(), "--state");
    if (given == args.end())
    {
        _simState = _latest + "/aq9sim-state.json";
        args.push_back("--state");
        args.push_back(_simState);
    }
    else if (given + 1 != args.end())
        _simState = *(given + 1);
    std::string error;
    const std::string program = SimChild_program();
    if (!_sim.start(program, args, &error))
    {
        fprintf(stderr, "aq9host: the simulator did not start: %s\n", error.c_str());
        return false;
    }
    HostSignals_child(_sim.pid());
    _terminal = _sim.terminal();
    hostplatform::setTimeScale(kHostSimTimeScale);
    fprintf(stderr,
            "aq9host: simulated sensor on %s (%s, state file %s); its start-up waits are shortened %g times, "
            "which a real sensor never gets\n",
            _terminal.c_str(), program.c_str(), _simState.c_str(), 1.0 / kHostSimTimeScale);
    return true;
}

bool HostRun::prepareMission()
{
    if (!_o.cfg.empty())
    {
        _mission = _o.cfg;
        return true;
    }
    char path[] = "/tmp/aq9host-defaults-XXXXXX.cfg";
    const int fd = mkstemps(path, 4);
    const ssize_t size = static_cast<ssize_t>(sizeof kDefaultMission - 1);
    if (fd < 0 || write(fd, kDefaultMission, static_cast<size_t>(size)) != size)
    {
        fprintf(stderr, "aq9host: cannot write the default mission file %s: %s\n", path, strerror(errno));
        if (fd >= 0)
            close(fd);
        return false;
    }
    close(fd);
    _defaultMission = _mission = path;
    HostSignals_removeOnEnd(path);
    fprintf(stderr, "aq9host: no --cfg: the driver's defaults, keeping the sensor's stored magnetometer calibration\n");
    return true;
}

bool HostRun::openLink(Link& link)
{
    if (_o.link == HOST_LINK_SPI)
    {
        // The link would only report its first ioctl failing on a node it
        // could not open; say why here.
        const int fd = open(_o.device.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
        {
            fprintf(stderr, "aq9host: cannot open %s: %s%s\n", _o.device.c_str(), strerror(errno),
                    permissionHint(_o.device, "a udev rule giving a group of yours the spidev nodes"));
            return false;
        }
        close(fd);
        link.spi.reset(new AQ9SpiParams(_o.device.c_str()));
        link.sensor.reset(new AQ9SpiSensor(link.spi.get()));
        return true;
    }
    const std::string path = _o.link == HOST_LINK_SIM ? _terminal : _o.device;
    try
    {
        link.serial.reset(new SerialDevice(path.c_str()));
    }
    catch (Exception& e)
    {
        fprintf(stderr, "aq9host: %.*s%s\n", static_cast<int>(sizeof e.msg), e.msg,
                permissionHint(path, "usually membership of the group dialout"));
        return false;
    }
    link.sensor.reset(new AQ9UartSensor(link.serial.get()));
    return true;
}

void HostRun::tick(Driver& driver, AQ9Sensor& sensor, AQ9Output& ahrs, AQ9RawMeasOutput& raw)
{
    const double elapsed = monotonicSeconds() - _startMono;
    const bool calibrating = sensor._hsiRunning != 0;
    std::string how;
    if (_o.link == HOST_LINK_SIM && !_sim.alive(&how))
    {
        fprintf(stderr, "aq9host: the simulator ended (%s); stopping\n", how.c_str());
        _failed = true;
        hostplatform::requestStop();
    }
    if (!_o.quiet)
    {
        HostStatus s = {elapsed, &ahrs.data, calibrating, driver.hsiNumKeptPoints(), driver.missedPeriods(), false,
                        0.0};
        if (!_simState.empty())
            s.haveHeadingError =
                SimState_number(SimState_read(_simState), {"lastPoll", "magHeadingErrorDeg"}, &s.headingError_deg);
        if (!_printedHeading)
            printf("%s\n", HostStatus_heading().c_str());
        _printedHeading = true;
        printf("%s\n", HostStatus_line(s).c_str());
        fflush(stdout);
    }
    const HostTick t = {elapsed, ahrs.data, raw.data, driver, calibrating, calibrating && !_wasCalibrating,
                        !calibrating && _wasCalibrating, _latest};
    _wasCalibrating = calibrating;
    for (const HostTickHook& hook : _hooks)
        hook(t);
    drawFinishedRun();
}

// A picture of each finished calibration run beside its report, drawn from the
// attitude log over exactly the run's window with what the driver gave the engine.
void HostRun::drawFinishedRun()
{
    CalRunSeen seen;
    if (_watch == nullptr || !_watch->takeFinished(seen))
        return;
    std::string picture, error;
    if (CalRunWatch_draw(seen, _latest, &picture, error))
        fprintf(stderr, "aq9host: calibration run drawn in %s; to run it again: %s\n", picture.c_str(),
                CalRunWatch_rerunCommand(seen).c_str());
    else
        fprintf(stderr, "aq9host: no picture of the calibration run: %s\n", error.c_str());
    if (seen.settingsRate != seen.setup.dataRate)
        fprintf(stderr,
                "aq9host: the run had data at %u Hz, the rate of the polls since the first start-up; the settings "
                "snapshot names %u Hz (ahrsRate changed at a re-initialisation), so aq9cal's re-run of it differs\n",
                static_cast<unsigned>(seen.setup.dataRate), static_cast<unsigned>(seen.settingsRate));
}

int HostRun::poll(Driver& driver, AQ9Sensor& sensor, AQ9Output& ahrs, AQ9RawMeasOutput& raw)
{
    if (hostplatform::stopRequested())
    {
        fprintf(stderr, "aq9host: stopped before the first poll\n");
        return 1;
    }
    if (_o.duration > 0)
        fprintf(stderr, "aq9host: started; polling for %g s\n", _o.duration);
    else
        fprintf(stderr, "aq9host: started; polling until SIGINT or SIGTERM\n");
    _startMono = monotonicSeconds();
    driver.startTimers(_o.duration, [&] { tick(driver, sensor, ahrs, raw); });
    driver.run();
    if (_failed)
        return 1;
    const bool ahrsOk = published(ahrs.data.sampleTime, ahrs.data.status);
    const bool rawOk = published(raw.data.sampleTime, raw.data.status);
    if (!ahrsOk || !rawOk)
    {
        fprintf(stderr, "aq9host: no %s record was published: the sensor did not answer the polls\n",
                !ahrsOk ? "attitude" : "raw-measurement");
        return 1;
    }
    return 0;
}

void HostRun::listFiles() const
{
    DIR* d = opendir(_latest.c_str());
    if (d == nullptr)
        return;
    std::vector<std::string> names;
    while (dirent* e = readdir(d))
    {
        struct stat st;
        const std::string path = _latest + "/" + e->d_name;
        if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_mtime >= _startRealtime)
            names.push_back(e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    std::string list;
    for (const std::string& n : names)
        list += " " + n;
    fprintf(stderr, "aq9host: files of this run in %s:%s\n", _latest.c_str(), list.empty() ? " none" : list.c_str());
}

int HostRun::run()
{
    _startRealtime = static_cast<long long>(time(nullptr));
    // Before anything is made: another aq9host may own the names.
    std::string why;
    if (!_claim.take(&why))
    {
        fprintf(stderr, "aq9host: %s\n", why.c_str());
        return 1;
    }
    // What a killed run left would be shared with this one and outlive it.
    const std::string left = _claim.clearLeftovers();
    if (!left.empty())
        fprintf(stderr, "aq9host: %s\n", left.c_str());
    if (!HostSignals_install() || !prepareDirectories() || !prepareMission())
        return 1;
    if (_o.link == HOST_LINK_SIM && !startSimulator())
        return 1;
    Link link;
    if (!openLink(link))
        return 1;
    if (_o.link != HOST_LINK_SIM)
        fprintf(stderr,
                "aq9host: starting the sensor on %s takes about ten minutes: the driver saves the mounting rotation "
                "to the sensor's EEPROM, which must settle before the sensor is reset; the count-down follows. "
                "SIGINT stops after it, a second SIGINT at once\n",
                _o.device.c_str());
    int status = 1;
    {
        AQ9Output ahrs(SharedData::ReadWrite, 1);
        AQ9RawMeasOutput raw(SharedData::ReadWrite, 1);
        // Watched from before the start-up, which names the attitude log, to
        // after the driver, whose end finishes a run still in progress.
        const Driver* current = nullptr;
        CalRunWatch watch(
            link.sensor->_settings, link.sensor->_gravRefVector,
            [&current](float* lat, float* lon) {
                *lat = current != nullptr ? current->siteLat() : 0;
                *lon = current != nullptr ? current->siteLong() : 0;
            },
            [&current] { return current != nullptr ? current->ahrsPollRate() : 0u; });
        {
            Driver driver(link.sensor.get(), &ahrs, &raw, _mission.c_str());
            current = &driver;
            _watch = gWatch = &watch;
            hostplatform::setLogObserver(observeLog);
            HostSignals_startingUp(true);
            const DeviceIF::Status init = driver.initialize();
            HostSignals_startingUp(false);
            if (init != DeviceIF::Ok)
                fprintf(stderr, "aq9host: the driver's start-up failed (the log above says where)\n");
            else
                status = poll(driver, *link.sensor, ahrs, raw);
            current = nullptr;
        }  // a calibration run still in progress is finished and reported here
        hostplatform::setLogObserver(nullptr);
        drawFinishedRun();
        _watch = gWatch = nullptr;
        link.sensor.reset();
        link.spi.reset();
        link.serial.reset();  // before the simulator's terminal goes
    }
    if (_o.link == HOST_LINK_SIM)
    {
        HostSignals_child(-1);
        _sim.stop();
    }
    listFiles();
    return status;
}
