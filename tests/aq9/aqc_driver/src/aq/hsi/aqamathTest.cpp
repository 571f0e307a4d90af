// Matrix and vector library: index conventions, inverse, norms and statistics.
#include <math.h>
#include <string.h>

#include "aq/hsi/aqamath.h"

#include "CppUTest/TestHarness.h"

TEST_GROUP(aqamath)
{
    void teardown() override { aq_alloc_fail_after(-1); }
};

TEST(aqamath, get_reads_column_order_while_set_writes_row_order)
{
    float A[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    DOUBLES_EQUAL(3.0f, aq_get_m3(A, 0, 1), 0.0f);
    aq_set_m3(A, 0, 1, 42.0f);
    DOUBLES_EQUAL(42.0f, A[1], 0.0f);
    DOUBLES_EQUAL(3.0f, A[3], 0.0f);
}

TEST(aqamath, init_stores_matrix_in_column_order_where_get_finds_it)
{
    float M[9];
    aq_init_m3(M, 1, 2, 3, 4, 5, 6, 7, 8, 9);
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) DOUBLES_EQUAL((float)(3 * i + j + 1), aq_get_m3(M, i, j), 0.0f);
    float M2[4];
    aq_init_m2(M2, 1, 2, 3, 4);
    DOUBLES_EQUAL(3.0f, M2[1], 0.0f);
}

TEST(aqamath, inverse_of_identity_is_identity_and_leaves_input_alone)
{
    float I[9], r[9], copy[9];
    aq_eye_m3(I);
    memcpy(copy, I, sizeof I);
    LONGS_EQUAL(E_NONE, aq_inverse_m3(I, r));
    MEMCMP_EQUAL(copy, I, sizeof I);
    MEMCMP_EQUAL(I, r, sizeof I);
}

TEST(aqamath, inverse_needs_pivoting_and_multiplies_back_to_identity)
{
    // Zero leading element: the first column must be pivoted.
    const float A[16] = {0, 2, 1, 0, 1, 0, 3, 1, 4, 1, 0, 2, 1, 1, 1, 5};
    float inv[16], prod[16], copy[16];
    memcpy(copy, A, sizeof A);
    LONGS_EQUAL(E_NONE, aq_inverse_m4(A, inv));
    MEMCMP_EQUAL(copy, A, sizeof A);
    aq_mult_m4_m4(A, inv, prod);
    for (int k = 0; k < 16; k++) DOUBLES_EQUAL(k % 5 == 0 ? 1.0f : 0.0f, prod[k], 1e-5f);
}

TEST(aqamath, singular_matrices_are_reported_ill_conditioned)
{
    const float zeroRow[9] = {1, 2, 3, 0, 0, 0, 4, 5, 6};
    const float dependent[4] = {1, 2, 2, 4};
    float r[9];
    LONGS_EQUAL(E_ILL_CONDITIONED, aq_inverse_m3(zeroRow, r));
    LONGS_EQUAL(E_ILL_CONDITIONED, aq_inverse_m2(dependent, r));
}

TEST(aqamath, inverse_reports_a_working_copy_it_cannot_allocate)
{
    const float A[4] = {2, 0, 0, 2};
    float r[4] = {7, 7, 7, 7};
    aq_alloc_fail_after(0);
    LONGS_EQUAL(E_MEMORY_NOT_ALLOCATED, aq_inverse_m2(A, r));
    DOUBLES_EQUAL(7.0f, r[0], 0.0f); // untouched
}

TEST(aqamath, products_transposes_and_crosses)
{
    const float A[6] = {1, 2, 3, 4, 5, 6}; // 2 x 3
    const float B[6] = {7, 8, 9, 10, 11, 12}; // 3 x 2
    float r[4], t[6], c[3];
    aq_mult_mn(A, B, 2, 3, 2, r);
    const float expected[4] = {58, 64, 139, 154};
    for (int k = 0; k < 4; k++) DOUBLES_EQUAL(expected[k], r[k], 0.0f);
    aq_tranpose_m(A, 2, 3, t);
    const float At[6] = {1, 4, 2, 5, 3, 6};
    for (int k = 0; k < 6; k++) DOUBLES_EQUAL(At[k], t[k], 0.0f);
    const float x[3] = {1, 0, 0}, y[3] = {0, 2, 0};
    aq_cross_v3(x, y, c);
    DOUBLES_EQUAL(2.0f, c[2], 0.0f);
    aq_cross_norm_v3(x, y, c);
    DOUBLES_EQUAL(1.0f, c[2], 0.0f);
    float col[9];
    const float M[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    aq_to_column_order_m3(M, col);
    DOUBLES_EQUAL(3.0f, col[1], 0.0f);
    DOUBLES_EQUAL(1.0f, col[3], 0.0f);
}

TEST(aqamath, norms_condition_and_statistics)
{
    const float v[4] = {1, 2, 3, 4};
    DOUBLES_EQUAL(1.2909944f, aq_std(v, 4), 1e-6f); // sqrt(5/3)
    DOUBLES_EQUAL(2.5f, aq_mean(v, 4), 0.0f);
    const float w[3] = {-5, 2, 4};
    DOUBLES_EQUAL(5.0f, aq_abs_max(w, 3), 0.0f);
    DOUBLES_EQUAL(0.0f, aq_abs_max(w, 0), 0.0f);
    DOUBLES_EQUAL(0.0f, aq_std(v, 1), 0.0f); // no spread from one sample, not 0/0
    DOUBLES_EQUAL(sqrtf(30.0f), aq_norm_v(v, 4), 1e-6f);
    float I[9];
    aq_eye_m3(I);
    DOUBLES_EQUAL(3.0f, aq_cond(I, I, 3), 1e-6f);
    DOUBLES_EQUAL(-1.0f, aq_sign(-0.5f), 0.0f);
    DOUBLES_EQUAL(0.0f, aq_sign(0.0f), 0.0f);
    DOUBLES_EQUAL(3.1415927f / 2.0f, aq_deg2rad(90.0f), 1e-7f);
}
