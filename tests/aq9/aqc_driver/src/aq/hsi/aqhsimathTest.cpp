// Eigen-decomposition, SVD, complex helpers and the scratch pool.
#include <math.h>
#include <string.h>

#include "aq/hsi/aqamath.h"
#include "aq/hsi/aqhsimath.h"
#include "hsiSimulation.h"

#include "CppUTest/TestHarness.h"

TEST_GROUP(aqhsimath)
{
    void teardown() override { aq_alloc_fail_after(-1); }

    // |A v - lambda v| for column j of the row-major eigenvector matrix.
    static float residual(const float* A, int n, const float* V, int j, float lambda)
    {
        double s = 0.0;
        for (int i = 0; i < n; i++) {
            double r = -lambda * V[i * n + j];
            for (int k = 0; k < n; k++) r += A[i * n + k] * V[k * n + j];
            s += r * r;
        }
        return (float)sqrt(s);
    }
};

TEST(aqhsimath, diagonal_matrix_gives_its_elements_with_axis_eigenvectors)
{
    const float diag[3] = {3, 1, 2};
    float A[9] = {3, 0, 0, 0, 1, 0, 0, 0, 2};
    float wr[3], wi[3], V[9];
    LONGS_EQUAL(0, n_eigeng(A, 3, wr, wi, V));
    float sum = 0.0f;
    for (int j = 0; j < 3; j++) {
        int axis = 0;
        for (int i = 1; i < 3; i++)
            if (fabsf(V[i * 3 + j]) > fabsf(V[axis * 3 + j])) axis = i;
        DOUBLES_EQUAL(diag[axis], wr[j], 0.0f);
        DOUBLES_EQUAL(0.0f, wi[j], 0.0f);
        for (int i = 0; i < 3; i++) DOUBLES_EQUAL(i == axis ? 1.0f : 0.0f, V[i * 3 + j], 1e-6f);
        sum += wr[j];
    }
    DOUBLES_EQUAL(6.0f, sum, 0.0f); // each of 1, 2, 3 once
}

TEST(aqhsimath, symmetric_nine_by_nine_normal_matrix_decomposes_to_unit_eigenvectors)
{
    hsisim::Rng rng(7);
    float H[9 * 20], A[81], copy[81];
    for (int k = 0; k < 9 * 20; k++) H[k] = (float)rng.gauss();
    for (int i = 0; i < 9; i++)
        for (int j = 0; j < 9; j++) {
            float s = 0.0f;
            for (int r = 0; r < 20; r++) s += H[r * 9 + i] * H[r * 9 + j];
            A[i * 9 + j] = s;
        }
    memcpy(copy, A, sizeof A);
    float wr[9], wi[9], V[81];
    LONGS_EQUAL(0, n_eigeng(A, 9, wr, wi, V));
    for (int j = 0; j < 9; j++) {
        DOUBLES_EQUAL(0.0f, wi[j], 0.0f);
        CHECK(wr[j] > 0.0f);
        // Float accumulation over 81 products: a few ulps of the largest eigenvalue.
        CHECK(residual(copy, 9, V, j, wr[j]) < 1e-4f * 60.0f);
        float n = 0.0f;
        for (int i = 0; i < 9; i++) n += V[i * 9 + j] * V[i * 9 + j];
        DOUBLES_EQUAL(1.0f, n, 1e-5f);
    }
}

TEST(aqhsimath, general_matrix_with_complex_pair_and_its_eigenvectors)
{
    // Scaled rotation block (eigenvalues 2 +- 3i) plus a real eigenvalue 5, mixed by a similarity.
    float A[9] = {2, -3, 1, 3, 2, 0.5f, 0, 0, 5};
    float wr[3], wi[3], V[9];
    LONGS_EQUAL(0, n_eigeng(A, 3, wr, wi, V));
    int real = -1, pair = -1;
    for (int j = 0; j < 3; j++) {
        if (wi[j] == 0.0f) real = j;
        if (wi[j] > 0.0f) pair = j;
    }
    CHECK(real >= 0 && pair >= 0);
    DOUBLES_EQUAL(5.0f, wr[real], 1e-5f);
    DOUBLES_EQUAL(2.0f, wr[pair], 1e-5f);
    DOUBLES_EQUAL(3.0f, wi[pair], 1e-5f);
    // The pair's columns (re, im) satisfy A(re + i im) = (2 + 3i)(re + i im).
    const float A0[9] = {2, -3, 1, 3, 2, 0.5f, 0, 0, 5};
    for (int i = 0; i < 3; i++) {
        float re = 0, im = 0;
        for (int k = 0; k < 3; k++) {
            re += A0[i * 3 + k] * V[k * 3 + pair];
            im += A0[i * 3 + k] * V[k * 3 + pair + 1];
        }
        DOUBLES_EQUAL(2 * V[i * 3 + pair] - 3 * V[i * 3 + pair + 1], re, 1e-5f);
        DOUBLES_EQUAL(3 * V[i * 3 + pair] + 2 * V[i * 3 + pair + 1], im, 1e-5f);
    }
}

TEST(aqhsimath, eigen_rejects_bad_arguments_and_handles_order_one)
{
    float a = 4.0f, wr, wi, v;
    LONGS_EQUAL(0, n_eigeng(&a, 1, &wr, &wi, &v));
    DOUBLES_EQUAL(4.0f, wr, 0.0f);
    DOUBLES_EQUAL(1.0f, v, 0.0f);
    LONGS_EQUAL(1, n_eigeng(&a, 0, &wr, &wi, &v));
    float bad[4] = {1, NAN, 0, 1}, wr2[2], wi2[2];
    LONGS_EQUAL(1, n_eigeng(bad, 2, wr2, wi2, NULL));
}

TEST(aqhsimath, allocation_failures_are_reported_not_dereferenced)
{
    float A[9] = {3, 1, 0, 1, 3, 0, 0, 0, 2}, wr[3], wi[3], V[9];
    for (int budget = 0; budget < 6; budget++) {
        float M[9];
        memcpy(M, A, sizeof A);
        aq_alloc_fail_after(budget);
        int rc = n_eigeng(M, 3, wr, wi, V);
        aq_alloc_fail_after(-1);
        if (rc == 0) continue; // enough allocations succeeded for this budget
        LONGS_EQUAL(1, rc);
    }
    aq_alloc_fail_after(0);
    POINTERS_EQUAL(NULL, vminit());
    float a[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, w[3], v[3][3];
    LONGS_EQUAL(-1, svdcmp(a, 3, 3, w, v));
}

TEST(aqhsimath, pool_vectors_stay_valid_when_the_pool_grows)
{
    vmblock_t* pool = vminit();
    float* first = (float*)vmalloc(pool, 0, 4, 0);
    first[3] = 1.5f;
    float* big = (float*)vmalloc(pool, 0, 10000, 0);
    big[9999] = 2.5f;
    first[0] = 0.5f; // still writable: the first block was retired, not moved
    DOUBLES_EQUAL(1.5f, first[3], 0.0f);
    POINTERS_EQUAL(NULL, vmalloc(pool, 1, 3, 3)); // only vectors are supported
    LONGS_EQUAL(0, vmcomplete(pool));
    vmfree(pool);
    vmblock_t* ok = vminit();
    CHECK(vmalloc(ok, 0, 8, 0) != NULL);
    LONGS_EQUAL(1, vmcomplete(ok));
    vmfree(ok);
}

TEST(aqhsimath, complex_helpers)
{
    aqcomplex one = {1, 0}, i = {0, 1}, z = {3, 4};
    aqcomplex q = cdiv(one, i);
    DOUBLES_EQUAL(0.0f, q.Re, 0.0f);
    DOUBLES_EQUAL(-1.0f, q.Im, 0.0f);
    aqcomplex p = cmult(z, i);
    DOUBLES_EQUAL(-4.0f, p.Re, 0.0f);
    DOUBLES_EQUAL(3.0f, p.Im, 0.0f);
    DOUBLES_EQUAL(5.0f, aqcabs(z), 1e-6f);
    DOUBLES_EQUAL(5.0e30f, pythag(3e30f, 4e30f), 1e25f); // squares would overflow
}

TEST(aqhsimath, svd_reconstructs_a_tall_matrix)
{
    const float A[4][3] = {{2, 0, 1}, {1, 3, 0}, {0, 1, 4}, {1, 1, 1}};
    float U[4][3], w[3], V[3][3];
    memcpy(U, A, sizeof A);
    LONGS_EQUAL(0, svdcmp(U, 4, 3, w, V));
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 3; j++) {
            float s = 0.0f;
            for (int k = 0; k < 3; k++) s += U[i][k] * w[k] * V[j][k];
            DOUBLES_EQUAL(A[i][j], s, 1e-5f);
        }
    for (int k = 0; k < 3; k++) CHECK(w[k] >= 0.0f);
    LONGS_EQUAL(-1, svdcmp(U, 4, 4, w, V));
}

TEST(aqhsimath, householder_and_elimination_reductions_agree)
{
    const float A0[16] = {4, 1, -2, 2, 1, 2, 0, 1, -2, 0, 3, -2, 2, 1, -2, -1};
    float wr[2][4], wi[2][4];
    for (int ortho = 0; ortho < 2; ortho++) {
        float A[16], V[16];
        memcpy(A, A0, sizeof A);
        float* rows[4] = {A, A + 4, A + 8, A + 12};
        float* vrows[4] = {V, V + 4, V + 8, V + 12};
        int cnt[4];
        LONGS_EQUAL(0, eigen(1, ortho, 1, 4, rows, vrows, wr[ortho], wi[ortho], cnt));
        for (int j = 0; j < 4; j++) {
            CHECK(cnt[j] >= 0 && cnt[j] <= 50);
            CHECK(residual(A0, 4, V, j, wr[ortho][j]) < 1e-4f * 8.0f);
            float big = 0.0f; // scaled so that the largest component is 1
            for (int i = 0; i < 4; i++)
                if (fabsf(V[i * 4 + j]) > fabsf(big)) big = V[i * 4 + j];
            DOUBLES_EQUAL(1.0, big, 1e-6);
        }
    }
    // The same spectrum either way (symmetric: real eigenvalues summing to the trace 8).
    double s0 = 0, s1 = 0, q0 = 0, q1 = 0;
    for (int j = 0; j < 4; j++) {
        s0 += wr[0][j], s1 += wr[1][j];
        q0 += wr[0][j] * wr[0][j], q1 += wr[1][j] * wr[1][j];
        DOUBLES_EQUAL(0.0, wi[0][j], 0.0);
    }
    DOUBLES_EQUAL(8.0, s0, 1e-4);
    DOUBLES_EQUAL(s0, s1, 1e-4);
    DOUBLES_EQUAL(q0, q1, 1e-3);
}
