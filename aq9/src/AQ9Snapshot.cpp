// The settings snapshot "aq9.dat": what the sensor reported about itself and
// every setting sent to it, written once per successful configuration for the
// people reviewing a mission. Nothing reads it back.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "AQ9.h"
#include "LogFilePath.h"
#include "Syslog.h"

namespace {

const char* const kDriverRelease = "v0.2.0";
const char* const kDriverRevision = "g5fca523";
const char* const kBuildDate = "2020_07_08T21:05:52UTC";
const size_t kLineBufSize = 128;

// One "key=value;" line; the value is formatted into the 128-character buffer.
void entry(FILE* f, const char* key, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
void entry(FILE* f, const char* key, const char* fmt, ...)
{
    char buf[kLineBufSize];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    fprintf(f, "%s%s;\n", key, buf);
}

// Text values between single quotes; the sensor's fixed-size fields are read
// no further than their size, terminated or not.
void textEntry(FILE* f, const char* key, const char* text, size_t size)
{
    entry(f, key, "'%.*s'", static_cast<int>(strnlen(text, size)), text);
}

void writeHeader(FILE* f)
{
    writeLogFileTimeStamp(f);
    fputs("% This file details the configuration of the compass following runtime initialization of the AQ9 driver.\n",
          f);
    fputs("% ========================\n", f);
}

// Entries 1 to 7: what the sensor said about itself, and this driver's build.
void writeIdentity(FILE* f, AQ9Sensor* aqs)
{
    char buf[kLineBufSize];
    textEntry(f, "modelNumber=", aqs->_modelNumber, sizeof aqs->_modelNumber);
    entry(f, "hardwareRevision=", "%u", aqs->_hwRevision);
    entry(f, "serialNumber=", "%u", aqs->_serialNumber);
    textEntry(f, "firmwareVersion=", aqs->_firmwareVersion, sizeof aqs->_firmwareVersion);
    const char* iface = aqs->interfaceStr();
    textEntry(f, "interfaceInfo=", iface != nullptr ? iface : "", kLineBufSize);
    snprintf(buf, sizeof buf, "%s (%s)", kDriverRelease, kDriverRevision);
    textEntry(f, "driverVersion=", buf, sizeof buf);
    textEntry(f, "buildDate=", kBuildDate, kLineBufSize);
}

// Entries 8 to 19: rates, estimator and filter switches.
void writeScalarSettings(FILE* f, const aq9Settings& s)
{
    entry(f, "ahrsRateHz=", "%ld", static_cast<long>(s.ahrsRate));
    entry(f, "rawMeasRateHz=", "%ld", static_cast<long>(s.rawMeasRate));
    entry(f, "ironCalLogPeriodS=", "%ld", static_cast<long>(s.hsiLogInterval_sec));
    entry(f, "ADOR=", "%u", s.ADOR);
    entry(f, "saveHSIonExit=", "%u", s.saveHSIonExit);
    entry(f, "HSIMode=", "%u", s.HSIMode);
    entry(f, "HSIOutput=", "%u", s.HSIOutput);
    entry(f, "HSIConvergeRate=", "%u", s.HSIConvergeRate);
    entry(f, "AFEBasic_Enable=", "%u", s.AFEBasic_Enable);
    entry(f, "AFEBasic_HeadingMode=", "%u", s.AFEBasic_HeadingMode);
    entry(f, "AFEBasic_FilteringMode=", "%u", s.AFEBasic_FilteringMode);
    entry(f, "AFEBasic_TuningMode=", "%u", s.AFEBasic_TuningMode);
}

}  // namespace

void AQ9::v9dToStr(char* buf, v9d v, size_t bufSize)
{
    snprintf(buf, bufSize, "%.7f,%.7f,%.7f,%.7f,%.7f,%.7f,%.7f,%.7f,%.7f", v.c[0], v.c[1], v.c[2], v.c[3], v.c[4],
             v.c[5], v.c[6], v.c[7], v.c[8]);
}

void AQ9::v3dToStr(char* buf, v3d v, size_t bufSize)
{
    snprintf(buf, bufSize, "%.7f,%.7f,%.7f", v.c[0], v.c[1], v.c[2]);
}

void AQ9::saveSensorSettingsToFile()
{
    char path[256];
    FILE* f = createLogFile("aq9.dat", "", path, sizeof path);
    if (f == nullptr)
        return;
    const aq9Settings& s = _aqs->_settings;
    char buf[kLineBufSize];
    writeHeader(f);
    writeIdentity(f, _aqs);
    writeScalarSettings(f, s);
    const struct
    {
        const char* key;
        const v9d* m;
        const v3d* v;
    } vectors[] = {
        {"RotationMatrix_rowMajor=", &s.Rot, nullptr},  {"AFEMagTuning=", &s.AFEMagTuning, nullptr},
        {"AFEAccelTuning=", &s.AFEAccelTuning, nullptr}, {"AFEGyroTuning=", &s.AFEGyroTuning, nullptr},
        {"GyroStartupBias=", nullptr, &s.GyroStartupBias}, {"AccelStartupBias=", nullptr, &s.AccelStartupBias},
        {"GyroCompC=", &s.GyroCompC, nullptr},           {"GyroCompB=", nullptr, &s.GyroCompB},
        {"AccelCompC=", &s.AccelCompC, nullptr},         {"AccelCompB=", nullptr, &s.AccelCompB},
        {"MagCompC=", &s.MagCompC, nullptr},             {"MagCompB=", nullptr, &s.MagCompB},
    };
    for (const auto& e : vectors)
    {
        if (e.m != nullptr)
            v9dToStr(buf, *e.m, sizeof buf);
        else
            v3dToStr(buf, *e.v, sizeof buf);
        // Wrapped after the cut, so a text that fills the buffer keeps its brackets.
        fprintf(f, "%s[%s];\n", e.key, buf);
    }
    entry(f, "SiteLatitude=", "%f", _siteLat);
    entry(f, "SiteLongitude=", "%f", _siteLong);
    const vec3f& mr = _aqs->_magRefVector;
    const vec3f& gr = _aqs->_gravRefVector;
    entry(f, "MagRefVector=", "[%.7f,%.7f,%.7f]", mr.c[0], mr.c[1], mr.c[2]);
    entry(f, "GravRefVector=", "[%.7f,%.7f,%.7f]", gr.c[0], gr.c[1], gr.c[2]);
    // No completion message for a file whose contents were lost.
    if (!closeLogFile(f, path))
        return;
    Syslog::write("AQ9 - OneShot data written to %s", path);
}
