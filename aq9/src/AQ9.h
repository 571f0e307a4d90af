// The AQ-9 driver task: owns the use of one sensor link, its settings, the two
// output blocks' contents, the data logs, the command queue and the calibration
// runs. All of it runs in the task's own thread; the only concurrency is the
// SIGALRM-driven callbacks against action(), handled by masking SIGALRM.
#ifndef AQ9_H
#define AQ9_H

#include <signal.h>
#include <stddef.h>
#include <stdint.h>
#include <time.h>

#include "AQ9Command.h"
#include "AQ9IF.h"
#include "AQ9Log.h"
#include "AQ9Output.h"
#include "AQ9RawMeasOutput.h"
#include "AQ9Sensor.h"
#include "AQ9Structs.h"
#include "Attributes.h"
#include "DeviceIF.h"
#include "HsiRun.h"
#include "NavigationIF.h"
#include "PeriodicTask.h"
#include "aq/hsi/aqhsi.h"

// Values of the sensor's onboard estimator enumerations.
enum AqHsiMode
{
    AQHSIMODE_OFF = 0,
    AQHSIMODE_RUN = 1,
    AQHSIMODE_RESET = 2
};
enum AqHsiOutput
{
    AQHSIOUTPUT_NOONBOARD = 1,
    AQHSIOUTPUT_USEONBOARD = 3
};

// Decimal year of a local date: year + day-of-year / days-in-year, both terms
// rounded to float, summed in double and rounded to float.
float decimalYearOf(const struct tm& t);

class AQ9 : public PeriodicTask
{
  public:
    // Capacity of the kept-measurement buffer of one calibration run.
    static const uint32_t kHsiBufferCapacity = kHsiRunBufferCapacity;
    // Site used until a navigation query succeeds, and when the server cannot be reached.
    static constexpr float kDefaultSiteLat = 36.806f;
    static constexpr float kDefaultSiteLong = -121.9421f;
    // Magnitude of the gravity vector the task starts with, m/s^2.
    static constexpr float kDefaultGravity = 9.793746f;

    AQ9(AQ9Sensor* aqs, AQ9Output* output, AQ9RawMeasOutput* rawOutput, const char* cfgFileName);
    virtual ~AQ9();

    DeviceIF::Status status() { return _status; }
    DeviceIF::Status initialize();
    DeviceIF::Status readInConfigFile();

    void ahrsCallback();
    void rawMeasCallback();
    void hsiCallback();

    // Settings (record defaults, attributes, typed accessors).
    void initializeDefaultSettingsStruct();
    DeviceIF::Status populateAttributes(Attributes& attrib);
    unsigned int ahrsRate();
    void ahrsRate(unsigned int v);
    unsigned int rawMeasRate();
    void rawMeasRate(unsigned int v);
    unsigned int hsiLogInterval_sec();
    void hsiLogInterval_sec(unsigned int v);
    unsigned int AsyncRegister();
    void AsyncRegister(unsigned int v);
    bool saveHSIonExit();
    void saveHSIonExit(Boolean v);
    uint8_t HSIMode();
    void HSIMode(uint8_t v);
    uint8_t HSIOutput();
    void HSIOutput(uint8_t v);
    uint8_t HSIConvergeRate();
    void HSIConvergeRate(uint8_t v);
    uint8_t AFEBasic_Enable();
    void AFEBasic_Enable(uint8_t v);
    uint8_t AFEBasic_HeadingMode();
    void AFEBasic_HeadingMode(uint8_t v);
    uint8_t AFEBasic_FilteringMode();
    void AFEBasic_FilteringMode(uint8_t v);
    uint8_t AFEBasic_TuningMode();
    void AFEBasic_TuningMode(uint8_t v);
    v9d AFEMagTuning();
    void AFEMagTuning(v9d& v);
    v9d AFEAccelTuning();
    void AFEAccelTuning(v9d& v);
    v3d GyroStartupBias();
    void GyroStartupBias(v3d& v);
    v3d AccelStartupBias();
    void AccelStartupBias(v3d& v);
    v9d AFEGyroTuning();
    void AFEGyroTuning(v9d& v);
    v9d GyroCompC();
    void GyroCompC(v9d& v);
    v3d GyroCompB();
    void GyroCompB(v3d& v);
    v9d AccelCompC();
    void AccelCompC(v9d& v);
    v3d AccelCompB();
    void AccelCompB(v3d& v);
    v9d MagCompC();
    void MagCompC(v9d& v);
    v3d MagCompB();
    void MagCompB(v3d& v);
    v9d Rveh_inst();
    void Rveh_inst(v9d& v);

    // Sensor configuration at start-up.
    DeviceIF::Status sendSettingsToSensor();
    AqError sendReferenceVectorConfig();

    // Consumer outputs.
    aq9DataConsumerUnits sensorToConsumerData(ahrsData_SensorUnits ad);
    aq9DataConsumerUnits sensorToConsumerData(rawMeasData_SensorUnits rd);
    void writeOutput();
    void writeRawMeasOutput();
    float vec3fMag(vec3f v);
    vec3f gVector() { return _gVector; }

    // Data logs.
    DeviceIF::Status initializeLogs();

    // Calibration run.
    DeviceIF::Status initializeHsiRoutine(AqHsiConfig& c);
    DeviceIF::Status finalizeHsiRoutine(AqHsiConfig& c);

    // Settings snapshot.
    void saveSensorSettingsToFile();
    void v9dToStr(char* buf, v9d v, size_t bufSize);
    void v3dToStr(char* buf, v3d v, size_t bufSize);

    // Read-only views for owners and tests.
    Attributes* attributes() { return _attributes; }
    AQ9Log* ahrsLog() { return _log; }
    AQ9RawMeasLog* rawMeasLog() { return _rawMeasLog; }
    uint32_t hsiNumKeptPoints() const { return _hsiSamples.numKept; }
    uint32_t hsiDroppedPoints() const { return _hsiSamples.dropped; }
    const AqHsiSol& hsiSolution() const { return _hsiSol; }
    const AqHsiFom& hsiFom() const { return _hsiFom; }
    const unsigned int* hsiFomScore() const { return _hsiFomScore; }
    // The data rate a calibration run gives the engine (Hz): the registered poll's.
    uint32_t ahrsPollRate() const;
    float siteLat() const { return _siteLat; }
    float siteLong() const { return _siteLong; }
    float decimalYear() const { return _decimalYear; }

    aq9DataConsumerUnits data;

  private:
    void action(TaskInterface* taskInterface, EventCode eventCode);
    void executeCommand(const AQ9Command::Command& cmd);
    void sendStoredHsiSettings(const char* errorText, const char* doneText);
    void updateReferenceVectors(const char* errorText);
    void blockSIGALRM();
    void unblockSIGALRM();
    DeviceIF::Status checkPollingRates();
    DeviceIF::Status registerCallbacks();
    void keepHsiSample(const ahrsData_SensorUnits& record);
    void finishRunningHsiRoutine();
    void loadHsiResult(const aq_mat3f& si, const aq_vec3f& hi);
    float gravityMagnitude();

    AQ9Sensor* _aqs;
    const char* _configFile;
    DeviceIF::Status _status;
    AQ9Log* _log;
    AQ9RawMeasLog* _rawMeasLog;
    AQ9IronCalibrationLog* _hsiLog;
    AQ9Output* _output;
    AQ9RawMeasOutput* _rawMeasOutput;
    AQ9Command* _cmdQ;
    AQ9IF* _aq9IF;
    // The run's kept samples; the buffer exists only while a run does.
    HsiRunSamples _hsiSamples;
    AqHsiConfig _hsiConfig;
    AqHsiSol _hsiSol;
    AqHsiFom _hsiFom;
    unsigned int _hsiFomScore[AQHSI_NUM_FOM];
    Attributes* _attributes;
    ahrsData_SensorUnits* _ahrsSensorData;
    rawMeasData_SensorUnits* _rawMeasSensorData;
    vec3f _gVector;
    mat3f _onboardHSIMatrix;
    vec3f _onboardHSIOffset;
    float _siteLat;
    float _siteLong;
    float _decimalYear;
    Boolean _initialized;
    bool _ahrsPolled = false;  // each poll registered with the task
    bool _rawPolled = false;
    Boolean _gravityFallbackLogged;
    // The last configuration file named no magnetometer calibration key.
    Boolean _magCalFromDefaults;
    NavigationIF* _navIF;
    sigset_t _set;
    uint32_t ahrsPeriod_ms;
    uint32_t rawMeasPeriod_ms;

    friend class AQ9TestAccess;
};

#endif
