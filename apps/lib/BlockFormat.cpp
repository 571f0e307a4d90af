#include "BlockFormat.h"

#include <math.h>
#include <stdio.h>

#include "TextFormat.h"

namespace {

const double kDeg = 57.29577951308232;

std::string seconds(const timespec& t)
{
    return TextFormat_printf("%lld.%09ld", static_cast<long long>(t.tv_sec), t.tv_nsec);
}

// %.9g keeps a float's every digit and a double's useful ones.
std::string cells(const double* v, int n)
{
    std::string s;
    for (int i = 0; i < n; i++)
        s += TextFormat_printf(",%.9g", v[i]);
    return s;
}

const char kAhrsFields[] =
    "roll_rad,pitch_rad,yaw_rad,sigmaRoll_rad,sigmaPitch_rad,sigmaYaw_rad,rollRate_rad_s,pitchRate_rad_s,"
    "yawRate_rad_s,accelX_g,accelY_g,accelZ_g,magX_G,magY_G,magZ_G,temp_C,pres_kPa,afeStatus";
const int kAhrsCells = 18;
const char kRawFields[] =
    "uMagX_G,uMagY_G,uMagZ_G,uAccelX_m_s2,uAccelY_m_s2,uAccelZ_m_s2,uRollRate_rad_s,uPitchRate_rad_s,"
    "uYawRate_rad_s,uTemp_C,uPres_kPa";
const int kRawCells = 11;

}  // namespace

std::string BlockFormat_statusName(int status)
{
    static const char* const names[] = {"Ok", "Initializing", "Offline", "Error", "FailedInit", "FailedRead"};
    if (status >= 0 && status < static_cast<int>(sizeof names / sizeof names[0]))
        return names[status];
    return TextFormat_printf("status %d", status);
}

double BlockFormat_fieldMagnitude(const AQ9Output::Data& d)
{
    return sqrt(d.magX_G * d.magX_G + d.magY_G * d.magY_G + d.magZ_G * d.magZ_G);
}

std::string BlockFormat_clock(const timespec& t)
{
    if (t.tv_sec == 0 && t.tv_nsec == 0)
        return "-";
    struct tm utc;
    time_t s = t.tv_sec;
    gmtime_r(&s, &utc);
    return TextFormat_printf("%02d:%02d:%02d.%03ld", utc.tm_hour, utc.tm_min, utc.tm_sec, t.tv_nsec / 1000000);
}

std::string BlockFormat_attitudeHeading()
{
    return TextFormat_printf("%7s %7s %7s  %7s %7s %7s  %7s %6s", "yaw", "pitch", "roll", "p deg/s", "q deg/s", "r deg/s",
                  "|B| G", "temp C");
}

std::string BlockFormat_attitudeColumns(const AQ9Output::Data& d)
{
    return TextFormat_printf("%7.2f %+7.2f %+7.2f  %+7.2f %+7.2f %+7.2f  %7.4f %6.2f", d.yaw_rad * kDeg, d.pitch_rad * kDeg,
                  d.roll_rad * kDeg, d.rollRate_rad_s * kDeg, d.pitchRate_rad_s * kDeg, d.yawRate_rad_s * kDeg,
                  BlockFormat_fieldMagnitude(d), d.temp_C);
}

std::string BlockFormat_ahrsHeading()
{
    return TextFormat_printf("%-4s  %-12s  %-12s  %s  %23s  %8s", "ahrs", "time UTC", "status",
                  BlockFormat_attitudeHeading().c_str(), "accel x y z g", "pres kPa");
}

std::string BlockFormat_ahrsLine(const AQ9Output::Data& d)
{
    return TextFormat_printf("%-4s  %-12s  %-12s  %s  %+7.4f %+7.4f %+7.4f  %8.3f", "ahrs",
                  BlockFormat_clock(d.sampleTime).c_str(), BlockFormat_statusName(d.status).c_str(),
                  BlockFormat_attitudeColumns(d).c_str(), d.accelX_g, d.accelY_g, d.accelZ_g, d.pres_kPa);
}

std::string BlockFormat_rawHeading()
{
    return TextFormat_printf("%-4s  %-12s  %-12s  %26s  %26s  %26s  %6s  %8s", "raw", "time UTC", "status", "mag x y z G",
                  "accel x y z m/s2", "gyro x y z deg/s", "temp C", "pres kPa");
}

std::string BlockFormat_rawLine(const AQ9RawMeasOutput::Data& d)
{
    return TextFormat_printf("%-4s  %-12s  %-12s  %+8.4f %+8.4f %+8.4f  %+8.3f %+8.3f %+8.3f  %+8.3f %+8.3f %+8.3f  %6.2f"
                  "  %8.3f",
                  "raw", BlockFormat_clock(d.sampleTime).c_str(), BlockFormat_statusName(d.status).c_str(), d.uMagX_G,
                  d.uMagY_G, d.uMagZ_G, d.uAccelX_m_s2, d.uAccelY_m_s2, d.uAccelZ_m_s2, d.uRollRate_rad_s * kDeg,
                  d.uPitchRate_rad_s * kDeg, d.uYawRate_rad_s * kDeg, d.uTemp_C, d.uPres_kPa);
}

std::string BlockFormat_csvHeader()
{
    return std::string("block,time,status,") + kAhrsFields + "," + kRawFields;
}

std::string BlockFormat_csvAhrs(const AQ9Output::Data& d)
{
    const double v[kAhrsCells] = {d.roll_rad,       d.pitch_rad,      d.yaw_rad,        d.sigmaRoll_rad,
                                  d.sigmaPitch_rad, d.sigmaYaw_rad,   d.rollRate_rad_s, d.pitchRate_rad_s,
                                  d.yawRate_rad_s,  d.accelX_g,       d.accelY_g,       d.accelZ_g,
                                  d.magX_G,         d.magY_G,         d.magZ_G,         d.temp_C,
                                  d.pres_kPa,       static_cast<double>(d.afeStatus)};
    return "ahrs," + seconds(d.sampleTime) + "," + BlockFormat_statusName(d.status) + cells(v, kAhrsCells) +
           std::string(kRawCells, ',');
}

std::string BlockFormat_csvRaw(const AQ9RawMeasOutput::Data& d)
{
    const double v[kRawCells] = {d.uMagX_G,        d.uMagY_G,         d.uMagZ_G,         d.uAccelX_m_s2,
                                 d.uAccelY_m_s2,   d.uAccelZ_m_s2,    d.uRollRate_rad_s, d.uPitchRate_rad_s,
                                 d.uYawRate_rad_s, d.uTemp_C,         d.uPres_kPa};
    return "raw," + seconds(d.sampleTime) + "," + BlockFormat_statusName(d.status) + std::string(kAhrsCells, ',') +
           cells(v, kRawCells);
}
