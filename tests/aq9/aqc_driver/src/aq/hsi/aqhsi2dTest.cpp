// Two-dimensional solver: known-answer level and tilted turns, keep rules,
// the ellipse fit and its conversion to a calibration.
#include <math.h>
#include <vector>

#include "aq/hsi/aqhsi.h"
#include "aq/hsi/aqhsi2d.h"
#include "hsiSimulation.h"

#include "CppUTest/TestHarness.h"

namespace {
// Inverse distortion in levelled axes: symmetric with a unit vertical scale,
// the family a turn about the vertical can determine (a heading rotation of
// the horizontal block, or a vertical scale, would need tilted data).
const double W_LEVEL[9] = {0.96, 0.03, 0.02, 0.03, 1.05, -0.015, 0.02, -0.015, 1.0};
const double H_TRUE[3] = {0.061, -0.043, 0.052};

// Truth whose levelled inverse distortion is W_LEVEL at the given tilt.
hsisim::Truth tiltedTruth(double pitch, double roll, double noise, double* Wbody)
{
    double Rest[9], t1[9], D[9];
    hsisim::dcm(0.0, pitch, roll, Rest);
    // Wbody = Rest * W_LEVEL * Rest^T
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) {
            double s = 0;
            for (int k = 0; k < 3; k++) s += Rest[3 * i + k] * W_LEVEL[3 * k + j];
            t1[3 * i + j] = s;
        }
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) {
            double s = 0;
            for (int k = 0; k < 3; k++) s += t1[3 * i + k] * Rest[3 * j + k];
            Wbody[3 * i + j] = s;
        }
    hsisim::inverse3(Wbody, D);
    return hsisim::plainTruth(D, H_TRUE, noise);
}

// Turns of `turns` full circles at 20 deg/s sampled at 10 Hz after one sample at rest.
std::vector<AqHsiYmr> levelTurn(AqHsiConfig& c, const hsisim::Truth& t, double pitch, double roll, int turns,
                                uint64_t seed, size_t* offered = NULL)
{
    hsisim::Rng rng(seed);
    AqHsiDipole dp = aqhsi_get_dipole(0);
    const double rate = 20.0 * 3.141592653589793 / 180.0, d = 3.141592653589793 / 180.0;
    std::vector<AqHsiYmr> kept;
    int n = turns * 180 + 1;
    for (int k = 0; k < n; k++) {
        double w = (k == 0) ? 0.0 : rate;
        // Body rates of a pure turn about the vertical: rate times the down axis in body axes.
        double gyro[3] = {-w * sin(pitch * d), w * sin(roll * d) * cos(pitch * d), w * cos(roll * d) * cos(pitch * d)};
        AqHsiYmr m = hsisim::measure(t, dp, fmod(2.0 * k, 360.0) - 180.0, pitch, roll, gyro, rng);
        if (aqhsi_keep(&c, m)) kept.push_back(m);
    }
    if (offered) *offered = (size_t)n;
    return kept;
}
}

TEST_GROUP(aqhsi2d)
{
    AqHsiConfig c;
};

// Tolerances: two turns keep about 240 samples; the horizontal terms average
// them all, so their standard error is about (sigma/Bnorth)*sqrt(6/N) =
// 0.16*sigma/Bnorth. Bounds are about six of those plus a single-precision
// floor (the noise-free error is ~1e-5).
TEST(aqhsi2d, turn_recovers_the_levelled_calibration)
{
    struct Row
    {
        const char* name;
        double pitch, roll, noise;
    } rows[] = {
        {"level, noise free", 0.0, 0.0, 0.0},
        {"level, 0.5 mG", 0.0, 0.0, 0.0005},
        {"tilted 4/-6 deg, 0.5 mG", 4.0, -6.0, 0.0005},
        {"level, 2 mG", 0.0, 0.0, 0.002},
    };
    for (const Row& r : rows) {
        double W[9];
        hsisim::Truth t = tiltedTruth(r.pitch, r.roll, r.noise, W);
        c = hsisim::config(HSI_MODE_2D);
        aqhsi_init(&c);
        std::vector<AqHsiYmr> kept = levelTurn(c, t, r.pitch, r.roll, 2, 31);
        AqHsiSol sol;
        LONGS_EQUAL_TEXT(E_NONE, aqhsi_solve(&c, kept.data(), kept.size(), &sol), r.name);
        aq_mat3f si;
        aq_vec3f hi;
        aqhsi_results(&c, &si, &hi, sol);
        const double rel = r.noise / aqhsi_get_dipole(0).Bnorth;
        for (int k = 0; k < 9; k++) CHECK_TEXT(fabs(si.e[k] - W[k]) < 1.0 * rel + 5e-5, r.name);
        for (int k = 0; k < 3; k++) CHECK_TEXT(fabs(hi.c[k] - t.h[k]) < 1.0 * r.noise + 2e-5, r.name);
        DOUBLES_EQUAL(aqhsi_get_dipole(0).Bdown, sol.magInc, 0.0); // 2D keeps the model's down component
        AqHsiFom fom;
        unsigned int score[AQHSI_NUM_FOM];
        aqhsi_figure_of_merit(&c, kept.data(), kept.size(), sol, &fom, score, NULL, NULL, NULL);
        const double relR = r.noise / aqhsi_get_dipole(1).sphereRad;
        // A circle constrains the horizontal spread; vertical residuals carry the vertical noise.
        CHECK_TEXT(fom.ellipsoidFitResidualsStd < 1.2 * relR + 1e-5, r.name);
        CHECK_TEXT(fabs(fom.alignmentFitResidualsStd - relR) < 0.25 * relR + 1e-5, r.name);
        LONGS_EQUAL_TEXT(0, score[2], r.name);
        CHECK_TEXT(fom.ellipsoidCoverage > 0.0f && fom.ellipsoidCoverage < 10000.0f, r.name);
    }
}

TEST(aqhsi2d, keep_needs_a_slow_first_sample_then_turn_of_one_patch)
{
    c = hsisim::config(HSI_MODE_2D);
    c.nPatches = 36; // one keep per 10 degrees of turn
    aqhsi_init(&c);
    AqHsiDipole dp = aqhsi_get_dipole(0);
    aq_vec3f level = {{0, 0, 0}};
    aq_vec3f fast = {{0, 0, 0.1f}};    // 5.7 deg/s
    aq_vec3f slow = {{0, 0, 0.08f}};   // 4.6 deg/s
    aq_vec3f turn = {{0, 0, 1.0f}};    // 5.7 deg per sample at 10 Hz
    LONGS_EQUAL(0, aqhsi_2d_keep(dp, &c, level, fast));
    LONGS_EQUAL(1, aqhsi_2d_keep(dp, &c, level, slow));
    LONGS_EQUAL(0, aqhsi_2d_keep(dp, &c, level, turn)); // 5.7 deg turned
    LONGS_EQUAL(1, aqhsi_2d_keep(dp, &c, level, turn)); // 11.5 deg > 10
    LONGS_EQUAL(0, aqhsi_2d_keep(dp, &c, level, turn)); // counted afresh from the last keep
    // Tilted 12 degrees from the mean vertical: neither averaged nor advancing the turn.
    aq_vec3f tilted = {{0, 12, 0}};
    for (int k = 0; k < 5; k++) LONGS_EQUAL(0, aqhsi_2d_keep(dp, &c, tilted, turn));
    LONGS_EQUAL(1, aqhsi_2d_keep(dp, &c, level, turn)); // the pending 5.7 plus this 5.7
    // Only kept measurements are counted in the heading patches.
    AqHsiPatchFill f = aqhsi_get_patch_fill(TWODPATCHTYPE);
    int total = 0;
    for (int i = 0; i < 36; i++) total += f.numData[i];
    LONGS_EQUAL(3, total);
}

TEST(aqhsi2d, a_tilted_vehicle_whose_axes_round_past_unity_still_averages)
{
    c = hsisim::config(HSI_MODE_2D);
    aqhsi_init(&c);
    AqHsiDipole dp = aqhsi_get_dipole(0);
    aq_vec3f att = {{33.0f, 7.3f, -11.9f}}, still = {{0, 0, 0}};
    LONGS_EQUAL(1, aqhsi_2d_keep(dp, &c, att, still));
    aq_vec3f turn = {{0, 0, 1.0f}};
    int kept = 0;
    for (int k = 0; k < 10; k++) kept += aqhsi_2d_keep(dp, &c, att, turn);
    CHECK(kept >= 1); // the same attitude is 0 degrees from the mean, never "not a number" degrees
}

TEST(aqhsi2d, constant_tilt_falls_back_to_summed_down_axes)
{
    std::vector<AqHsiYmr> m(50);
    for (size_t k = 0; k < m.size(); k++) {
        m[k] = AqHsiYmr();
        m[k].ypr.c[0] = (float)(7.0 * k);
        m[k].ypr.c[1] = 5.0f;
        m[k].ypr.c[2] = -8.0f;
    }
    float e[3];
    LONGS_EQUAL(E_NONE, aqhsi_calc_rfr_error(m.data(), (int)m.size(), e));
    DOUBLES_EQUAL(0.0, e[0], 0.0);
    DOUBLES_EQUAL(5.0 * 3.141592653589793 / 180.0, e[1], 1e-5);
    DOUBLES_EQUAL(-8.0 * 3.141592653589793 / 180.0, e[2], 1e-5);
    LONGS_EQUAL(E_NONE, aqhsi_calc_rfr_error(NULL, 0, e)); // no data: level, not NaN
    DOUBLES_EQUAL(0.0, e[1], 0.0);
}

TEST(aqhsi2d, hyperbola_is_not_an_ellipse)
{
    AqHsiDipole dp = {0.4232f, 0.2293f, 0.4813f};
    std::vector<AqHsiYmr> m;
    for (int k = -20; k <= 20; k++)
        for (int s = -1; s <= 1; s += 2) {
            double y = 0.05 * k, x = s * sqrt((0.1 + y * y) / 2.0); // 2x^2 - y^2 = 0.1
            AqHsiYmr r = {};
            r.mag.c[0] = (float)x;
            r.mag.c[1] = (float)y;
            m.push_back(r);
        }
    float I[9], EP[6], cov;
    aq_eye_m3(I);
    LONGS_EQUAL(E_DATA_NOT_ELLIPTICAL, aqhsi_fit_ellipse(dp, m.data(), NULL, (int)m.size(), I, EP, &cov));
}

TEST(aqhsi2d, nearly_circular_ellipse_keeps_its_cross_term)
{
    // Q = [[0.5, 0.004], [0.004, 0.5]]: a cross term far smaller than 0.014 makes
    // the quartic's discriminant fall below 1e-8; the root must still square to Q.
    AqHsiDipole dp = {0.4232f, 0.2293f, 0.4813f};
    AqHsiConfig cfg;
    cfg = hsisim::config(HSI_MODE_2D);
    float EP[6] = {0.5f, 0.008f, 0.5f, 0.0f, 0.0f, -0.5f * 0.2293f * 0.2293f};
    float Zn[3] = {0.0f, 0.0f, 1.0f / 0.4232f}, SI[9], HIb[3];
    LONGS_EQUAL(E_NONE, aqhsi_ellipse2HSI(dp, &cfg, EP, Zn, SI, HIb));
    double a = SI[0], b = SI[1], cc = SI[4];
    double k = (a * a + b * b) / EP[0];
    DOUBLES_EQUAL(EP[1] / 2.0, b * (a + cc) / k, 1e-6);
    DOUBLES_EQUAL(EP[2], (b * b + cc * cc) / k, 1e-6);
    DOUBLES_EQUAL(1.0, SI[8], 0.0);
    DOUBLES_EQUAL(0.0, HIb[2], 1e-6); // plane at the model's down component: no vertical offset
}

TEST(aqhsi2d, location_free_mode_fits_the_vertical_scale_and_leaves_no_vertical_offset)
{
    AqHsiDipole dp = {0.4232f, 0.2293f, 0.4813f};
    AqHsiConfig cfg;
    cfg = hsisim::config(HSI_MODE_2D_NOLOCATION);
    float EP[6] = {0.52f, 0.01f, 0.48f, 0.001f, -0.002f, -0.5f * 0.2293f * 0.2293f};
    float Zn[3] = {0.02f, -0.01f, 2.0f}, SI[9], HIb[3];
    LONGS_EQUAL(E_NONE, aqhsi_ellipse2HSI(dp, &cfg, EP, Zn, SI, HIb));
    DOUBLES_EQUAL(0.0, HIb[2], 0.0);
    CHECK(SI[8] > 0.9f && SI[8] < 1.1f); // near unity for a nearly level plane
    cfg = hsisim::config(HSI_MODE_2D);
    LONGS_EQUAL(E_NONE, aqhsi_ellipse2HSI(dp, &cfg, EP, Zn, SI, HIb));
    DOUBLES_EQUAL(1.0, SI[8], 0.0);
    DOUBLES_EQUAL(1.0 / 2.0 - 0.4232, HIb[2], 1e-6);
    // A plane through the origin's vertical: nothing to scale by.
    float flat[3] = {1.0f, 0.0f, 0.0f};
    LONGS_EQUAL(E_ILL_CONDITIONED, aqhsi_ellipse2HSI(dp, &cfg, EP, flat, SI, HIb));
}

TEST(aqhsi2d, location_free_turn_reports_its_own_down_component)
{
    double W[9];
    hsisim::Truth t = tiltedTruth(0.0, 0.0, 0.0, W);
    c = hsisim::config(HSI_MODE_2D_NOLOCATION);
    aqhsi_init(&c);
    DOUBLES_EQUAL(0.0, c.latitude, 0.0);
    std::vector<AqHsiYmr> kept = levelTurn(c, t, 0.0, 0.0, 1, 4);
    AqHsiSol sol;
    LONGS_EQUAL(E_NONE, aqhsi_solve(&c, kept.data(), kept.size(), &sol));
    // The corrected vertical is the fitted one, not the model's.
    AqHsiDipole dp = aqhsi_get_dipole(1);
    DOUBLES_EQUAL(sol.magInc, dp.Bdown, 0.0);
    aq_vec3f m0 = aqhsi_ApplyHSI(&sol, kept[0].mag);
    DOUBLES_EQUAL(sol.magInc, m0.c[2], 1e-4);
}

TEST(aqhsi2d, degenerate_data_leave_the_solution_alone)
{
    c = hsisim::config(HSI_MODE_2D);
    aqhsi_init(&c);
    AqHsiSol sol = {{{2, 0, 0, 0, 2, 0, 0, 0, 2}}, {{1, 1, 1}}, 5.0f};
    AqHsiFom fom = {};
    AqHsiDipole dp = aqhsi_get_dipole(0);
    LONGS_EQUAL(E_INSUFFICIENT_DATA, aqhsi_2d_solve(dp, &c, NULL, NULL, 0, &sol, &fom));
    DOUBLES_EQUAL(2.0, sol.SI.e[0], 0.0);
    DOUBLES_EQUAL(1.0, sol.HI.c[0], 0.0);
    DOUBLES_EQUAL(5.0, sol.magInc, 0.0);
    DOUBLES_EQUAL(dp.sphereRad * dp.sphereRad * 10000.0, fom.alignmentCoverage, 1e-2);
    // Three headings only: the plane is fixed but the ellipse is not.
    double W[9];
    hsisim::Truth t = tiltedTruth(0.0, 0.0, 0.0, W);
    hsisim::Rng rng(1);
    std::vector<AqHsiYmr> three;
    for (int k = 0; k < 3; k++) three.push_back(hsisim::measure(t, dp, 120.0 * k, 0.0, 0.0, NULL, rng));
    LONGS_EQUAL(E_INSUFFICIENT_DATA, aqhsi_2d_solve(dp, &c, three.data(), NULL, 3, &sol, &fom));
    DOUBLES_EQUAL(10000.0, fom.ellipsoidCoverage, 0.01);
    DOUBLES_EQUAL(2.0, sol.SI.e[0], 0.0);
}
