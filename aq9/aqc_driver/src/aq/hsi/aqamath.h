// Small single-precision matrix and vector library of the calibration engine.
// Matrices are row-major float arrays: element (i, j) of an m x n matrix is at i*n + j.
#ifndef AQ_HSI_AQAMATH_H
#define AQ_HSI_AQAMATH_H

#include "aq/error.h"

typedef union aq_vec3f { float c[3]; } aq_vec3f;
typedef union aq_vec4f { float c[4]; } aq_vec4f;
// Nine floats, row-major inside the engine.
typedef union aq_mat3f { float e[9]; } aq_mat3f;

#endif
