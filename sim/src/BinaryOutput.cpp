#include "BinaryOutput.h"

#include <string.h>

#include "aq/error_detection.h"
#include "aq/protocol/upack.h"

namespace aq9sim {

namespace {

void putBytes(std::string& out, const void* p, size_t n)
{
    // The unit's byte order is little-endian, as is every host this builds on.
    out.append(static_cast<const char*>(p), n);
}

void putU16(std::string& out, uint16_t v) { putBytes(out, &v, 2); }

void putFloats(std::string& out, const double* v, int n)
{
    for (int k = 0; k < n; k++)
    {
        const float f = static_cast<float>(v[k]);
        putBytes(out, &f, 4);
    }
}

// A matrix travels in its storage order, column by column.
void putColumnMajor(std::string& out, const double* rowMajor)
{
    const double m[9] = {rowMajor[0], rowMajor[3], rowMajor[6], rowMajor[1], rowMajor[4],
                         rowMajor[7], rowMajor[2], rowMajor[5], rowMajor[8]};
    putFloats(out, m, 9);
}

// Group positions in the groups byte, and a switch key for one field.
enum
{
    COMMON = 0,
    TIME = 1,
    IMU = 2,
    ATTITUDE = 4
};

constexpr int key(int group, int bit) { return group * 16 + bit; }

// One field of one group; false when the unit does not measure it.
bool putField(std::string& out, int group, int bit, const Sample& s)
{
    switch (key(group, bit))
    {
    case key(COMMON, 0): // time since start-up
    case key(TIME, 0):
        putBytes(out, &s.timeStartup_ns, 8);
        return true;
    case key(COMMON, 3): // yaw, pitch, roll
    case key(ATTITUDE, 1):
        putFloats(out, s.ypr, 3);
        return true;
    case key(COMMON, 4): // quaternion
    case key(ATTITUDE, 2):
        putFloats(out, s.quat, 4);
        return true;
    case key(COMMON, 5): // angular rate
    case key(IMU, 10):
        putFloats(out, s.gyro, 3);
        return true;
    case key(COMMON, 8): // acceleration
    case key(IMU, 9):
        putFloats(out, s.accel, 3);
        return true;
    case key(COMMON, 9): // uncompensated acceleration and angular rate
        putFloats(out, s.accelRaw, 3);
        putFloats(out, s.gyroRaw, 3);
        return true;
    case key(COMMON, 10): // magnetic field, temperature, pressure
        putFloats(out, s.mag, 3);
        putFloats(out, &s.temp_C, 1);
        putFloats(out, &s.pres_kPa, 1);
        return true;
    case key(COMMON, 12): // estimator status
    case key(ATTITUDE, 0):
        putU16(out, s.afeStatus);
        return true;
    case key(IMU, 1):
        putFloats(out, s.magRaw, 3);
        return true;
    case key(IMU, 2):
        putFloats(out, s.accelRaw, 3);
        return true;
    case key(IMU, 3):
        putFloats(out, s.gyroRaw, 3);
        return true;
    case key(IMU, 4):
        putFloats(out, &s.temp_C, 1);
        return true;
    case key(IMU, 5):
        putFloats(out, &s.pres_kPa, 1);
        return true;
    case key(IMU, 8):
        putFloats(out, s.mag, 3);
        return true;
    case key(ATTITUDE, 3):
        putColumnMajor(out, s.dcm);
        return true;
    case key(ATTITUDE, 4):
        putFloats(out, s.magNed, 3);
        return true;
    case key(ATTITUDE, 5):
        putFloats(out, s.accelNed, 3);
        return true;
    case key(ATTITUDE, 8):
        putFloats(out, s.yprU, 3);
        return true;
    }
    return false;
}

} // namespace

std::string binaryRecord(const RegisterValue& config, const Sample& s)
{
    const unsigned groups = static_cast<unsigned>(config.num[BO_GROUPS]);
    if (groups == 0)
        return std::string();
    std::string out(1, static_cast<char>(0xFA));
    out += static_cast<char>(groups);
    for (int g = 0; g < AQ_BINARY_GROUP_COUNT; g++)
        if ((groups & (1u << g)) != 0)
            putU16(out, static_cast<uint16_t>(config.num[BO_FIRST_FIELD + g]));
    for (int g = 0; g < AQ_BINARY_GROUP_COUNT; g++)
    {
        if ((groups & (1u << g)) == 0)
            continue;
        const unsigned word = static_cast<unsigned>(config.num[BO_FIRST_FIELD + g]);
        for (int bit = 0; bit < AQ_BINARY_FIELDS_PER_GROUP; bit++)
            if ((word & (1u << bit)) != 0 && !putField(out, g, bit, s))
                out.append(BinaryPacketGroupLengths[g][bit], '\0');
    }
    const uint16_t crc = AqCrc16_compute(out.data() + 1, out.size() - 1);
    out += static_cast<char>(crc >> 8);
    out += static_cast<char>(crc & 0xFF);
    return out;
}

} // namespace aq9sim
