// Small single-precision matrix and vector library of the calibration engine.
// Matrices are row-major float arrays: element (i, j) of an m x n matrix is at i*n + j.
// Generic functions take explicit sizes; the suffixed variants (_v2.._v4,
// _m2.._m4) fix them and only forward.
#ifndef AQ_HSI_AQAMATH_H
#define AQ_HSI_AQAMATH_H

#include <stddef.h>

#include "aq/error.h"

typedef union aq_vec3f { float c[3]; } aq_vec3f;
typedef union aq_vec4f { float c[4]; } aq_vec4f;
// Nine floats, row-major inside the engine.
typedef union aq_mat3f { float e[9]; } aq_mat3f;

// Heap used by the engine's scratch arrays (inverse working copy, eigen pool,
// SVD scratch). aq_alloc returns NULL on failure, which every caller reports.
void* aq_alloc(size_t bytes);
void aq_free(void* p);
// Test seam: the next `count` allocations succeed, every later one fails;
// a negative count restores normal behaviour.
void aq_alloc_fail_after(int count);

// Vectors: components in order.
void aq_init_v2(float* r, float a0, float a1);
void aq_init_v3(float* r, float a0, float a1, float a2);
void aq_init_v4(float* r, float a0, float a1, float a2, float a3);
// Matrices: elements given row by row (e00, e01, ...); element (i, j) is stored
// at i + n*j, the column-order position that aq_get_m reads.
void aq_init_m2(float* r, float e00, float e01, float e10, float e11);
void aq_init_m3(float* r, float e00, float e01, float e02, float e10, float e11, float e12, float e20,
                float e21, float e22);
void aq_init_m4(float* r, float e00, float e01, float e02, float e03, float e10, float e11, float e12,
                float e13, float e20, float e21, float e22, float e23, float e30, float e31, float e32,
                float e33);

// r = -A (m*n elements).
void aq_neg_m(const float* A, int m, int n, float* r);
void aq_neg_m3(const float* A, float* r);

// r = s * a.
void aq_mult_vs(const float* a, float s, int n, float* r);
void aq_mult_v2s(const float* a, float s, float* r);
void aq_mult_v3s(const float* a, float s, float* r);
void aq_mult_v4s(const float* a, float s, float* r);

// r (m x n) = A (m x p) * B (p x n); r is cleared first, so it must not alias A or B.
void aq_mult_mn(const float* A, const float* B, int m, int p, int n, float* r);
void aq_mult_m2_m2(const float* A, const float* B, float* r);
void aq_mult_m3_m3(const float* A, const float* B, float* r);
void aq_mult_m4_m4(const float* A, const float* B, float* r);
void aq_mult_m3_v3(const float* A, const float* b, float* r);

// r = a + b (aliasing allowed).
void aq_add_v(const float* a, const float* b, int n, float* r);
void aq_add_v2(const float* a, const float* b, float* r);
void aq_add_v3(const float* a, const float* b, float* r);
void aq_add_v4(const float* a, const float* b, float* r);
void aq_add_m(const float* A, const float* B, int m, int n, float* r);
void aq_add_m2(const float* A, const float* B, float* r);
void aq_add_m3(const float* A, const float* B, float* r);
void aq_add_m4(const float* A, const float* B, float* r);

// r = A - B (aliasing allowed).
void aq_sub_m(const float* A, const float* B, int m, int n, float* r);
void aq_sub_m2(const float* A, const float* B, float* r);
void aq_sub_m3(const float* A, const float* B, float* r);
void aq_sub_m4(const float* A, const float* B, float* r);

// Writes index i*n + j.
void aq_set_m(float* A, int m, int n, int i, int j, float val);
void aq_set_m2(float* A, int i, int j, float val);
void aq_set_m3(float* A, int i, int j, float val);
void aq_set_m4(float* A, int i, int j, float val);
// Reads index i + m*j (the column-order position, unlike aq_set_m).
float aq_get_m(const float* A, int m, int n, int i, int j);
float aq_get_m2(const float* A, int i, int j);
float aq_get_m3(const float* A, int i, int j);
float aq_get_m4(const float* A, int i, int j);

// r (n x m) = A^T; r must not alias A.
void aq_tranpose_m(const float* A, int m, int n, float* r);
void aq_tranpose_m2(const float* A, float* r);
void aq_tranpose_m3(const float* A, float* r);
void aq_tranpose_m4(const float* A, float* r);

// r = b * A.
void aq_scale_ms(const float* A, float b, int m, int n, float* r);

void aq_zero_m(float* A, int m, int n);
void aq_zero_m2(float* A);
void aq_zero_m3(float* A);
void aq_zero_m4(float* A);
void aq_zero_v(float* a, int n);
void aq_zero_v2(float* a);
void aq_zero_v3(float* a);
void aq_zero_v4(float* a);

// Zero, then 1 on the diagonal.
void aq_eye_m(float* A, int m);
void aq_eye_mn(float* A, int m, int n);
void aq_eye_m2(float* A);
void aq_eye_m3(float* A);
void aq_eye_m4(float* A);

// Gauss-Jordan inverse with partial pivoting; A is left unchanged. E_ILL_CONDITIONED
// when the pivot product becomes exactly 0 (r then holds a partial result),
// E_MEMORY_NOT_ALLOCATED when the working copy cannot be had (r untouched).
AqError aq_inverse_m(const float* A, int n, float* r);
AqError aq_inverse_m2(const float* A, float* r);
AqError aq_inverse_m3(const float* A, float* r);
AqError aq_inverse_m4(const float* A, float* r);

// Euclidean norm (root taken in double).
float aq_norm_v(const float* a, int n);
// r = a / |a|; a zero vector gives non-finite elements.
void aq_normalize_v(const float* a, int n, float* r);
void aq_normalize_v2(const float* a, float* r);
void aq_normalize_v3(const float* a, float* r);
void aq_normalize_v4(const float* a, float* r);

// Three-element dot product.
float aq_dot(const float* a, const float* b);
// r = a x b; the second form normalises the result. r must not alias a or b.
void aq_cross_v3(const float* a, const float* b, float* r);
void aq_cross_norm_v3(const float* a, const float* b, float* r);

void aq_copy_v(const float* a, int d, float* r);
void aq_copy_v2(const float* a, float* r);
void aq_copy_v3(const float* a, float* r);
void aq_copy_v4(const float* a, float* r);
void aq_copy_m(const float* a, int m, int n, float* r);
void aq_copy_m2(const float* a, float* r);
void aq_copy_m3(const float* a, float* r);
void aq_copy_m4(const float* a, float* r);

// Square matrices: r[j*n + i] = A[i*n + j]; A and r must differ (asserted).
void aq_to_column_order_m(const float* A, int m, int n, float* r);
void aq_to_column_order_m2(const float* A, float* r);
void aq_to_column_order_m3(const float* A, float* r);
void aq_to_column_order_m4(const float* A, float* r);

// deg * pi / 180 with pi = 3.1415927 (float) or 3.1415926535 (double).
float aq_deg2rad(float deg);
double aq_deg2rad_d(double deg);

// Condition number |A| * |Ainv| with Frobenius norms over n*n elements.
float aq_cond(const float* A, const float* Ainv, int n);

// Statistics over n samples: mean, sample standard deviation (divided by n - 1,
// 0 for fewer than two samples), largest absolute value (0 for none), sign.
float aq_mean(const float* samp, int n);
float aq_std(const float* samp, int n);
float aq_abs_max(const float* samp, int n);
float aq_sign(float x);

#endif
