#include "AQ9Sensor.h"

#include <stdlib.h>
#include <string.h>

#include "Exception.h"
#include "Syslog.h"
#include "aq/error_detection.h"

namespace {

char* copyText(const char* s)
{
    return s == nullptr ? nullptr : strdup(s);
}

void setSpiDefaults(AQ9SpiParams& p)
{
    p.mode = 3;  // SPI_CPOL | SPI_CPHA
    p.readBitsPerWord = 8;
    p.writeBitsPerWord = 8;
    p.readSpeed = 8000000;
    p.writeSpeed = 8000000;
}

}  // namespace

AQ9SpiParams::AQ9SpiParams(const char* fdFullPath) : fdName(copyText(fdFullPath))
{
    setSpiDefaults(*this);
}

AQ9SpiParams::AQ9SpiParams(int argc, char** argv) : fdName(nullptr)
{
    setSpiDefaults(*this);
    for (int i = 0; i < argc; i++)
    {
        if (strcmp(argv[i], "-dev") == 0 && i + 1 < argc)
        {
            // The last pair wins; an earlier copy is released.
            free(fdName);
            fdName = copyText(argv[++i]);
        }
    }
    if (fdName == nullptr)
    {
        Syslog::write("Serial port name not specified");
        Syslog::write("Valid args:\n-dev deviceFileName\n");
        throw Exception(AQ9_SPI_PARAMS_ERROR);
    }
}

AQ9SpiParams::AQ9SpiParams(const AQ9SpiParams& other)
    : fdName(copyText(other.fdName)),
      mode(other.mode),
      readBitsPerWord(other.readBitsPerWord),
      writeBitsPerWord(other.writeBitsPerWord),
      readSpeed(other.readSpeed),
      writeSpeed(other.writeSpeed)
{
}

AQ9SpiParams::~AQ9SpiParams()
{
    free(fdName);
}

char* AQ9SpiParams::string()
{
    return fdName;
}

// Everything a link fills in from the sensor starts zeroed, so a value the
// sensor never supplied reads as 0 (the driver refuses a zero gravity vector)
// instead of whatever the memory held.
AQ9Sensor::AQ9Sensor()
    : spiParams(nullptr),
      _ahrsData(),
      _rawMeasData(),
      _settings(),
      _hsiRunning(0),
      _txBuf(),
      _rxBuf(),
      _modelNumber(),
      _hwRevision(0),
      _serialNumber(0),
      _firmwareVersion(),
      txBufSize(0),
      rxBufSize(0),
      _magRefVector(),
      _gravRefVector(),
      _onboardHSIMatrix(),
      _onboardHSIOffset()
{
}

AQ9Sensor::~AQ9Sensor() {}

int AQ9Sensor::appendCrcToBuf(char* buf, size_t* dataSize, size_t bufSize)
{
    if (bufSize < 2 || *dataSize > bufSize - 2)
        return -1;
    uint16_t crc = AqCrc16_compute(buf, *dataSize);
    buf[*dataSize] = static_cast<char>(crc >> 8);
    buf[*dataSize + 1] = static_cast<char>(crc & 0xFF);
    *dataSize += 2;
    return 0;
}

mat3f AQ9Sensor::v9dToMat3f(v9d v)
{
    mat3f m;
    for (int i = 0; i < 9; i++)
        m.e[i] = static_cast<float>(v.c[3 * (i % 3) + i / 3]);
    return m;
}

v9d AQ9Sensor::mat3fToV9d(mat3f m)
{
    v9d v;
    for (int i = 0; i < 9; i++)
        v.c[i] = m.e[3 * (i % 3) + i / 3];
    return v;
}

v9d AQ9Sensor::aq_mat3fToV9d(aq_mat3f m)
{
    v9d v;
    for (int i = 0; i < 9; i++)
        v.c[i] = m.e[3 * (i % 3) + i / 3];
    return v;
}

aq_mat3f AQ9Sensor::v9dToEngineMat3f(v9d v)
{
    aq_mat3f m;
    for (int i = 0; i < 9; i++)
        m.e[i] = static_cast<float>(v.c[i]);
    return m;
}

v9d AQ9Sensor::engineMat3fToV9d(aq_mat3f m)
{
    v9d v;
    for (int i = 0; i < 9; i++)
        v.c[i] = m.e[i];
    return v;
}

vec3f AQ9Sensor::v3dToVec3f(v3d v)
{
    vec3f r;
    for (int i = 0; i < 3; i++)
        r.c[i] = static_cast<float>(v.c[i]);
    return r;
}

v3d AQ9Sensor::vec3fToV3d(vec3f v)
{
    v3d r;
    for (int i = 0; i < 3; i++)
        r.c[i] = v.c[i];
    return r;
}

v3d AQ9Sensor::aq_vec3fToV3d(aq_vec3f v)
{
    v3d r;
    for (int i = 0; i < 3; i++)
        r.c[i] = v.c[i];
    return r;
}
