// Engine interface: dispatch by mode, refusal of bad readings, scoring,
// composition of the final calibration and the shared numerical steps.
#include <math.h>
#include <string.h>
#include <vector>

#include "aq/hsi/aqhsi.h"
#include "hsiSimulation.h"

#include "CppUTest/TestHarness.h"

TEST_GROUP(aqhsi)
{
    AqHsiConfig c = {};
    void setup() override
    {
        c = hsisim::config(HSI_MODE_3D);
    }
    static AqHsiFom fomOf(const float* v)
    {
        AqHsiFom f;
        memcpy(&f, v, sizeof f);
        return f;
    }
};

TEST(aqhsi, location_free_modes_forget_the_site_before_building_the_field)
{
    const AqHsiLibMode modes[] = {HSI_MODE_3D_NOLOCATION, HSI_MODE_2D_NOLOCATION};
    for (AqHsiLibMode m : modes) {
        setup();
        c.mode = m;
        aqhsi_init(&c);
        DOUBLES_EQUAL(0.0, c.latitude, 0.0);
        DOUBLES_EQUAL(0.0, c.longitude, 0.0);
        DOUBLES_EQUAL(0.3132, aqhsi_get_dipole(0).sphereRad, 1e-4);
    }
    c.mode = HSI_MODE_2D;
    c.latitude = 36.8f;
    aqhsi_init(&c);
    DOUBLES_EQUAL(36.8, c.latitude, 1e-6);
}

TEST(aqhsi, modes_without_a_solver_keep_nothing_and_solve_nothing)
{
    const int modes[] = {0, HSI_MODE_MAX, 42};
    for (int m : modes) {
        c.mode = (AqHsiLibMode)m;
        aqhsi_init(&c);
        AqHsiYmr meas = {};
        meas.mag.c[0] = 0.3f;
        LONGS_EQUAL(0, aqhsi_keep(&c, meas));
        AqHsiSol sol;
        LONGS_EQUAL(E_UNKNOWN, aqhsi_solve(&c, &meas, 1, &sol));
        // The figure of merit still grades residuals, without a coverage pass.
        AqHsiFom fom;
        fom.ellipsoidCoverage = 0.05f;
        fom.alignmentCoverage = 0.45f;
        unsigned int score[AQHSI_NUM_FOM];
        AqHsiSol id = {{{1, 0, 0, 0, 1, 0, 0, 0, 1}}, {{0, 0, 0}}, 0.0f};
        aqhsi_figure_of_merit(&c, &meas, 1, id, &fom, score, NULL, NULL, NULL);
        DOUBLES_EQUAL(0.05, fom.ellipsoidCoverage, 1e-7);
        LONGS_EQUAL(0, score[6]);
        LONGS_EQUAL(2, score[7]);
    }
}

TEST(aqhsi, non_finite_readings_are_refused_and_not_counted)
{
    aqhsi_init(&c);
    // An attitude that both patch sets would take.
    AqHsiYmr good = {};
    good.mag.c[0] = 0.2f;
    good.mag.c[2] = 0.4f;
    hsisim::Rng rng(8);
    bool found = false;
    for (int k = 0; k < 2000 && !found; k++) {
        double y, p, r;
        hsisim::randomAttitude(rng, &y, &p, &r);
        good.ypr.c[0] = (float)y, good.ypr.c[1] = (float)p, good.ypr.c[2] = (float)r;
        c.flagKM = 1;
        aqhsi_init(&c);
        found = aqhsi_keep(&c, good) != 0;
    }
    CHECK(found);
    struct Row
    {
        const char* name;
        int field, axis;
        float value;
    } rows[] = {{"NaN x", 0, 0, NAN},           {"+inf z", 0, 2, INFINITY}, {"-inf y", 0, 1, -INFINITY},
                {"NaN yaw", 1, 0, NAN},          {"NaN gyro", 2, 1, NAN}};
    for (const Row& r : rows) {
        aqhsi_init(&c);
        AqHsiYmr bad = good;
        aq_vec3f* f = r.field == 0 ? &bad.mag : (r.field == 1 ? &bad.ypr : &bad.gyro);
        f->c[r.axis] = r.value;
        LONGS_EQUAL_TEXT(0, aqhsi_keep(&c, bad), r.name);
        AqHsiPatchFill north = aqhsi_get_patch_fill(NORTHPATCHTYPE);
        AqHsiPatchFill east = aqhsi_get_patch_fill(EASTPATCHTYPE);
        long total = 0;
        for (int i = 0; i < 122; i++) total += north.numData[i] + east.numData[i];
        LONGS_EQUAL_TEXT(0, total, r.name);
        LONGS_EQUAL_TEXT(1, aqhsi_keep(&c, good), r.name);
    }
}

TEST(aqhsi, scores_are_the_lowest_row_whose_bound_holds)
{
    struct Row
    {
        const char* name;
        float fom[AQHSI_NUM_FOM];
        unsigned int score[AQHSI_NUM_FOM];
    } rows[] = {
        {"typical", {0.0004f, 0.02f, 0.004f, -0.0004f, -0.02f, 0.004f, 0.15f, 0.6f}, {1, 1, 0, 1, 1, 0, 1, 3}},
        {"exact bounds", {0.0001f, 0.03f, 0.02f, 0.002f, 0.015f, 0.01f, 0.1f, 0.5f}, {0, 1, 2, 2, 0, 1, 0, 2}},
        {"beyond every bound", {0.01f, 1.0f, 0.5f, 0.003f, 0.07f, 0.03f, 10000.0f, 41.0f}, {3, 3, 3, 3, 3, 3, 3, 3}},
        {"not a number", {NAN, 0.0f, NAN, 0.0f, NAN, 0.0f, NAN, 0.0f}, {3, 0, 3, 0, 3, 0, 3, 0}},
    };
    for (const Row& r : rows) {
        AqHsiFom f = fomOf(r.fom);
        unsigned int score[AQHSI_NUM_FOM + 1];
        score[AQHSI_NUM_FOM] = 0xA5A5A5A5u; // marker past the score array
        aqhsi_evaluate_fom(&f, score);
        for (int i = 0; i < AQHSI_NUM_FOM; i++) LONGS_EQUAL_TEXT(r.score[i], score[i], r.name);
        LONGS_EQUAL_TEXT(0xA5A5A5A5u, score[AQHSI_NUM_FOM], r.name);
    }
}

TEST(aqhsi, results_compose_with_mounting_and_old_compensation)
{
    AqHsiSol sol = {{{1.1f, 0.2f, 0, -0.1f, 0.9f, 0.05f, 0, 0, 1.0f}}, {{0.1f, -0.2f, 0.3f}}, 0.4f};
    aq_mat3f si;
    aq_vec3f hi;
    aqhsi_results(&c, &si, &hi, sol);
    for (int k = 0; k < 9; k++) DOUBLES_EQUAL(sol.SI.e[k], si.e[k], 0.0);
    for (int k = 0; k < 3; k++) DOUBLES_EQUAL(sol.HI.c[k], hi.c[k], 0.0);
    // Mounting turned 90 degrees about z, old soft iron doubling x, old offset along x.
    const float rfr[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
    const float oldSI[9] = {2, 0, 0, 0, 1, 0, 0, 0, 1};
    memcpy(c.RFR.e, rfr, sizeof rfr);
    memcpy(c.oldSI.e, oldSI, sizeof oldSI);
    c.oldHI.c[0] = 1.0f;
    AqHsiSol plain = {{{1, 0, 0, 0, 1, 0, 0, 0, 1}}, {{0, 1, 0}}, 0.4f};
    aqhsi_results(&c, &si, &hi, plain);
    for (int k = 0; k < 9; k++) DOUBLES_EQUAL(oldSI[k], si.e[k], 1e-7);
    DOUBLES_EQUAL(1.5, hi.c[0], 1e-7); // 1 + (1/2) * (R^T (0, 1, 0)).x
    DOUBLES_EQUAL(0.0, hi.c[1], 1e-7);
    DOUBLES_EQUAL(0.0, hi.c[2], 1e-7);
    // No memory for the inverse of the old compensation: the offset must not look usable.
    aq_alloc_fail_after(0);
    aqhsi_results(&c, &si, &hi, plain);
    aq_alloc_fail_after(-1);
    for (int k = 0; k < 3; k++) CHECK_TEXT(isnan(hi.c[k]), "offset composed without an inverse");
}

TEST(aqhsi, figure_of_merit_fills_optional_residual_arrays_within_their_length)
{
    aqhsi_init(&c);
    AqHsiDipole dp = aqhsi_get_dipole(1);
    hsisim::Truth t;
    const double I[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, z[3] = {0, 0, 0};
    t = hsisim::plainTruth(I, z, 0.0);
    hsisim::Rng rng(4);
    std::vector<AqHsiYmr> m;
    for (int k = 0; k < 5; k++) m.push_back(hsisim::measure(t, dp, 70.0 * k, 10.0 * k, -20.0 * k, NULL, rng));
    m[2].mag.c[0] *= 1.01f; // one reading off the sphere
    float sphere[6], vert[6], corrected[6][3];
    sphere[5] = vert[5] = corrected[5][0] = 99.0f; // markers past the outputs
    AqHsiSol id = {{{1, 0, 0, 0, 1, 0, 0, 0, 1}}, {{0, 0, 0}}, dp.Bdown};
    AqHsiFom fom;
    unsigned int score[AQHSI_NUM_FOM];
    aqhsi_figure_of_merit(&c, m.data(), 5, id, &fom, score, sphere, vert, corrected);
    DOUBLES_EQUAL(99.0, sphere[5], 0.0);
    DOUBLES_EQUAL(99.0, vert[5], 0.0);
    DOUBLES_EQUAL(99.0, corrected[5][0], 0.0);
    for (int k = 0; k < 5; k++) {
        if (k == 2) continue;
        DOUBLES_EQUAL(0.0, sphere[k], 1e-6);
        DOUBLES_EQUAL(0.0, vert[k], 1e-6);
    }
    CHECK(sphere[2] > 0.0f);
    DOUBLES_EQUAL(m[2].mag.c[0], corrected[2][0], 0.0);
    // Welford statistics over the five: population spread and the single peak.
    double mean = 0, var = 0;
    for (int k = 0; k < 5; k++) mean += sphere[k] / 5.0;
    for (int k = 0; k < 5; k++) var += (sphere[k] - mean) * (sphere[k] - mean) / 5.0;
    DOUBLES_EQUAL(mean, fom.ellipsoidFitResidualsMean, 1e-7);
    DOUBLES_EQUAL(sqrt(var), fom.ellipsoidFitResidualsStd, 1e-6);
    DOUBLES_EQUAL(sphere[2], fom.ellipsoidFitResidualsMax, 0.0);
}

TEST(aqhsi, least_squares_solves_or_reports_too_little_information)
{
    float HTH[9] = {4, 1, 0, 1, 3, 0, 0, 0, 2}, HTY[3] = {1, 2, 3}, X[3], fom;
    LONGS_EQUAL(E_NONE, aqhsi_solveLLS(HTH, HTY, 3, 0.0001f, X, &fom));
    // Solution of [[4,1,0],[1,3,0],[0,0,2]] X = (1,2,3).
    DOUBLES_EQUAL(1.0 / 11.0, X[0], 1e-6);
    DOUBLES_EQUAL(7.0 / 11.0, X[1], 1e-6);
    DOUBLES_EQUAL(1.5, X[2], 1e-6);
    DOUBLES_EQUAL(1.0 / sqrt(2.0), fom, 1e-6); // smallest eigenvalue 2
    float H2[9] = {4, 1, 0, 1, 3, 0, 0, 0, 2};
    LONGS_EQUAL(E_INSUFFICIENT_DATA, aqhsi_solveLLS(H2, HTY, 3, 10.0f, X, &fom));
    for (int k = 0; k < 3; k++) DOUBLES_EQUAL(0.0, X[k], 0.0);
    DOUBLES_EQUAL(0.1, fom, 1e-7);
    float H3[9] = {4, 1, 0, 1, 3, 0, 0, 0, 2};
    aq_alloc_fail_after(0);
    LONGS_EQUAL(E_MEMORY_NOT_ALLOCATED, aqhsi_solveLLS(H3, HTY, 3, 0.0001f, X, NULL));
    aq_alloc_fail_after(-1);
}

TEST(aqhsi, a_solve_short_of_memory_says_so_whichever_allocation_fails)
{
    const double D[9] = {1.06, 0.04, -0.03, 0.01, 0.95, 0.05, -0.02, 0.03, 1.02}, h[3] = {0.08, -0.05, 0.12};
    hsisim::Truth t = hsisim::plainTruth(D, h, 0.001);
    const AqHsiLibMode modes[] = {HSI_MODE_3D, HSI_MODE_2D};
    for (AqHsiLibMode mode : modes) {
        c = hsisim::config(mode, t);
        aqhsi_init(&c);
        AqHsiDipole dp = aqhsi_get_dipole(0);
        hsisim::Rng rng(3);
        std::vector<AqHsiYmr> m;
        for (int k = 0; k < 400; k++) {
            double y = 2.0 * k, p = 5.0 * sin(0.1 * k), r = 3.0;
            if (mode == HSI_MODE_3D) hsisim::randomAttitude(rng, &y, &p, &r);
            m.push_back(hsisim::measure(t, dp, y, p, r, NULL, rng));
        }
        // Let the first `budget` allocations succeed, until the solve needs no more.
        AqError code = E_MEMORY_NOT_ALLOCATED;
        for (int budget = 0; budget < 1000 && code == E_MEMORY_NOT_ALLOCATED; budget++) {
            AqHsiSol sol;
            aq_alloc_fail_after(budget);
            code = aqhsi_solve(&c, m.data(), m.size(), &sol);
            aq_alloc_fail_after(-1);
            SimpleString row = StringFromFormat("mode %d, allocation %d failing: code %d", mode, budget, code);
            CHECK_TEXT(code == E_MEMORY_NOT_ALLOCATED || code == E_NONE, row.asCharString());
        }
        LONGS_EQUAL(E_NONE, code);
    }
}

TEST(aqhsi, correction_and_euler_conversions)
{
    aq_vec3f m = {{0.1f, 0.2f, 0.3f}};
    aq_vec3f same = aqhsi_ApplyHSI(NULL, m);
    DOUBLES_EQUAL(m.c[1], same.c[1], 0.0);
    AqHsiSol s = {{{2, 0, 0, 0, 1, 0, 0, 0, 1}}, {{0.1f, 0, 0}}, 0};
    DOUBLES_EQUAL(0.0, aqhsi_ApplyHSI(&s, m).c[0], 0.0);
    // Heading east: north lies along body -y, east along body +x.
    float e[3] = {3.1415927f / 2.0f, 0, 0}, C[9];
    Euler3212C(C, e);
    DOUBLES_EQUAL(1.0, C[1], 1e-7);
    DOUBLES_EQUAL(-1.0, C[3], 1e-7);
    const float att[][3] = {{30, 20, -40}, {-170, -80, 175}, {0, 0, 0}, {95, 45, 10}};
    for (const float* a : att) {
        float r[3] = {a[0] * 3.1415927f / 180, a[1] * 3.1415927f / 180, a[2] * 3.1415927f / 180};
        Euler3212C(C, r);
        aq_vec3f back = C2Euler321(C);
        for (int k = 0; k < 3; k++) DOUBLES_EQUAL(a[k], back.c[k], 1e-3);
    }
}
