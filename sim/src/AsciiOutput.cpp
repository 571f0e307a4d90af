#include "AsciiOutput.h"

#include <stdio.h>

#include <vector>

#include "aq/protocol/upack_commands.h"

namespace aq9sim {

namespace {

struct Part
{
    const double* values;
    int count;
    const char* format;
};

std::string join(const char* header, std::initializer_list<Part> parts)
{
    std::string body = header;
    char b[48];
    for (const Part& p : parts)
        for (int k = 0; k < p.count; k++)
        {
            snprintf(b, sizeof b, p.format, static_cast<double>(static_cast<float>(p.values[k])));
            body += ",";
            body += b;
        }
    return body;
}

} // namespace

std::string frameSentence(const std::string& body, int serialChecksum)
{
    const AqErrorDetectionMode mode = serialChecksum == 2 ? AQERRORDETECTIONMODE_CRC : AQERRORDETECTIONMODE_CHECKSUM;
    std::vector<uint8_t> buf(body.size() + 16);
    buf[0] = '$';
    std::copy(body.begin(), body.end(), buf.begin() + 1);
    size_t length = body.size() + 1;
    AqUartPacket_finalizeCommand(mode, buf.data(), &length, buf.size());
    return std::string(buf.begin(), buf.begin() + static_cast<long>(length));
}

std::string errorReport(SensorError e, int serialChecksum)
{
    char b[16];
    snprintf(b, sizeof b, "AQERR,%02X", static_cast<unsigned>(e));
    return frameSentence(b, serialChecksum);
}

std::string registerNumberText(int number)
{
    char b[8];
    snprintf(b, sizeof b, "%02d", number);
    return b;
}

std::string asyncSentence(unsigned ador, const Sample& s, int serialChecksum)
{
    const char* A = "%+08.3f";
    const char* M = "%+07.4f";
    const char* G = "%+07.3f";
    const char* W = "%+08.5f";
    const char* Q = "%+.6f";
    const double zero[3] = {0, 0, 0};
    std::string body;
    switch (ador)
    {
    case 1:
        body = join("AQYPR", {{s.ypr, 3, A}});
        break;
    case 2:
        body = join("AQQTN", {{s.quat, 4, Q}});
        break;
    case 8:
        body = join("AQQMR", {{s.quat, 4, Q}, {s.mag, 3, M}, {s.accel, 3, G}, {s.gyro, 3, W}});
        break;
    case 10:
        body = join("AQMAG", {{s.mag, 3, M}});
        break;
    case 11:
        body = join("AQACC", {{s.accel, 3, G}});
        break;
    case 12:
        body = join("AQGYR", {{s.gyro, 3, W}});
        break;
    case 13:
        body = join("AQMAR", {{s.mag, 3, M}, {s.accel, 3, G}, {s.gyro, 3, W}});
        break;
    case 14:
        body = join("AQYMR", {{s.ypr, 3, A}, {s.mag, 3, M}, {s.accel, 3, G}, {s.gyro, 3, W}});
        break;
    // The model has no linear acceleration, so true accelerations are zero.
    case 16:
        body = join("AQYBA", {{s.ypr, 3, A}, {zero, 3, G}, {s.gyro, 3, W}});
        break;
    case 17:
        body = join("AQYIA", {{s.ypr, 3, A}, {zero, 3, G}, {s.gyro, 3, W}});
        break;
    case 19:
        body = join("AQIMU", {{s.magRaw, 3, M},
                              {s.accelRaw, 3, G},
                              {s.gyroRaw, 3, W},
                              {&s.temp_C, 1, "%+05.1f"},
                              {&s.pres_kPa, 1, "%+07.3f"}});
        break;
    default:
        return std::string();
    }
    return frameSentence(body, serialChecksum);
}

} // namespace aq9sim
