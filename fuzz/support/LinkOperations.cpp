#include "LinkOperations.h"

#include <stdlib.h>
#include <string.h>

#include "FuzzReader.h"

namespace {

template <size_t N>
void checkTerminated(const char (&text)[N])
{
    if (memchr(text, '\0', N) == nullptr)
        abort();
}

template <class Record>
void checkRecord(const Record& r)
{
    if (r.dataGood > 1)
        abort();
    if (r.dataGood == 0)
    {
        Record zero;
        memset(&zero, 0, sizeof zero);
        if (memcmp(&zero, &r, sizeof r) != 0)
            abort();
    }
}

}  // namespace

#define OP(call) {#call, [](AQ9Sensor& s, FuzzReader& in) { (void)in; s.call; }}

const LinkOperation kLinkOperations[] = {
    OP(disableAsyncUartAsciiOutput()),
    OP(enableCrcChecksums()),
    OP(setupBinaryReg1DesiredOutputs()),
    OP(setupBinaryReg2DesiredOutputs()),
    OP(getMagGravRefVectors()),
    OP(sendHSISettings(in.byte(), in.byte(), in.byte())),
    OP(sendMagCompensation()),
    OP(sendAccelCompensation()),
    OP(sendGyroCompensation()),
    OP(sendInstrumentRotation()),
    OP(sendAFEGyroTuningParameters()),
    OP(sendAFEAccelTuningParameters()),
    OP(sendAFEMagTuningParameters()),
    OP(sendFilterStartupBiasParameters()),
    OP(sendAFEBasicControlParameters()),
    OP(sendKnownMagDisturbanceCmd(in.byte() & 1)),
    OP(getModelNumber()),
    OP(getHardwareRevisionNumber()),
    OP(getSerialNumber()),
    OP(getFirmwareVersion()),
    OP(getCalculatedHSICalibration()),
    OP(getUserHSICalibration()),
    OP(getInstrumentRotationMatrix()),
    OP(writeSettingToEEPROM()),
    OP(resetDevice()),
    OP(configureReferenceVectors(in.word() / 100.0f - 90, in.word() / 100.0f - 180, in.byte() & 1, in.byte() & 1,
                                 2000 + in.byte() / 4.0f)),
    OP(getAhrsData()),
    OP(getRawMeasData()),
    OP(finalizeIface()),
};

#undef OP

const size_t kLinkOperationCount = sizeof kLinkOperations / sizeof kLinkOperations[0];

void checkLinkState(AQ9Sensor& link)
{
    checkTerminated(link._modelNumber);
    checkTerminated(link._firmwareVersion);
    checkRecord(link._ahrsData);
    checkRecord(link._rawMeasData);
}
