#include "CalReplay.h"

#include <math.h>

#include <memory>

#include "aq/hsi/aqamath.h"

namespace {

// Where the keep rule files an attitude: the model field's direction in body axes.
void keepDirection(const AqHsiYmr& m, aq_vec3f ref, float* out)
{
    float e[3], dcm[9];
    for (int i = 0; i < 3; i++)
        e[i] = m.ypr.c[i] * 0.017453292f;
    Euler3212C(dcm, e);
    aq_mult_m3_v3(dcm, ref.c, out);
}

float magnitudeResidual(const float* v, float radius)
{
    double n = sqrt(static_cast<double>(v[0]) * v[0] + static_cast<double>(v[1]) * v[1] +
                    static_cast<double>(v[2]) * v[2]);
    return static_cast<float>(n / radius - 1.0);
}

// The patch table the run used, centres made unit length (the 2D ones are not).
void copyPatches(const AqHsiConfig& c, CalReplay& out)
{
    const AqHsiPatchDef def = aqhsi_get_patch_def();
    const AqHsiPatchFill fill = aqhsi_get_patch_fill(NORTHPATCHTYPE);
    out.patchHalfAngle = acosf(def.cosErr);
    out.nDataPerPatch = c.nDataPerPatch;
    for (uint32_t i = 0; i < c.nPatches && i < AQHSI_MAX_PATCHES; i++)
    {
        CalPatch p;
        const float* v = def.Patches + 3 * i;
        const float n = sqrtf(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (int k = 0; k < 3; k++)
            p.centre[k] = n > 0 ? v[k] / n : 0;
        p.fill = fill.numData[i];
        out.patches.push_back(p);
    }
}

}  // namespace

CalReplaySetup CalReplay_setupFrom(const SnapshotSettings& s, bool mode3D)
{
    CalReplaySetup u;
    u.mode3D = mode3D;
    // The driver registers its poll at 1000/rate whole milliseconds.
    const uint32_t period = s.ahrsRateHz > 0 && s.ahrsRateHz <= 1000 ? static_cast<uint32_t>(1000 / s.ahrsRateHz) : 0;
    u.dataRate = HsiRun_pollRate(period, s.ahrsRateHz);
    u.siteLat = s.siteLat;
    u.siteLong = s.siteLong;
    u.rot = s.rot;
    u.magC = s.magC;
    u.magB = s.magB;
    u.gravity = s.gravity;
    return u;
}

void CalReplay_run(const CalReplaySetup& setup, const std::vector<AhrsLogRow>& rows, CalReplay& out)
{
    out = CalReplay();
    out.setup = setup;
    AqHsiConfig& c = out.config;
    // The order of the driver's start: configuration, rotation, compensation, engine.
    HsiRun_fillConfig(c, setup.mode3D, setup.dataRate, setup.siteLat, setup.siteLong);
    HsiRun_setRotation(c, setup.rot);
    HsiRun_setCompensation(c, setup.magC, setup.magB);
    aqhsi_init(&c);
    std::vector<AqHsiYmr> buffer(kHsiRunBufferCapacity);
    HsiRunSamples samples = {buffer.data(), kHsiRunBufferCapacity, 0, 0};
    for (const AhrsLogRow& row : rows)
    {
        if (!HsiRun_offer(c, HsiRun_sample(AhrsLogReader_sensorRecord(row, setup.gravity)), samples))
            continue;
        CalKeptSample k = {};
        k.time_ns = row.time_ns;
        k.line = row.line;
        out.kept.push_back(k);
    }
    out.offered = rows.size();
    copyPatches(c, out);

    const size_t n = samples.numKept;
    std::vector<float> sphere(n + 1, NAN), vert(n + 1, NAN);
    std::unique_ptr<float[][3]> corrected(new float[n + 1][3]);
    for (size_t i = 0; i <= n; i++)
        corrected[i][0] = corrected[i][1] = corrected[i][2] = NAN;
    HsiRunResiduals residuals = {sphere.data(), vert.data(), corrected.get()};
    HsiRun_finish(c, samples, out.sol, out.fom, out.scores, out.outcome, &residuals);

    out.site = aqhsi_get_dipole(1);
    const aq_vec3f ref = aqhsi_unit_mag_ref(aqhsi_get_dipole(0));
    for (size_t i = 0; i < n; i++)
    {
        CalKeptSample& k = out.kept[i];
        k.meas = buffer[i];
        keepDirection(k.meas, ref, k.keepDirection);
        k.residualBefore = magnitudeResidual(k.meas.mag.c, out.site.sphereRad);
        k.residualAfter = sphere[i];
        k.verticalAfter = vert[i];
        for (int a = 0; a < 3; a++)
            k.corrected[a] = corrected[i][a];
    }
}

void CalReplay_writeReport(FILE* f, const CalReplay& r)
{
    HsiRun_writeReport(f, r.outcome, r.fom, r.scores);
}
