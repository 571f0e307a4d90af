// The AQ-9 over an SPI bus through the Linux spidev device. Every operation
// is one request/response exchange of binary frames: the request goes out in a
// first transaction and the sensor's response is clocked in during a second
// one 1000 us later. Responses are checked (length, CRC, first byte, error
// byte, command and register echoes) before their payload is parsed into the
// base's storage. The link owns the device descriptor it opens: initIface
// closes an earlier one before opening again, and the destructor closes it.
#ifndef AQ9_SPISENSOR_H
#define AQ9_SPISENSOR_H

#include <stddef.h>
#include <stdint.h>

#include "AQ9Sensor.h"

class AQ9SpiSensor : public AQ9Sensor
{
  public:
    // Borrows the parameters; the creator keeps and deletes them.
    explicit AQ9SpiSensor(AQ9SpiParams* s);
    virtual ~AQ9SpiSensor();

    virtual DeviceIF::Status initIface();
    virtual DeviceIF::Status finalizeIface();
    virtual AqError disableAsyncUartAsciiOutput();
    virtual AqError enableCrcChecksums();
    virtual AqError setupBinaryReg1DesiredOutputs();
    virtual AqError setupBinaryReg2DesiredOutputs();
    virtual AqError getMagGravRefVectors();
    virtual AqError sendHSISettings(uint8_t HSIMode, uint8_t HSIOutput, uint8_t HSIConvergeRate);
    virtual AqError sendMagCompensation();
    virtual AqError sendAccelCompensation();
    virtual AqError sendGyroCompensation();
    virtual AqError sendInstrumentRotation();
    virtual AqError sendAFEGyroTuningParameters();
    virtual AqError sendAFEAccelTuningParameters();
    virtual AqError sendAFEMagTuningParameters();
    virtual AqError sendFilterStartupBiasParameters();
    virtual AqError sendAFEBasicControlParameters();
    virtual AqError sendKnownMagDisturbanceCmd(Boolean disturbancePresent);
    virtual AqError getModelNumber();
    virtual AqError getHardwareRevisionNumber();
    virtual AqError getSerialNumber();
    virtual AqError getFirmwareVersion();
    virtual AqError getCalculatedHSICalibration();
    virtual AqError getUserHSICalibration();
    virtual AqError getInstrumentRotationMatrix();
    virtual AqError writeSettingToEEPROM();
    virtual AqError resetDevice();
    virtual AqError configureReferenceVectors(float siteLat, float siteLong, bool useMagModel, bool useGravityModel,
                                              float decimalYear);
    virtual const char* interfaceStr();
    virtual ahrsData_SensorUnits getAhrsData();
    virtual rawMeasData_SensorUnits getRawMeasData();

    // Poll requests for binary outputs 1 and 2: 0x12, n, 0, 0 and the CRC
    // (requestSize 6); responseSize is the payload size plus the 4 header bytes.
    // The buffer must hold the response length, as the second transaction
    // clocks that many bytes out of it.
    virtual AqError genBinaryReg1Request(char* buf, size_t bufSize, size_t& requestSize, size_t& responseSize);
    virtual AqError genBinaryReg2Request(char* buf, size_t bufSize, size_t& requestSize, size_t& responseSize);
    // Write requests for registers 75 and 76 without their CRC (13 and 11
    // bytes); responseSize counts the CRC the caller appends (15 and 13).
    virtual AqError genBinaryReg1Config(char* buf, size_t bufSize, size_t& requestSize, size_t& responseSize,
                                        uint16_t asyncMode, uint16_t divisor, uint8_t group,
                                        uint16_t commGroupFields, uint16_t attitudeGroupFields);
    virtual AqError genBinaryReg2Config(char* buf, size_t bufSize, size_t& requestSize, size_t& responseSize,
                                        uint16_t asyncMode, uint16_t divisor, uint8_t group,
                                        uint16_t imuGroupFields);
    // Fixed-offset readers of the two poll payloads (70 and 44 bytes read).
    virtual void parseBinaryReg1Payload(const char* payloadPtr, vec3f& ypr, vec3f& angRate, vec3f& accel,
                                        vec3f& mag, float& temp, float& pres, uint16_t& afeStatus, vec3f& yprU);
    virtual void parseBinaryReg2Payload(const char* payloadPtr, vec3f& uncompMag, vec3f& uncompAccel,
                                        vec3f& uncompGyro, float& temp, float& pres);

    // One full-duplex transfer of sizeDataOut bytes; false (logged) when it failed.
    bool spiWriteRead(const char* dataOut, size_t sizeDataOut, char* dataIn);
    // The same frame twice, 1000 us apart; the response arrives in the second.
    // The receive bytes are cleared first; false when either transfer failed.
    bool spiDoubleWR(const char* dataOut, size_t sizeDataOut, char* dataIn);
    // req1Size bytes out, 1000 us, then req2Size bytes out while the response
    // of interest comes in. The receive bytes are cleared first; false when
    // either transfer failed (both are still made, and each failure is logged).
    bool spiRequestOneTwo(const char* outBuf, char* inBuf, size_t req1Size, size_t req2Size);
    // Checks a response frame (size, CRC, first byte, error byte) and locates
    // its payload; cmdId and arg1 are stored once the first byte passed.
    AqError payloadFromRxBuf(const char* buf, size_t respSize, char& cmdId, char& arg1, const char*& payloadPtr,
                             size_t& payloadSize);

    size_t _responseSize;
    size_t _requestSize;
    size_t _payloadSize;
    char _cmdId;
    char _arg1;
    int _fd;
    const char* _payloadPtr;
    const size_t _binReg1PayloadSize;
    const size_t _binReg2PayloadSize;

  private:
    // True while _fd is a descriptor this link opened and has not closed.
    bool _deviceOpen;

    typedef AqError (*CompensationWriter)(char*, size_t*, size_t, size_t*, mat3f, vec3f);
    typedef AqError (*CompensationParser)(const char*, mat3f*, vec3f*);
    typedef AqError (*TuningWriter)(char*, size_t*, size_t, size_t*, vec3f, vec3f, vec3f);
    typedef AqError (*TuningParser)(const char*, vec3f*, vec3f*, vec3f*);

    // A compensation register (matrix c, offset b): sent from the settings and
    // stored back when the echo parses; msgs are the command, register and
    // parse failure texts.
    AqError sendCompensation(CompensationWriter gen, CompensationParser parse, uint8_t reg,
                             const char* const msgs[3], v9d& c, v3d& b);
    // An AFE tuning register: the setting's nine values as three vectors and back.
    AqError sendTuning(TuningWriter gen, TuningParser parse, uint8_t reg, const char* const msgs[3], v9d& tuning);
    // Step 1 of every exchange: capacity 256, no sizes, a clean transmit buffer.
    void beginRequest();
    // CRC, both transactions, frame check and echo check of a register exchange
    // whose generator has filled _txBuf and _responseSize.
    AqError exchange(char expectedCmd, uint8_t expectedReg, const char* cmdMsg, const char* regMsg);
    // The two set-up writes: CRC, the frame sent twice, frame check.
    AqError exchangeTwice();
    // Keeps a text register's parse inside the checked frame.
    void terminateAtCrc();
    AqError genBinaryRequest(uint8_t output, size_t payloadSize, char* buf, size_t bufSize, size_t& requestSize,
                             size_t& responseSize);
    AqError setupBinaryOutput(uint8_t reg, size_t nGroupFields, const uint16_t* groupFields, const char* cmdMsg,
                              const char* regMsg);
    int transfer(const char* dataOut, size_t size, char* dataIn);
    // Closes the device when this link has it open; logged when close fails.
    void closeDevice();
    // The poll's response passed its checks and echoes 0x12 and the output number.
    bool pollAnswered(uint8_t output);
};

#endif
