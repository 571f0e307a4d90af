// Lifecycle of the driver task: construction, the initialisation sequence,
// the periodic callbacks, command handling and destruction.
#include "AQ9.h"

#include <stdlib.h>
#include <string.h>

#include "AQ9SettingsRules.h"
#include "Syslog.h"

AQ9::AQ9(AQ9Sensor* aqs, AQ9Output* output, AQ9RawMeasOutput* rawOutput, const char* cfgFileName)
    : PeriodicTask("AQ9"),
      data(),
      _aqs(aqs),
      _configFile(strdup(cfgFileName != nullptr ? cfgFileName : "")),
      _status(DeviceIF::Initializing),
      _log(nullptr),
      _rawMeasLog(nullptr),
      _hsiLog(nullptr),
      _output(output),
      _rawMeasOutput(rawOutput),
      _cmdQ(nullptr),
      _aq9IF(nullptr),
      _hsiSamples{nullptr, kHsiBufferCapacity, 0, 0},
      _hsiConfig(),
      _hsiSol(),
      _hsiFom(),
      _hsiFomScore(),
      _attributes(new Attributes("AQ9")),
      _ahrsSensorData(&aqs->_ahrsData),
      _rawMeasSensorData(&aqs->_rawMeasData),
      _gVector(),
      _onboardHSIMatrix(),
      _onboardHSIOffset(),
      // The default site until a navigation query succeeds, so the sensor
      // never gets an undefined position.
      _siteLat(kDefaultSiteLat),
      _siteLong(kDefaultSiteLong),
      _decimalYear(0),
      _initialized(0),
      _gravityFallbackLogged(0),
      _magCalFromDefaults(0),
      _navIF(nullptr),
      _set(),
      ahrsPeriod_ms(0),
      rawMeasPeriod_ms(0)
{
    _aqs->_hsiRunning = 0;

    Syslog::write("AQ9 - opening interface to server");
    try
    {
        _aq9IF = new AQ9IF("AQ9IFServer", 10);
        Syslog::write("AQ9 - Interface opened to AQ9Server OK");
    }
    catch (...)
    {
        Syslog::write("AQ9 - Unable to open interface to AQ9Server");
        _aq9IF = nullptr;
    }

    _cmdQ = new AQ9Command(MessageQueue::ReadWrite);

    // Consumers see the blocks cleared and marked Initializing until the first poll.
    _output->clear();
    _output->data.status = _status;
    _output->write();
    _rawMeasOutput->clear();
    _rawMeasOutput->data.status = _status;
    _rawMeasOutput->write();

    _gVector.c[0] = 0;
    _gVector.c[1] = 0;
    _gVector.c[2] = -kDefaultGravity;
    // The SIGALRM set is ready from the start, so a run finished at destruction
    // is masked even when no initialisation completed.
    sigemptyset(&_set);
    sigaddset(&_set, SIGALRM);
}

AQ9::~AQ9()
{
    // A run cut short by shutdown is solved and reported like a finished one.
    finishRunningHsiRoutine();
    delete _log;
    delete _rawMeasLog;
    delete _hsiLog;
    delete _attributes;
    delete _aq9IF;
    delete _cmdQ;
    free(_hsiSamples.kept);
    delete _navIF;
    free(const_cast<char*>(_configFile));
}

DeviceIF::Status AQ9::initialize()
{
    initializeDefaultSettingsStruct();
    // The first run's readInConfigFile released the set; a re-initialisation
    // declares the attributes into a fresh one.
    if (_attributes == nullptr)
        _attributes = new Attributes("AQ9");
    populateAttributes(*_attributes);
    if (readInConfigFile() != DeviceIF::Ok)
    {
        Syslog::write("AQ9 - could not load config file. Exiting.");
        return DeviceIF::Error;
    }
    // Checked at every initialisation and before the sensor is touched: a bad
    // rate is refused at once, not after the whole sequence and its waits.
    if (checkPollingRates() != DeviceIF::Ok)
        return DeviceIF::Error;
    if (_aqs->initIface() != DeviceIF::Ok)
        return DeviceIF::Error;
    if (initializeLogs() != DeviceIF::Ok)
        return DeviceIF::Error;
    if (sendSettingsToSensor() != DeviceIF::Ok)
        return DeviceIF::Error;
    saveSensorSettingsToFile();
    if (_aqs->finalizeIface() != DeviceIF::Ok)
        return DeviceIF::Error;
    if (!_initialized && registerCallbacks() != DeviceIF::Ok)
        return DeviceIF::Error;
    sigemptyset(&_set);
    sigaddset(&_set, SIGALRM);
    return DeviceIF::Ok;
}

// A rate of 0 (or a negative one) would divide by zero in the period, and one
// above 1000 Hz would give a period of 0 ms.
DeviceIF::Status AQ9::checkPollingRates()
{
    const int64_t rates[2] = {_aqs->_settings.ahrsRate, _aqs->_settings.rawMeasRate};
    for (int64_t rate : rates)
    {
        if (!AQ9Settings_pollingRateValid(rate))
        {
            Syslog::write("AQ9 - invalid polling rate %lld Hz", static_cast<long long>(rate));
            return DeviceIF::Error;
        }
    }
    return DeviceIF::Ok;
}

// Registers the two polls once; later initialisations keep the first periods.
// A poll the task could not register (no timer left) fails the initialisation,
// which would otherwise report Ok with the sensor never polled; the next one
// registers only the poll that is missing.
DeviceIF::Status AQ9::registerCallbacks()
{
    if (!_ahrsPolled)
    {
        ahrsPeriod_ms = static_cast<uint32_t>(1000 / _aqs->_settings.ahrsRate);
        _ahrsPolled = addPeriodicCallback(ahrsPeriod_ms, static_cast<CallbackMethod>(&AQ9::ahrsCallback)) >= 0;
    }
    if (!_rawPolled)
    {
        rawMeasPeriod_ms = static_cast<uint32_t>(1000 / _aqs->_settings.rawMeasRate);
        _rawPolled = addPeriodicCallback(rawMeasPeriod_ms, static_cast<CallbackMethod>(&AQ9::rawMeasCallback)) >= 0;
    }
    if (!_ahrsPolled || !_rawPolled)
    {
        Syslog::write("AQ9 - could not register the %s poll", !_ahrsPolled ? "AHRS" : "raw measurement");
        return DeviceIF::Error;
    }
    _initialized = 1;
    return DeviceIF::Ok;
}

void AQ9::ahrsCallback()
{
    *_ahrsSensorData = _aqs->getAhrsData();
    if (!_ahrsSensorData->dataGood)
        return;
    data = sensorToConsumerData(*_ahrsSensorData);
    writeOutput();
    if (_log != nullptr)
        _log->write();
    if (_aqs->_hsiRunning)
        keepHsiSample(*_ahrsSensorData);
}

void AQ9::rawMeasCallback()
{
    *_rawMeasSensorData = _aqs->getRawMeasData();
    if (!_rawMeasSensorData->dataGood)
        return;
    data = sensorToConsumerData(*_rawMeasSensorData);
    writeRawMeasOutput();
    if (_rawMeasLog != nullptr)
        _rawMeasLog->write();
}

void AQ9::hsiCallback()
{
    if (_aqs->getCalculatedHSICalibration() != E_NONE)
    {
        Syslog::write("AQ9 - Error getting Hard+Soft Iron calibration data.");
        return;
    }
    _onboardHSIMatrix = _aqs->_onboardHSIMatrix;
    _onboardHSIOffset = _aqs->_onboardHSIOffset;
    if (_hsiLog != nullptr)
        _hsiLog->write();
}

void AQ9::action(TaskInterface*, EventCode eventCode)
{
    _output->read();
    if (eventCode != AQ9IF::MessagesWaiting)
        Syslog::write("AQ9::action - unrecognized evend (%d)", eventCode);

    AQ9Command::Command cmd;
    int nmsgs = 0;
    // The queue is drained completely on every call; one record is reused.
    while (_cmdQ->read(&cmd) > 0)
    {
        nmsgs++;
        if (cmd._cmd < AQ9Command::StartBatchIronCalibration || cmd._cmd > AQ9Command::SetRefVecYear)
        {
            nmsgs--;
            Syslog::write("AQ9::action - Invalid command: %d", static_cast<int>(cmd._cmd));
            continue;
        }
        executeCommand(cmd);
    }
}

void AQ9::sendStoredHsiSettings(const char* errorText, const char* doneText)
{
    aq9Settings& s = _aqs->_settings;
    if (_aqs->sendHSISettings(s.HSIMode, s.HSIOutput, s.HSIConvergeRate) != E_NONE)
        Syslog::write("%s", errorText);
    Syslog::write("%s", doneText);
}

void AQ9::updateReferenceVectors(const char* errorText)
{
    if (_aqs->configureReferenceVectors(_siteLat, _siteLong, true, true, _decimalYear) != E_NONE)
        Syslog::write("%s", errorText);
}

void AQ9::executeCommand(const AQ9Command::Command& cmd)
{
    aq9Settings& s = _aqs->_settings;
    switch (cmd._cmd)
    {
    case AQ9Command::StartBatchIronCalibration:
        blockSIGALRM();
        initializeHsiRoutine(_hsiConfig);
        unblockSIGALRM();
        break;
    case AQ9Command::FinishBatchIronCalibration:
        blockSIGALRM();
        finalizeHsiRoutine(_hsiConfig);
        unblockSIGALRM();
        break;
    case AQ9Command::DisableHSIEstimator:
        s.HSIMode = AQHSIMODE_OFF;
        sendStoredHsiSettings("AQ9::action - error disabling HSI", "AQ9::action - AQHSIMODE_OFF");
        break;
    case AQ9Command::EnableHSIEstimator:
        s.HSIMode = AQHSIMODE_RUN;
        sendStoredHsiSettings("AQ9::action - error enabling HSI", "AQ9::action - AQHSIMODE_RUN");
        break;
    case AQ9Command::ResetHSISolution:
        // The reset is a one-shot request: the stored mode is left as it is.
        if (_aqs->sendHSISettings(AQHSIMODE_RESET, s.HSIOutput, s.HSIConvergeRate) != E_NONE)
            Syslog::write("AQ9::action - error resetting HSI");
        Syslog::write("AQ9::action - AQHSIMODE_RESET");
        break;
    case AQ9Command::UseAqSensorHSI:
        s.HSIOutput = AQHSIOUTPUT_USEONBOARD;
        sendStoredHsiSettings("AQ9::action - error setting HSIOutput=AQHSIOUTPUT_USEONBOARD",
                              "AQ9::action - AQHSIOUTPUT_USEONBOARD");
        break;
    case AQ9Command::IgnoreAqSensorHSI:
        s.HSIOutput = AQHSIOUTPUT_NOONBOARD;
        sendStoredHsiSettings("AQ9::action - error setting HSIOutput=AQHSIOUTPUT_NOONBOARD",
                              "AQ9::action - AQHSIOUTPUT_NOONBOARD");
        break;
    case AQ9Command::ResetDevice:
        // A reset or a re-initialisation may bring back another compensation
        // than the one the run's samples were taken with: the run ends first.
        finishRunningHsiRoutine();
        if (_aqs->resetDevice() != E_NONE)
            Syslog::write("AQ9::action - error resetting device.");
        break;
    case AQ9Command::ReInitDevice:
        finishRunningHsiRoutine();
        initialize();
        break;
    case AQ9Command::SetRefVecPosition:
        // A position no site has (NaN from a damaged record, say) would reach
        // the sensor's reference vectors and every later calibration run.
        if (!AQ9Settings_sitePositionValid(cmd._v.c[0], cmd._v.c[1]))
        {
            Syslog::write("AQ9::action - ref. vec. pos %f,%f refused (latitude %g to %g, longitude %g to %g); "
                          "keeping %f,%f",
                          cmd._v.c[0], cmd._v.c[1], kAQ9MinLatitude, kAQ9MaxLatitude, kAQ9MinLongitude,
                          kAQ9MaxLongitude, _siteLat, _siteLong);
            break;
        }
        _siteLat = cmd._v.c[0];
        _siteLong = cmd._v.c[1];
        updateReferenceVectors("AQ9::action - failed to update reference vector lat/long.");
        Syslog::write("AQ9::action - new ref. vec. pos: %f,%f", _siteLat, _siteLong);
        break;
    case AQ9Command::SetRefVecYear:
        if (!AQ9Settings_decimalYearValid(cmd._float))
        {
            Syslog::write("AQ9::action - ref. vec. decimal year %f refused (%g to %g); keeping %f", cmd._float,
                          kAQ9MinDecimalYear, kAQ9MaxDecimalYear, _decimalYear);
            break;
        }
        _decimalYear = cmd._float;
        updateReferenceVectors("AQ9::action - failed to update reference vector decimal year.");
        Syslog::write("AQ9::action - new ref. vec. decimal year: %f", _decimalYear);
        break;
    default:
        break;
    }
}

void AQ9::blockSIGALRM()
{
    sigprocmask(SIG_BLOCK, &_set, nullptr);
}

void AQ9::unblockSIGALRM()
{
    sigprocmask(SIG_UNBLOCK, &_set, nullptr);
}
