// Single-precision matrix and vector library of the calibration engine.
#include "aq/hsi/aqamath.h"

#include <assert.h>
#include <math.h>
#include <stdlib.h>

namespace {
int allocBudget = -1; // allocations left before the test seam fails them; -1 = unlimited
}

void* aq_alloc(size_t bytes)
{
    if (allocBudget == 0) return NULL;
    if (allocBudget > 0) allocBudget--;
    return malloc(bytes);
}

void aq_free(void* p) { free(p); }

void aq_alloc_fail_after(int count) { allocBudget = count < 0 ? -1 : count; }

void aq_init_v2(float* r, float a0, float a1)
{
    r[0] = a0;
    r[1] = a1;
}

void aq_init_v3(float* r, float a0, float a1, float a2)
{
    r[0] = a0;
    r[1] = a1;
    r[2] = a2;
}

void aq_init_v4(float* r, float a0, float a1, float a2, float a3)
{
    r[0] = a0;
    r[1] = a1;
    r[2] = a2;
    r[3] = a3;
}

// Stores the row-by-row list e (n*n values) in column order.
static void initColumnOrder(float* r, const float* e, int n)
{
    for (int i = 0; i < n; i++)
        for (int j = 0; j < n; j++) r[i + n * j] = e[i * n + j];
}

void aq_init_m2(float* r, float e00, float e01, float e10, float e11)
{
    const float e[4] = {e00, e01, e10, e11};
    initColumnOrder(r, e, 2);
}

void aq_init_m3(float* r, float e00, float e01, float e02, float e10, float e11, float e12, float e20,
                float e21, float e22)
{
    const float e[9] = {e00, e01, e02, e10, e11, e12, e20, e21, e22};
    initColumnOrder(r, e, 3);
}

void aq_init_m4(float* r, float e00, float e01, float e02, float e03, float e10, float e11, float e12,
                float e13, float e20, float e21, float e22, float e23, float e30, float e31, float e32,
                float e33)
{
    const float e[16] = {e00, e01, e02, e03, e10, e11, e12, e13, e20, e21, e22, e23, e30, e31, e32, e33};
    initColumnOrder(r, e, 4);
}

void aq_neg_m(const float* A, int m, int n, float* r)
{
    for (int k = 0; k < m * n; k++) r[k] = -A[k];
}

void aq_neg_m3(const float* A, float* r) { aq_neg_m(A, 3, 3, r); }

void aq_mult_vs(const float* a, float s, int n, float* r)
{
    for (int k = 0; k < n; k++) r[k] = s * a[k];
}

void aq_mult_v2s(const float* a, float s, float* r) { aq_mult_vs(a, s, 2, r); }
void aq_mult_v3s(const float* a, float s, float* r) { aq_mult_vs(a, s, 3, r); }
void aq_mult_v4s(const float* a, float s, float* r) { aq_mult_vs(a, s, 4, r); }

void aq_mult_mn(const float* A, const float* B, int m, int p, int n, float* r)
{
    aq_zero_m(r, m, n);
    for (int i = 0; i < m; i++)
        for (int j = 0; j < n; j++)
            for (int k = 0; k < p; k++) r[i * n + j] += A[i * p + k] * B[k * n + j];
}

void aq_mult_m2_m2(const float* A, const float* B, float* r) { aq_mult_mn(A, B, 2, 2, 2, r); }
void aq_mult_m3_m3(const float* A, const float* B, float* r) { aq_mult_mn(A, B, 3, 3, 3, r); }
void aq_mult_m4_m4(const float* A, const float* B, float* r) { aq_mult_mn(A, B, 4, 4, 4, r); }
void aq_mult_m3_v3(const float* A, const float* b, float* r) { aq_mult_mn(A, b, 3, 3, 1, r); }

void aq_add_v(const float* a, const float* b, int n, float* r)
{
    for (int k = 0; k < n; k++) r[k] = a[k] + b[k];
}

void aq_add_v2(const float* a, const float* b, float* r) { aq_add_v(a, b, 2, r); }
void aq_add_v3(const float* a, const float* b, float* r) { aq_add_v(a, b, 3, r); }
void aq_add_v4(const float* a, const float* b, float* r) { aq_add_v(a, b, 4, r); }

void aq_add_m(const float* A, const float* B, int m, int n, float* r) { aq_add_v(A, B, m * n, r); }
void aq_add_m2(const float* A, const float* B, float* r) { aq_add_m(A, B, 2, 2, r); }
void aq_add_m3(const float* A, const float* B, float* r) { aq_add_m(A, B, 3, 3, r); }
void aq_add_m4(const float* A, const float* B, float* r) { aq_add_m(A, B, 4, 4, r); }

void aq_sub_m(const float* A, const float* B, int m, int n, float* r)
{
    for (int k = 0; k < m * n; k++) r[k] = A[k] - B[k];
}

void aq_sub_m2(const float* A, const float* B, float* r) { aq_sub_m(A, B, 2, 2, r); }
void aq_sub_m3(const float* A, const float* B, float* r) { aq_sub_m(A, B, 3, 3, r); }
void aq_sub_m4(const float* A, const float* B, float* r) { aq_sub_m(A, B, 4, 4, r); }

void aq_set_m(float* A, int m, int n, int i, int j, float val)
{
    (void)m;
    A[i * n + j] = val;
}

void aq_set_m2(float* A, int i, int j, float val) { aq_set_m(A, 2, 2, i, j, val); }
void aq_set_m3(float* A, int i, int j, float val) { aq_set_m(A, 3, 3, i, j, val); }
void aq_set_m4(float* A, int i, int j, float val) { aq_set_m(A, 4, 4, i, j, val); }

float aq_get_m(const float* A, int m, int n, int i, int j)
{
    (void)n;
    return A[i + m * j];
}

float aq_get_m2(const float* A, int i, int j) { return aq_get_m(A, 2, 2, i, j); }
float aq_get_m3(const float* A, int i, int j) { return aq_get_m(A, 3, 3, i, j); }
float aq_get_m4(const float* A, int i, int j) { return aq_get_m(A, 4, 4, i, j); }

void aq_tranpose_m(const float* A, int m, int n, float* r)
{
    for (int i = 0; i < m; i++)
        for (int j = 0; j < n; j++) r[j * m + i] = A[i * n + j];
}

void aq_tranpose_m2(const float* A, float* r) { aq_tranpose_m(A, 2, 2, r); }
void aq_tranpose_m3(const float* A, float* r) { aq_tranpose_m(A, 3, 3, r); }
void aq_tranpose_m4(const float* A, float* r) { aq_tranpose_m(A, 4, 4, r); }

void aq_scale_ms(const float* A, float b, int m, int n, float* r) { aq_mult_vs(A, b, m * n, r); }

void aq_zero_v(float* a, int n)
{
    for (int k = 0; k < n; k++) a[k] = 0.0f;
}

void aq_zero_m(float* A, int m, int n) { aq_zero_v(A, m * n); }
void aq_zero_m2(float* A) { aq_zero_m(A, 2, 2); }
void aq_zero_m3(float* A) { aq_zero_m(A, 3, 3); }
void aq_zero_m4(float* A) { aq_zero_m(A, 4, 4); }
void aq_zero_v2(float* a) { aq_zero_v(a, 2); }
void aq_zero_v3(float* a) { aq_zero_v(a, 3); }
void aq_zero_v4(float* a) { aq_zero_v(a, 4); }

void aq_eye_mn(float* A, int m, int n)
{
    aq_zero_m(A, m, n);
    for (int k = 0; k < m && k < n; k++) A[k * n + k] = 1.0f;
}

void aq_eye_m(float* A, int m) { aq_eye_mn(A, m, m); }
void aq_eye_m2(float* A) { aq_eye_m(A, 2); }
void aq_eye_m3(float* A) { aq_eye_m(A, 3); }
void aq_eye_m4(float* A) { aq_eye_m(A, 4); }

// Swaps elements [from, n) of rows a and b of the n-column matrix M.
static void swapRows(float* M, int n, int a, int b, int from)
{
    for (int j = from; j < n; j++) {
        float t = M[a * n + j];
        M[a * n + j] = M[b * n + j];
        M[b * n + j] = t;
    }
}

// One Gauss-Jordan column: pivot search, swap, normalise, eliminate.
// Returns false when the running pivot product has become exactly zero.
static bool eliminateColumn(float* W, float* r, int n, int k, float* det)
{
    int p = k;
    for (int i = k + 1; i < n; i++)
        if (fabsf(W[i * n + k]) > fabsf(W[p * n + k])) p = i;
    if (p != k) {
        swapRows(r, n, k, p, 0);
        swapRows(W, n, k, p, k);
    }
    float pivot = W[k * n + k];
    *det *= pivot;
    if (*det == 0.0f) return false;
    for (int j = 0; j < n; j++) r[k * n + j] /= pivot;
    for (int j = k; j < n; j++) W[k * n + j] /= pivot;
    for (int i = 0; i < n; i++) {
        if (i == k) continue;
        float f = W[i * n + k];
        for (int j = 0; j < n; j++) r[i * n + j] -= f * r[k * n + j];
        for (int j = k; j < n; j++) W[i * n + j] -= f * W[k * n + j];
    }
    return true;
}

AqError aq_inverse_m(const float* A, int n, float* r)
{
    if (n <= 0) return E_NONE;
    float* W = (float*)aq_alloc((size_t)n * (size_t)n * sizeof(float));
    if (W == NULL) return E_MEMORY_NOT_ALLOCATED;
    aq_copy_m(A, n, n, W);
    aq_eye_m(r, n);
    float det = 1.0f;
    AqError result = E_NONE;
    for (int k = 0; k < n; k++) {
        if (!eliminateColumn(W, r, n, k, &det)) {
            result = E_ILL_CONDITIONED;
            break;
        }
    }
    aq_free(W);
    return result;
}

AqError aq_inverse_m2(const float* A, float* r) { return aq_inverse_m(A, 2, r); }
AqError aq_inverse_m3(const float* A, float* r) { return aq_inverse_m(A, 3, r); }
AqError aq_inverse_m4(const float* A, float* r) { return aq_inverse_m(A, 4, r); }

float aq_norm_v(const float* a, int n)
{
    float s = 0.0f;
    for (int k = 0; k < n; k++) s += a[k] * a[k];
    return (float)sqrt((double)s);
}

void aq_normalize_v(const float* a, int n, float* r) { aq_mult_vs(a, 1.0f / aq_norm_v(a, n), n, r); }
void aq_normalize_v2(const float* a, float* r) { aq_normalize_v(a, 2, r); }
void aq_normalize_v3(const float* a, float* r) { aq_normalize_v(a, 3, r); }
void aq_normalize_v4(const float* a, float* r) { aq_normalize_v(a, 4, r); }

float aq_dot(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void aq_cross_v3(const float* a, const float* b, float* r)
{
    r[0] = a[1] * b[2] - a[2] * b[1];
    r[1] = a[2] * b[0] - a[0] * b[2];
    r[2] = a[0] * b[1] - a[1] * b[0];
}

void aq_cross_norm_v3(const float* a, const float* b, float* r)
{
    aq_cross_v3(a, b, r);
    aq_normalize_v3(r, r);
}

void aq_copy_v(const float* a, int d, float* r)
{
    for (int k = 0; k < d; k++) r[k] = a[k];
}

void aq_copy_v2(const float* a, float* r) { aq_copy_v(a, 2, r); }
void aq_copy_v3(const float* a, float* r) { aq_copy_v(a, 3, r); }
void aq_copy_v4(const float* a, float* r) { aq_copy_v(a, 4, r); }
void aq_copy_m(const float* a, int m, int n, float* r) { aq_copy_v(a, m * n, r); }
void aq_copy_m2(const float* a, float* r) { aq_copy_m(a, 2, 2, r); }
void aq_copy_m3(const float* a, float* r) { aq_copy_m(a, 3, 3, r); }
void aq_copy_m4(const float* a, float* r) { aq_copy_m(a, 4, 4, r); }

void aq_to_column_order_m(const float* A, int m, int n, float* r)
{
    assert(A != r);
    (void)m;
    for (int i = 0; i < n; i++)
        for (int j = 0; j < n; j++) r[j * n + i] = A[i * n + j];
}

void aq_to_column_order_m2(const float* A, float* r) { aq_to_column_order_m(A, 2, 2, r); }
void aq_to_column_order_m3(const float* A, float* r) { aq_to_column_order_m(A, 3, 3, r); }
void aq_to_column_order_m4(const float* A, float* r) { aq_to_column_order_m(A, 4, 4, r); }

float aq_deg2rad(float deg) { return deg * 3.1415927f / 180.0f; }
double aq_deg2rad_d(double deg) { return deg * 3.1415926535 / 180.0; }

float aq_cond(const float* A, const float* Ainv, int n)
{
    return aq_norm_v(A, n * n) * aq_norm_v(Ainv, n * n);
}

float aq_mean(const float* samp, int n)
{
    if (n <= 0) return 0.0f;
    float s = 0.0f;
    for (int k = 0; k < n; k++) s += samp[k];
    return s / (float)n;
}

float aq_std(const float* samp, int n)
{
    if (n < 2) return 0.0f;
    // Welford's running mean and sum of squared deviations.
    float mean = 0.0f, m2 = 0.0f;
    for (int k = 0; k < n; k++) {
        float d = samp[k] - mean;
        mean += d / (float)(k + 1);
        m2 += d * (samp[k] - mean);
    }
    return (float)sqrt((double)(m2 / (float)(n - 1)));
}

float aq_abs_max(const float* samp, int n)
{
    float m = 0.0f;
    for (int k = 0; k < n; k++)
        if (fabsf(samp[k]) > m) m = fabsf(samp[k]);
    return m;
}

float aq_sign(float x) { return x > 0.0f ? 1.0f : (x < 0.0f ? -1.0f : 0.0f); }
