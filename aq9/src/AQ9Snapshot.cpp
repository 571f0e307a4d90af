// The settings snapshot "aq9.dat": what the sensor reported about itself and
// every setting sent to it, written once per successful configuration for the
// people reviewing a mission. Nothing reads it back.
#include <stdarg.h>
#include <stdio.h>
#include <time.h>

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

void textEntry(FILE* f, const char* key, const char* text)
{
    entry(f, key, "'%s'", text);
}

void writeHeader(FILE* f)
{
    time_t now = time(nullptr);
    fprintf(f, "%% %s%%\n", ctime(&now));
    fputs("% This file details the configuration of the compass following runtime initialization of the AQ9 driver.\n",
          f);
    fputs("% ========================\n", f);
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
    textEntry(f, "modelNumber=", _aqs->_modelNumber);
    entry(f, "hardwareRevision=", "%u", _aqs->_hwRevision);
    entry(f, "serialNumber=", "%u", _aqs->_serialNumber);
    textEntry(f, "firmwareVersion=", _aqs->_firmwareVersion);
    textEntry(f, "interfaceInfo=", _aqs->interfaceStr());
    snprintf(buf, sizeof buf, "%s (%s)", kDriverRelease, kDriverRevision);
    textEntry(f, "driverVersion=", buf);
    textEntry(f, "buildDate=", kBuildDate);
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
        entry(f, e.key, "[%s]", buf);
    }
    entry(f, "SiteLatitude=", "%f", _siteLat);
    entry(f, "SiteLongitude=", "%f", _siteLong);
    const vec3f& mr = _aqs->_magRefVector;
    const vec3f& gr = _aqs->_gravRefVector;
    entry(f, "MagRefVector=", "[%.7f,%.7f,%.7f]", mr.c[0], mr.c[1], mr.c[2]);
    entry(f, "GravRefVector=", "[%.7f,%.7f,%.7f]", gr.c[0], gr.c[1], gr.c[2]);
    if (fclose(f) != 0)
    {
        Syslog::write("AQ9 - error writing %s", path);
        return;
    }
    Syslog::write("AQ9 - OneShot data written to %s", path);
}
