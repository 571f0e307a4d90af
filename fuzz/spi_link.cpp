// The SPI link against a scripted bus (support/OsCalls.cpp): its bring-up and
// every operation the driver asks of it, each transfer's received bytes taken
// from the input (raw bytes, a silent bus, failed transfers, or frames with a
// good CRC that echo the request or carry any header).
#include <stdlib.h>

#include "AQ9SpiSensor.h"
#include "LinkOperations.h"
#include "Script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzReader in(data, size);
    fuzzSetScript(&in);
    {
        AQ9SpiParams params("/dev/spidev0.0");
        AQ9SpiSensor link(&params);
        link.initIface();
        for (int step = 0; step < 64 && !in.empty(); step++)
        {
            kLinkOperations[in.byte() % kLinkOperationCount].run(link, in);
            checkLinkState(link);
            // Every exchange stays inside the link's 256-byte buffers.
            if (link._responseSize > sizeof link._rxBuf || link._requestSize > sizeof link._txBuf)
                abort();
        }
    }
    fuzzSetScript(nullptr);
    return 0;
}
