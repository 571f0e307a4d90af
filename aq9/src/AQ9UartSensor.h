// The AQ-9 over a serial line. Configuration and read-back use the sensor's
// CRC-checked ASCII register protocol with the port in line mode; measurement
// records are polled binary outputs read byte-exactly with the port in raw
// mode. Every response goes through the packet finder into packetFoundHandler,
// which hands a reply only to the operation waiting for its command and
// register: it stores what the reply carries and clears that operation's flag.
// A reply nobody waits for (a late one, or one for another register) is
// logged and dropped; an operation that gives up lowers its flag.
#ifndef AQ9_UARTSENSOR_H
#define AQ9_UARTSENSOR_H

#include <stddef.h>

#include "AQ9Sensor.h"
#include "SerialDevice.h"
#include "aq/protocol/upackf.h"

class AQ9UartSensor : public AQ9Sensor
{
  public:
    explicit AQ9UartSensor(SerialDevice* device);
    virtual ~AQ9UartSensor();

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
    // "$AQBOM,1" / "$AQBOM,2" with CRC trailer; responseSize is left as it was.
    virtual AqError genBinaryReg1Request(char* buf, size_t bufSize, size_t& requestSize, size_t& responseSize);
    virtual AqError genBinaryReg2Request(char* buf, size_t bufSize, size_t& requestSize, size_t& responseSize);

    // Line mode for ASCII commands (IGNCR and INLCR added to the input flags).
    DeviceIF::Status setSerialPortNonRaw(SerialDevice* device);
    // Raw mode for binary records.
    DeviceIF::Status setSerialPortRaw(SerialDevice* device);
    AqError registerPacketFoundHandler();
    // Clears the port, then sends nBytes of cmd.
    void writeCommand(const char* cmd, size_t nBytes);
    // Sends _txBuf until the handler flips *successFlag. After maxRetries: the
    // error the sensor reported meanwhile (1000 + its number), else E_UNKNOWN.
    AqError retryWriteIfSuccessFlagFalse(Boolean* successFlag, size_t maxRetries, unsigned int timeoutMiliSeconds);
    AqError retryWriteIfSuccessFlagFalse(Boolean* successFlag);
    // One read of response text, handed to the packet finder.
    void processAsciiRecords();
    static void packetFoundHandler(void* userData, AqUartPacket* packet, size_t runningIndexOfPacketStart);
    // Reads one binary record starting at its sync byte; its length, or 0.
    int retrieveUartBinaryRecords(char* buf, size_t bufSize);
    void processBinaryPacket(char* buf, size_t nbytes);

    size_t _requestSize;
    static AQ9UartSensor* _pthis;

    bool gIsCheckingForModelNumberResponse;
    bool gIsCheckingForAsyncOutputTypeResponse;
    bool gIsCheckingForBinaryRegister1Response;
    bool gIsCheckingForBinaryRegister2Response;
    bool gIsCheckingforCommProtoControlTypeResponse;
    bool gIsCheckingForReferenceVectorResponse;
    bool gIsCheckingForHSIResponse;
    bool gIsCheckingForMagCompResponse;
    bool gIsCheckingForAccelCompResponse;
    bool gIsCheckingForGyroCompResponse;
    bool gIsCheckingForRotationResponse;
    bool gIsCheckingForAFEGyroResponse;
    bool gIsCheckingForAFEAccelResponse;
    bool gIsCheckingForAFEMagResponse;
    bool gIsCheckingForStartupBiasResponse;
    bool gIsCheckingForAFEBasicControlResponse;
    bool gIsCheckingForHardwareVersionResponse;
    bool gIsCheckingForSerialNumberResponse;
    bool gIsCheckingForFWVersionResponse;
    bool gIsCheckingForOnboardHSICalResponse;
    bool gIsCheckingForEERPROMSaveResponse;
    bool gIsCheckingForResetResponse;
    bool gIsCheckingForReferenceVectorConfigResponse;
    bool gIsCheckingForKnownMagneticDisturbanceResponse;

    SerialDevice* _serDevice;
    AqUartPacketFinder _up;

    // The reply the operation in flight waits for: the code after "$AQ" of the
    // command sent and, for register reads and writes, the register number (-1
    // for other commands). The code is empty while nothing waits.
    struct ReplyKey
    {
        char code[4];
        int reg;
    };
    ReplyKey _awaited;
    // The error the sensor last reported (1000 + its number) during the
    // current command's attempts; E_NONE when it reported none.
    AqError _sensorError;

  private:
    void initBools();
    // Raises flag, then sends the command in _txBuf until answered.
    AqError awaitResponse(bool* flag);
    // Length of the command in _txBuf without its check text, for messages.
    size_t commandTextLength() const;
    // Empties _txBuf so a new command is the only text in it.
    void clearTxBuf();
    // Sends the command just built unless its generator failed (then it is
    // never sent and the generator's error is the result).
    AqError sendBuilt(AqError built, bool* flag);
    // Handler pieces: a register response, a reply nobody waits for, an error
    // report, the two binary layouts.
    void handleResponse(AqUartPacket* packet);
    void dropStrayReply(const AqUartPacket* packet);
    void takeSensorError(AqUartPacket* packet);
    // The key of a command or reply text of n bytes; false when it has none.
    static bool keyOf(const uint8_t* text, size_t n, ReplyKey* key);
    void storeAhrsRecord(AqUartPacket* packet);
    void storeRawMeasRecord(AqUartPacket* packet);
    int readSyncByte(char* buf);
    int readBinaryRecord(char* buf, size_t bufSize);
    // Sends the poll of binary output 1 or 2 in raw mode and reads its record.
    int pollBinaryOutput(int output);
};

#endif
