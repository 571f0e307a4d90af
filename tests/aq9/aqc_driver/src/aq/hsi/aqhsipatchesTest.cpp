// Patch tables and the counting of measurements per direction.
#include <math.h>

#include "aq/hsi/aqhsi.h"
#include "hsiSimulation.h"

#include "CppUTest/TestHarness.h"

namespace {
double minAngleDeg(const float (*p)[3], int n)
{
    double best = 180.0;
    for (int i = 0; i < n; i++)
        for (int j = i + 1; j < n; j++) {
            double d = (double)p[i][0] * p[j][0] + (double)p[i][1] * p[j][1] + (double)p[i][2] * p[j][2];
            best = fmin(best, acos(fmin(d, 1.0)) * 180.0 / M_PI);
        }
    return best;
}
}

TEST_GROUP(aqhsipatches)
{
    AqHsiConfig c = {};
    AqHsiDipole dp = {};
    void setup() override
    {
        c = hsisim::config(HSI_MODE_3D);
        dp = aqhsi_dipole_init(&c);
        aqhsi_patches_init(&c);
    }
    AqHsiPatch offer(float yaw, float pitch, float roll, int type)
    {
        aq_vec3f ypr = {{yaw, pitch, roll}};
        return aqhsi_patches_adddata(dp, &c, ypr, type);
    }
    // A yaw at which the field direction falls inside some north patch cone.
    float yawInsideAPatch(float pitch, float roll)
    {
        aq_vec3f ref = aqhsi_unit_mag_ref(dp);
        for (float yaw = 0.0f; yaw < 360.0f; yaw += 1.0f) {
            float e[3] = {yaw * 0.017453292f, pitch * 0.017453292f, roll * 0.017453292f}, C[9], bm[3];
            Euler3212C(C, e);
            aq_mult_m3_v3(C, ref.c, bm);
            if (aqhsi_find_patch(&c, bm, 1) >= 0) return yaw;
        }
        FAIL("no yaw inside a patch");
        return 0.0f;
    }
};

TEST(aqhsipatches, tables_are_unit_directions_beginning_with_their_stated_rows)
{
    struct Row
    {
        const char* name;
        const float (*table)[3];
        int n;
        float first[2][3];
    } rows[] = {
        {"32", Patches32, 32, {{0, 0.3568f, 0.9342f}, {0, -0.3568f, 0.9342f}}},
        {"50", Patches50, 50, {{0.8629f, 0.3574f, 0.3574f}, {0.3574f, 0.3574f, 0.8629f}}},
        {"122", Patches122, 122, {{0.268f, 0.1947f, 0.9435f}, {0, 0.6284f, 0.7779f}}},
        {"212", Patches212, 212, {{-0.8671f, 0.3896f, 0.3103f}, {-0.8434f, 0.2717f, 0.4635f}}},
    };
    for (const Row& r : rows) {
        for (int i = 0; i < r.n; i++) {
            const float* v = r.table[i];
            CHECK_TEXT(fabsf(sqrtf(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) - 1.0f) < 2e-4f, r.name);
        }
        for (int i = 0; i < 2; i++)
            for (int k = 0; k < 3; k++) CHECK_TEXT(fabsf(r.table[i][k] - r.first[i][k]) < 1e-4f, r.name);
    }
}

TEST(aqhsipatches, smallest_angle_between_centres_matches_the_cone)
{
    // The 32 set exactly; the 50 and 122 sets within 1.5 degrees; 212 is
    // closer-packed than its cone (about 10.8 degrees).
    DOUBLES_EQUAL(AQHSI_CONE32_DEG, minAngleDeg(Patches32, 32), 0.01);
    DOUBLES_EQUAL(AQHSI_CONE50_DEG, minAngleDeg(Patches50, 50), 1.5);
    DOUBLES_EQUAL(AQHSI_CONE122_DEG, minAngleDeg(Patches122, 122), 1.5);
    double m212 = minAngleDeg(Patches212, 212);
    CHECK(m212 > 10.0 && m212 < AQHSI_CONE212_DEG);
}

TEST(aqhsipatches, unsupported_counts_are_rewritten)
{
    struct Row
    {
        const char* name;
        AqHsiLibMode mode;
        uint32_t in, out;
    } rows[] = {
        {"3D 100 -> 122", HSI_MODE_3D, 100, 122}, {"3D 50 kept", HSI_MODE_3D, 50, 50},
        {"3D 0 -> 122", HSI_MODE_3D_NOLOCATION, 0, 122}, {"2D 300 -> 212", HSI_MODE_2D, 300, 212},
        {"2D 90 kept", HSI_MODE_2D_SCALE_S33, 90, 90},
    };
    for (const Row& r : rows) {
        c.mode = r.mode;
        c.nPatches = r.in;
        aqhsi_patches_init(&c);
        LONGS_EQUAL_TEXT(r.out, c.nPatches, r.name);
    }
}

TEST(aqhsipatches, full_patch_refuses_the_eleventh_measurement)
{
    float yaw = yawInsideAPatch(20.0f, 30.0f);
    for (int k = 0; k < 10; k++) {
        AqHsiPatch p = offer(yaw, 20.0f, 30.0f, NORTHPATCHTYPE);
        CHECK(p.patchInd >= 0);
        LONGS_EQUAL(k, p.numData);
    }
    AqHsiPatch p = offer(yaw, 20.0f, 30.0f, NORTHPATCHTYPE);
    LONGS_EQUAL(-1, p.patchInd);
    LONGS_EQUAL(0, p.numData);
    int ind = aqhsi_get_last_patch();
    LONGS_EQUAL(10, aqhsi_get_patch_fill(NORTHPATCHTYPE).numData[ind]);
}

TEST(aqhsipatches, filled_count_grows_on_the_second_measurement)
{
    float yaw = yawInsideAPatch(0.0f, 0.0f);
    offer(yaw, 0.0f, 0.0f, NORTHPATCHTYPE);
    LONGS_EQUAL(0, aqhsi_get_patch_fill(NORTHPATCHTYPE).numFilled);
    offer(yaw, 0.0f, 0.0f, NORTHPATCHTYPE);
    LONGS_EQUAL(1, aqhsi_get_patch_fill(NORTHPATCHTYPE).numFilled);
    offer(yaw, 0.0f, 0.0f, NORTHPATCHTYPE);
    LONGS_EQUAL(1, aqhsi_get_patch_fill(NORTHPATCHTYPE).numFilled);
}

TEST(aqhsipatches, east_set_counts_separately_and_leaves_last_patch)
{
    float yaw0 = yawInsideAPatch(0.0f, 0.0f);
    AqHsiPatch n = offer(yaw0, 0.0f, 0.0f, NORTHPATCHTYPE);
    CHECK(n.patchInd >= 0);
    int last = aqhsi_get_last_patch();
    LONGS_EQUAL(n.patchInd, last);
    bool moved = false;
    for (float yaw = 0.0f; yaw < 360.0f; yaw += 15.0f) {
        AqHsiPatch e = offer(yaw, 60.0f, 45.0f, EASTPATCHTYPE);
        moved = moved || (e.patchInd >= 0 && e.patchInd != last);
    }
    CHECK(moved); // the east set did take measurements in other patches
    LONGS_EQUAL(last, aqhsi_get_last_patch());
    LONGS_EQUAL(0, aqhsi_get_patch_fill(NORTHPATCHTYPE).numFilled);
}

TEST(aqhsipatches, unknown_type_and_directions_outside_every_cone_are_refused)
{
    LONGS_EQUAL(-1, offer(0.0f, 0.0f, 0.0f, 7).patchInd);
    // A direction midway between centres misses every cone of the 32 set.
    c.nPatches = 32;
    aqhsi_patches_init(&c);
    float between[3] = {0.0f, 0.0f, 1.0f}; // between (0, +-0.3568, 0.9342), 20.9 deg from each
    LONGS_EQUAL(-1, aqhsi_find_patch(&c, between, 1));
    LONGS_EQUAL(0, aqhsi_find_patch(&c, between, 0)); // nearest wins when the threshold is off
}

TEST(aqhsipatches, two_d_patches_follow_heading_on_the_initial_field)
{
    c.mode = HSI_MODE_2D;
    c.nPatches = 36;
    aqhsi_patches_init(&c);
    AqHsiPatchDef def = aqhsi_get_patch_def();
    DOUBLES_EQUAL(cosf(3.1415927f / 36.0f), def.cosErr, 1e-7);
    DOUBLES_EQUAL(dp.Bnorth, def.Patches[0], 1e-7);
    DOUBLES_EQUAL(dp.Bdown, def.Patches[2], 1e-7);
    // Heading 90 degrees puts north at body -y: the patch at 270 degrees.
    AqHsiPatch p = offer(90.0f, 0.0f, 0.0f, TWODPATCHTYPE);
    LONGS_EQUAL(27, p.patchInd);
    LONGS_EQUAL(27, aqhsi_get_last_patch());
}

TEST(aqhsipatches, a_count_raised_after_initialisation_never_reads_past_the_table)
{
    c.nPatches = 32;
    aqhsi_patches_init(&c);
    c.nPatches = 212; // the caller's field changed under the 32-entry table
    float back[3] = {0.0f, 0.0f, -1.0f};
    int ind = aqhsi_find_patch(&c, back, 0);
    CHECK(ind >= 0 && ind < 32);
}
