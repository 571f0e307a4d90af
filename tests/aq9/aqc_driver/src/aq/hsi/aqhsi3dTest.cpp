// Three-dimensional solver: known-answer tumbles, keep modes, degenerate data.
#include <math.h>
#include <vector>

#include "aq/hsi/aqhsi.h"
#include "aq/hsi/aqhsi3d.h"
#include "hsiSimulation.h"

#include "CppUTest/TestHarness.h"

namespace {
// Distortion with a rotation part (not symmetric) and a hard-iron offset, gauss.
const double D_TRUE[9] = {1.06, 0.04, -0.03, 0.01, 0.95, 0.05, -0.02, 0.03, 1.02};
const double H_TRUE[3] = {0.085, -0.052, 0.121};

struct Outcome
{
    AqError code;
    size_t kept;
    double siErr; // largest element error of the recovered soft-iron matrix
    double hiErr; // largest component error of the hard-iron offset, gauss
    AqHsiSol sol;
    AqHsiFom fom;
    unsigned int score[AQHSI_NUM_FOM];
};

// Tumble through `count` random attitudes, keep, solve, grade and compose.
Outcome tumble(const hsisim::Truth& t, int count, uint64_t seed, AqHsiConfig& c)
{
    hsisim::Rng rng(seed);
    aqhsi_init(&c);
    AqHsiDipole dp = aqhsi_get_dipole(0);
    std::vector<AqHsiYmr> kept;
    for (int k = 0; k < count; k++) {
        double y, p, r;
        hsisim::randomAttitude(rng, &y, &p, &r);
        AqHsiYmr m = hsisim::measure(t, dp, y, p, r, NULL, rng);
        if (aqhsi_keep(&c, m)) kept.push_back(m);
    }
    Outcome o = {};
    o.kept = kept.size();
    o.code = aqhsi_solve(&c, kept.data(), kept.size(), &o.sol);
    if (o.code != E_NONE) return o;
    aqhsi_figure_of_merit(&c, kept.data(), kept.size(), o.sol, &o.fom, o.score, NULL, NULL, NULL);
    aq_mat3f si;
    aq_vec3f hi;
    aqhsi_results(&c, &si, &hi, o.sol);
    double inv[9];
    hsisim::inverse3(t.D, inv);
    for (int k = 0; k < 9; k++) o.siErr = fmax(o.siErr, fabs(si.e[k] - inv[k]));
    for (int k = 0; k < 3; k++) o.hiErr = fmax(o.hiErr, fabs(hi.c[k] - t.h[k]));
    return o;
}
}

TEST_GROUP(aqhsi3d)
{
    AqHsiConfig c;
};

// Tolerances. The solve averages about 1700 kept samples, so the standard error
// of one soft-iron element is about (sigma/|B|)*sqrt(9/N) = 0.07*sigma/|B| and
// of one hard-iron component about 0.07*sigma. The bounds below are about
// seven of those (0.5*sigma/|B| and 0.5*sigma) plus a floor for single-precision
// rounding in the 9x9 normal equations (the noise-free run errs by ~1e-5).
// Residual statistics are fractions of |B|: their spread must be sigma/|B|.
TEST(aqhsi3d, full_sphere_tumble_recovers_soft_and_hard_iron_at_the_noise_level)
{
    struct Row
    {
        const char* name;
        double noise;          // gauss per axis
        unsigned int stdScore; // score of both residual spreads
    } rows[] = {
        {"noise free", 0.0, 0},
        {"0.5 mG", 0.0005, 0},
        {"2 mG", 0.002, 0},
        {"6 mG", 0.006, 2},
    };
    for (const Row& r : rows) {
        hsisim::Truth t = hsisim::plainTruth(D_TRUE, H_TRUE, r.noise);
        c = hsisim::config(HSI_MODE_3D, t);
        Outcome o = tumble(t, 4000, 11, c);
        const double B = aqhsi_get_dipole(0).sphereRad, rel = r.noise / B;
        LONGS_EQUAL_TEXT(E_NONE, o.code, r.name);
        CHECK_TEXT(o.kept > 1000 && o.kept <= 2 * 122 * 10, r.name);
        CHECK_TEXT(o.siErr < 0.5 * rel + 5e-5, r.name);
        CHECK_TEXT(o.hiErr < 0.5 * r.noise + 2e-5, r.name);
        // Spread at the noise level (15 %), means near zero, peaks within 5 sigma.
        CHECK_TEXT(fabs(o.fom.ellipsoidFitResidualsStd - rel) < 0.15 * rel + 1e-5, r.name);
        CHECK_TEXT(fabs(o.fom.alignmentFitResidualsStd - rel) < 0.15 * rel + 1e-5, r.name);
        CHECK_TEXT(fabs(o.fom.ellipsoidFitResidualsMean) < 0.1 * rel + 1e-5, r.name);
        CHECK_TEXT(fabs(o.fom.alignmentFitResidualsMean) < 0.1 * rel + 1e-5, r.name);
        CHECK_TEXT(o.fom.ellipsoidFitResidualsMax < 5.0 * rel + 3e-5, r.name);
        LONGS_EQUAL_TEXT(r.stdScore, o.score[2], r.name);
        LONGS_EQUAL_TEXT(r.stdScore, o.score[5], r.name);
        // Coverage of a full sphere: information in every direction, finite and small.
        CHECK_TEXT(o.fom.ellipsoidCoverage > 0.0f && o.fom.ellipsoidCoverage < 0.2f, r.name);
        CHECK_TEXT(o.fom.alignmentCoverage > 0.0f && o.fom.alignmentCoverage < 0.2f, r.name);
        // The solve re-derived the down component: it stays the site's.
        CHECK_TEXT(fabs(aqhsi_get_dipole(1).Bdown - aqhsi_get_dipole(0).Bdown) < 2.0 * r.noise + 1e-5, r.name);
    }
}

TEST(aqhsi3d, tumbles_at_other_sites_and_without_a_location)
{
    struct Row
    {
        const char* name;
        AqHsiLibMode mode;
        float lat, lon;
    } rows[] = {
        {"location free (equator model)", HSI_MODE_3D_NOLOCATION, 0.0f, 0.0f},
        {"southern ocean", HSI_MODE_3D, -55.0f, 140.0f},
        {"high north", HSI_MODE_3D, 75.0f, -40.0f},
    };
    for (const Row& r : rows) {
        hsisim::Truth t = hsisim::plainTruth(D_TRUE, H_TRUE, 0.0005);
        c = hsisim::config(r.mode, t);
        c.latitude = r.lat;
        c.longitude = r.lon;
        Outcome o = tumble(t, 4000, 17, c);
        // The alignment is seen only through each reading's down component, whose
        // sensitivity to a rotation scales with the horizontal field: near the
        // magnetic pole (Bnorth 0.05 G at 75 N) the bound widens accordingly.
        const double rel = t.noise / aqhsi_get_dipole(0).Bnorth;
        LONGS_EQUAL_TEXT(E_NONE, o.code, r.name);
        CHECK_TEXT(o.siErr < 0.5 * rel + 5e-5, r.name);
        CHECK_TEXT(o.hiErr < 0.5 * t.noise + 2e-5, r.name);
    }
}

TEST(aqhsi3d, composition_with_mounting_and_old_compensation_gives_the_sensor_calibration)
{
    hsisim::Truth t = hsisim::plainTruth(D_TRUE, H_TRUE, 0.0005);
    hsisim::dcm(25.0, -10.0, 90.0, t.RFR); // sensor mounted on its side
    const double oldSI[9] = {0.98, 0.02, 0.0, -0.01, 1.03, 0.01, 0.0, 0.02, 0.99};
    const double oldHI[3] = {0.03, 0.01, -0.02};
    for (int k = 0; k < 9; k++) t.oldSI[k] = oldSI[k];
    for (int k = 0; k < 3; k++) t.oldHI[k] = oldHI[k];
    c = hsisim::config(HSI_MODE_3D, t);
    Outcome o = tumble(t, 4000, 23, c);
    const double rel = t.noise / aqhsi_get_dipole(0).sphereRad;
    LONGS_EQUAL(E_NONE, o.code);
    CHECK(o.siErr < 0.5 * rel + 5e-5);
    CHECK(o.hiErr < 0.5 * t.noise + 2e-5);
}

TEST(aqhsi3d, readings_on_the_model_sphere_give_identity_and_zero_offset)
{
    hsisim::Truth t = hsisim::plainTruth(D_TRUE, H_TRUE, 0.0);
    hsisim::identity(t.D);
    for (int k = 0; k < 3; k++) t.h[k] = 0.0;
    c = hsisim::config(HSI_MODE_3D, t);
    aqhsi_init(&c);
    AqHsiDipole dp = aqhsi_get_dipole(0);
    hsisim::Rng rng(5);
    std::vector<AqHsiYmr> m;
    for (int k = 0; k < 300; k++) {
        double y, p, r;
        hsisim::randomAttitude(rng, &y, &p, &r);
        m.push_back(hsisim::measure(t, dp, y, p, r, NULL, rng));
    }
    float SV[9], HI0[3], cov;
    LONGS_EQUAL(E_NONE, aqhsi_fit_ellipsoid(dp, m.data(), NULL, (int)m.size(), SV, HI0, &cov));
    for (int k = 0; k < 9; k++) DOUBLES_EQUAL(k % 4 == 0 ? 1.0 : 0.0, SV[k], 2e-5);
    for (int k = 0; k < 3; k++) DOUBLES_EQUAL(0.0, HI0[k], 2e-5);
    // And the figure of merit on them: residuals of exactly nothing.
    AqHsiSol id = {{{1, 0, 0, 0, 1, 0, 0, 0, 1}}, {{0, 0, 0}}, dp.Bdown};
    AqHsiFom fom;
    unsigned int score[AQHSI_NUM_FOM];
    aqhsi_figure_of_merit(&c, m.data(), m.size(), id, &fom, score, NULL, NULL, NULL);
    DOUBLES_EQUAL(0.0, fom.ellipsoidFitResidualsMax, 2e-6);
    DOUBLES_EQUAL(0.0, fom.alignmentFitResidualsMax, 2e-6);
}

TEST(aqhsi3d, degenerate_data_give_their_documented_codes)
{
    hsisim::Truth t = hsisim::plainTruth(D_TRUE, H_TRUE, 0.0005);
    c = hsisim::config(HSI_MODE_3D, t);
    aqhsi_init(&c);
    AqHsiDipole dp = aqhsi_get_dipole(0);
    hsisim::Rng rng(3);
    // Level turns only: every reading on one circle, i.e. in one plane.
    std::vector<AqHsiYmr> plane;
    for (int k = 0; k < 360; k++) plane.push_back(hsisim::measure(t, dp, k, 0.0, 0.0, NULL, rng));
    AqHsiSol sol;
    AqHsiFom fom = {};
    AqError code = aqhsi_3d_solve(dp, &c, plane.data(), NULL, plane.size(), &sol, &fom);
    CHECK(code == E_INSUFFICIENT_DATA || code == E_DATA_NOT_ELLIPTICAL);
    for (int k = 0; k < 9; k++) CHECK(isfinite(sol.SI.e[k]));
    if (code == E_INSUFFICIENT_DATA) DOUBLES_EQUAL(10000.0, fom.ellipsoidCoverage, 0.01);
    // No data at all: the ellipsoid fit has nothing, identity and zero are left,
    // and the field model is not touched by a failed solve.
    aqhsi_dipole_update(0.1f, 0);
    AqHsiDipole before = aqhsi_get_dipole(1);
    LONGS_EQUAL(E_INSUFFICIENT_DATA, aqhsi_solve(&c, NULL, 0, &sol));
    DOUBLES_EQUAL(1.0, sol.SI.e[0], 0.0);
    DOUBLES_EQUAL(0.0, sol.HI.c[0], 0.0);
    DOUBLES_EQUAL(before.Bdown, aqhsi_get_dipole(1).Bdown, 0.0);
    // The rotation search alone with no data: J starts at zero and the final test fails.
    aq_mat3f I = {{1, 0, 0, 0, 1, 0, 0, 0, 1}};
    float HI0[3] = {0, 0, 0}, RM[9], magInc, cov = 0;
    LONGS_EQUAL(E_INSUFFICIENT_DATA, aqhsi_find_rotation_3d(dp, &c, NULL, NULL, 0, I, HI0, RM, &magInc, &cov));
    DOUBLES_EQUAL(100.0 * dp.Bnorth, cov, 1e-4);
    // Three attitudes cannot fix four unknowns.
    hsisim::Truth ideal = hsisim::plainTruth(D_TRUE, H_TRUE, 0.0);
    hsisim::identity(ideal.D);
    for (int k = 0; k < 3; k++) ideal.h[k] = 0.0;
    std::vector<AqHsiYmr> three;
    const double att[3][3] = {{0, 0, 0}, {90, 30, 0}, {200, -20, 60}};
    for (int k = 0; k < 3; k++) three.push_back(hsisim::measure(ideal, dp, att[k][0], att[k][1], att[k][2], NULL, rng));
    LONGS_EQUAL(E_ILL_CONDITIONED,
                aqhsi_find_rotation_3d(dp, &c, three.data(), NULL, three.size(), I, HI0, RM, &magInc, &cov));
}

TEST(aqhsi3d, a_nan_reading_in_the_set_fails_the_fit_without_loading_nan)
{
    hsisim::Truth t = hsisim::plainTruth(D_TRUE, H_TRUE, 0.0005);
    c = hsisim::config(HSI_MODE_3D, t);
    aqhsi_init(&c);
    AqHsiDipole dp = aqhsi_get_dipole(0);
    hsisim::Rng rng(9);
    std::vector<AqHsiYmr> m;
    for (int k = 0; k < 500; k++) {
        double y, p, r;
        hsisim::randomAttitude(rng, &y, &p, &r);
        m.push_back(hsisim::measure(t, dp, y, p, r, NULL, rng));
    }
    m[17].mag.c[1] = NAN;
    AqHsiSol sol;
    LONGS_EQUAL(E_INSUFFICIENT_DATA, aqhsi_solve(&c, m.data(), m.size(), &sol));
    for (int k = 0; k < 9; k++) CHECK(isfinite(sol.SI.e[k]));
    for (int k = 0; k < 3; k++) CHECK(isfinite(sol.HI.c[k]));
}

TEST(aqhsi3d, keep_modes)
{
    hsisim::Truth t = hsisim::plainTruth(D_TRUE, H_TRUE, 0.0);
    c = hsisim::config(HSI_MODE_3D, t);
    // Mode 3: the first attitude, then only those more than 2*pi/122 (2.95 deg) away.
    c.flagKM = 3;
    aqhsi_init(&c);
    aq_vec3f a0 = {{10, 0, 0}}, a1 = {{12, 0, 0}}, a2 = {{13.5f, 0, 0}}, a3 = {{16.0f, 0, 0}};
    AqHsiDipole dp = aqhsi_get_dipole(0);
    LONGS_EQUAL(1, aqhsi_3d_keep(dp, &c, a0));
    LONGS_EQUAL(0, aqhsi_3d_keep(dp, &c, a1));
    LONGS_EQUAL(1, aqhsi_3d_keep(dp, &c, a2)); // 3.5 deg from the first
    LONGS_EQUAL(0, aqhsi_3d_keep(dp, &c, a2)); // the same attitude again
    LONGS_EQUAL(0, aqhsi_3d_keep(dp, &c, a3)); // 2.5 deg from the last kept
    // Modes 1 and 2: an attitude that only the east set accepts.
    hsisim::Rng rng(2);
    bool found = false;
    for (int k = 0; k < 5000 && !found; k++) {
        double y, p, r;
        hsisim::randomAttitude(rng, &y, &p, &r);
        aq_vec3f a = {{(float)y, (float)p, (float)r}};
        c.flagKM = 1;
        aqhsi_init(&c);
        if (aqhsi_3d_keep(dp, &c, a)) continue; // the north set takes it
        int eastTotal = 0;
        AqHsiPatchFill east = aqhsi_get_patch_fill(EASTPATCHTYPE);
        for (int i = 0; i < 122; i++) eastTotal += east.numData[i];
        if (eastTotal == 0) continue; // neither set takes it
        found = true;
        c.flagKM = 2;
        aqhsi_init(&c);
        LONGS_EQUAL(1, aqhsi_3d_keep(dp, &c, a));
    }
    CHECK(found);
    c.flagKM = 7;
    aqhsi_init(&c);
    LONGS_EQUAL(0, aqhsi_3d_keep(dp, &c, a0));
}

TEST(aqhsi3d, rotation_derivatives_match_finite_differences)
{
    const float e[3] = {0.7f, -0.4f, 1.1f};
    float d[3][9];
    aqhsi_dEuler3212C(e, d[0], d[1], d[2]);
    for (int j = 0; j < 3; j++) {
        float ep[3] = {e[0], e[1], e[2]}, em[3] = {e[0], e[1], e[2]}, Cp[9], Cm[9];
        ep[j] += 1e-3f;
        em[j] -= 1e-3f;
        Euler3212C(Cp, ep);
        Euler3212C(Cm, em);
        for (int k = 0; k < 9; k++) DOUBLES_EQUAL((Cp[k] - Cm[k]) / 2e-3, d[j][k], 1e-3);
    }
}
