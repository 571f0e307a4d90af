// The driver's command queue "AQ9Command": other tasks post 124-byte command
// records, the driver drains them in action().
#ifndef AQ9_COMMAND_H
#define AQ9_COMMAND_H

#include <stddef.h>
#include <stdint.h>

#include "MessageQueue.h"
#include "aq/util.h"

class AQ9Command : public MessageQueue
{
  public:
    enum AQ9Commands : int32_t
    {
        None = 0,
        StartBatchIronCalibration = 1,
        FinishBatchIronCalibration = 2,
        DisableHSIEstimator = 3,
        EnableHSIEstimator = 4,
        ResetHSISolution = 5,
        UseAqSensorHSI = 6,
        IgnoreAqSensorHSI = 7,
        ResetDevice = 8,
        ReInitDevice = 9,
        SetRefVecPosition = 10,
        SetRefVecYear = 11
    };

    // The queue's message; other tasks rely on this exact layout.
    struct Command
    {
        Command();
        AQ9Commands _cmd;
        int32_t _int;
        float _float;   // decimal year of SetRefVecYear
        char _str[64];
        mat3f _M;
        vec3f _v;       // latitude, longitude (degrees) of SetRefVecPosition
    };

    explicit AQ9Command(MessageQueue::Access access);
    // Positive when a record was copied into cmd.
    int read(Command* cmd);
    int write(Command* cmd);
};

static_assert(sizeof(AQ9Command::Command) == 124, "command record size");
static_assert(offsetof(AQ9Command::Command, _int) == 4, "_int offset");
static_assert(offsetof(AQ9Command::Command, _float) == 8, "_float offset");
static_assert(offsetof(AQ9Command::Command, _str) == 12, "_str offset");
static_assert(offsetof(AQ9Command::Command, _M) == 76, "_M offset");
static_assert(offsetof(AQ9Command::Command, _v) == 112, "_v offset");

#endif
