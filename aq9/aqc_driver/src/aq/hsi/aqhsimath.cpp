// Eigen-decomposition, SVD, complex helpers and the scratch pool.
//
// The eigen routines follow the classic route for a general real matrix:
// balance, reduce to Hessenberg form, accumulate the transformations, run the
// double-shift QR iteration with exceptional shifts, back-substitute for the
// eigenvectors, undo the balancing and scale the vectors. All in float.
#include "aq/hsi/aqhsimath.h"

#include <float.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "aq/hsi/aqamath.h"

namespace {
const double MACH_EPS = 2.220446e-16;
const int MAX_QR_ITER = 50;
}

struct vmchunk_t
{
    float* mem;
    vmchunk_t* next;
};

float aqcabs(aqcomplex a) { return pythag(a.Re, a.Im); }

aqcomplex cmult(aqcomplex a, aqcomplex b)
{
    aqcomplex r = {a.Re * b.Re - a.Im * b.Im, a.Re * b.Im + a.Im * b.Re};
    return r;
}

aqcomplex cdiv(aqcomplex num, aqcomplex den)
{
    float d = den.Re * den.Re + den.Im * den.Im;
    aqcomplex r = {(num.Re * den.Re + num.Im * den.Im) / d, (num.Im * den.Re - num.Re * den.Im) / d};
    return r;
}

// ---------------------------------------------------------------- pool

vmblock_t* vminit(void)
{
    vmblock_t* b = (vmblock_t*)aq_alloc(sizeof(vmblock_t));
    if (b == NULL) return NULL;
    b->n = 0;
    b->max = 0;
    b->mem = NULL;
    b->older = NULL;
    b->failed = 0;
    return b;
}

// Retires the current block and starts a new one of at least `need` floats.
static int vmgrow(vmblock_t* b, int need)
{
    int cap = b->max * 2 > need ? b->max * 2 : need;
    float* mem = (float*)aq_alloc((size_t)cap * sizeof(float));
    if (mem == NULL) return 0;
    if (b->mem != NULL) {
        vmchunk_t* c = (vmchunk_t*)aq_alloc(sizeof(vmchunk_t));
        if (c == NULL) {
            aq_free(mem);
            return 0;
        }
        c->mem = b->mem;
        c->next = b->older;
        b->older = c;
    }
    b->mem = mem;
    b->max = cap;
    b->n = 0;
    return 1;
}

void* vmalloc(vmblock_t* vmblock, int typ, int zeilen, int spalten)
{
    (void)spalten;
    if (vmblock == NULL) return NULL;
    if (typ != 0 || zeilen < 0) {
        vmblock->failed = 1;
        return NULL;
    }
    int need = zeilen > 0 ? zeilen : 1;
    if (vmblock->max - vmblock->n < need && !vmgrow(vmblock, need)) {
        vmblock->failed = 1;
        return NULL;
    }
    float* v = vmblock->mem + vmblock->n;
    vmblock->n += need;
    memset(v, 0, (size_t)need * sizeof(float));
    return v;
}

int vmcomplete(vmblock_t* vmblock) { return vmblock != NULL && !vmblock->failed; }

void vmfree(vmblock_t* vmblock)
{
    if (vmblock == NULL) return;
    while (vmblock->older != NULL) {
        vmchunk_t* c = vmblock->older;
        vmblock->older = c->next;
        aq_free(c->mem);
        aq_free(c);
    }
    aq_free(vmblock->mem);
    aq_free(vmblock);
}

// ---------------------------------------------------------------- balancing

int basis(void) { return FLT_RADIX; }

static void swapRowsFrom(float** a, int n, int r1, int r2, int from)
{
    for (int j = from; j < n; j++) {
        float t = a[r1][j];
        a[r1][j] = a[r2][j];
        a[r2][j] = t;
    }
}

static void swapColsTo(float** a, int last, int c1, int c2)
{
    for (int i = 0; i <= last; i++) {
        float t = a[i][c1];
        a[i][c1] = a[i][c2];
        a[i][c2] = t;
    }
}

// Row j has no off-diagonal entry within columns [0, l].
static bool rowIsolated(float** a, int j, int l)
{
    for (int i = 0; i <= l; i++)
        if (i != j && a[j][i] != 0.0f) return false;
    return true;
}

// Column j has no off-diagonal entry within rows [k, l].
static bool colIsolated(float** a, int j, int k, int l)
{
    for (int i = k; i <= l; i++)
        if (i != j && a[i][j] != 0.0f) return false;
    return true;
}

// Scales row and column i by powers of the radix until their norms are close.
static bool balanceOne(float** a, int n, int i, int k, int l, float* scal, float radix)
{
    float c = 0.0f, r = 0.0f;
    for (int j = k; j <= l; j++) {
        if (j == i) continue;
        c += fabsf(a[j][i]);
        r += fabsf(a[i][j]);
    }
    if (c == 0.0f || r == 0.0f) return false;
    const float b2 = radix * radix;
    float g = r / radix, f = 1.0f, s = c + r;
    while (c < g) {
        f *= radix;
        c *= b2;
    }
    g = r * radix;
    while (c >= g) {
        f /= radix;
        c /= b2;
    }
    if ((c + r) / f >= 0.95f * s) return false;
    g = 1.0f / f;
    scal[i] *= f;
    for (int j = k; j < n; j++) a[i][j] *= g;
    for (int j = 0; j <= l; j++) a[j][i] *= f;
    return true;
}

int balance(int n, float** mat, float* scal, int* low, int* high, int radix)
{
    int k = 0, l = n - 1;
    // Push rows that isolate an eigenvalue to the bottom.
    for (bool found = true; found && l >= 0;) {
        found = false;
        for (int j = l; j >= 0; j--) {
            if (!rowIsolated(mat, j, l)) continue;
            scal[l] = (float)j;
            if (j != l) {
                swapColsTo(mat, l, j, l);
                swapRowsFrom(mat, n, j, l, k);
            }
            if (l == 0) {
                *low = 0;
                *high = 0;
                return 0;
            }
            l--;
            found = true;
            break;
        }
    }
    // Push columns that isolate an eigenvalue to the left.
    for (bool found = true; found;) {
        found = false;
        for (int j = k; j <= l; j++) {
            if (!colIsolated(mat, j, k, l)) continue;
            scal[k] = (float)j;
            if (j != k) {
                swapColsTo(mat, l, j, k);
                swapRowsFrom(mat, n, j, k, k);
            }
            k++;
            found = true;
            break;
        }
    }
    for (int i = k; i <= l; i++) scal[i] = 1.0f;
    for (bool noconv = true; noconv;) {
        noconv = false;
        for (int i = k; i <= l; i++)
            if (balanceOne(mat, n, i, k, l, scal, (float)radix)) noconv = true;
    }
    *low = k;
    *high = l;
    return 0;
}

int balback(int n, int low, int high, const float* scal, float** eivec)
{
    // A one-element block was never scaled: its scal entry holds a permutation.
    for (int i = low; i <= high && high > low; i++)
        for (int j = 0; j < n; j++) eivec[i][j] *= scal[i];
    for (int i = low - 1; i >= 0; i--) {
        int k = (int)scal[i];
        if (k != i) swapRowsFrom(eivec, n, i, k, 0);
    }
    for (int i = high + 1; i < n; i++) {
        int k = (int)scal[i];
        if (k != i) swapRowsFrom(eivec, n, i, k, 0);
    }
    return 0;
}

// ---------------------------------------------------------------- Hessenberg

int elmhes(int n, int low, int high, float** mat, int* perm)
{
    for (int m = low + 1; m < high; m++) {
        float x = 0.0f;
        int i = m;
        for (int j = m; j <= high; j++)
            if (fabsf(mat[j][m - 1]) > fabsf(x)) {
                x = mat[j][m - 1];
                i = j;
            }
        perm[m] = i;
        if (i != m) {
            swapRowsFrom(mat, n, i, m, m - 1);
            swapColsTo(mat, high, i, m);
        }
        if (x == 0.0f) continue;
        for (i = m + 1; i <= high; i++) {
            float y = mat[i][m - 1];
            if (y == 0.0f) continue;
            y /= x;
            mat[i][m - 1] = y;
            for (int j = m; j < n; j++) mat[i][j] -= y * mat[m][j];
            for (int j = 0; j <= high; j++) mat[j][m] += y * mat[j][i];
        }
    }
    return 0;
}

int elmtrans(int n, int low, int high, float** mat, const int* perm, float** h)
{
    for (int i = 0; i < n; i++)
        for (int j = 0; j < n; j++) h[i][j] = (i == j) ? 1.0f : 0.0f;
    for (int mp = high - 1; mp > low; mp--) {
        for (int i = mp + 1; i <= high; i++) h[i][mp] = mat[i][mp - 1];
        int i = perm[mp];
        if (i == mp) continue;
        for (int j = mp; j <= high; j++) {
            h[mp][j] = h[i][j];
            h[i][j] = 0.0f;
        }
        h[i][mp] = 1.0f;
    }
    return 0;
}

int orthes(int n, int low, int high, float** mat, float* d)
{
    for (int m = low + 1; m < high; m++) {
        float scale = 0.0f;
        for (int i = m; i <= high; i++) scale += fabsf(mat[i][m - 1]);
        if (scale == 0.0f) continue;
        float h = 0.0f;
        for (int i = high; i >= m; i--) {
            d[i] = mat[i][m - 1] / scale;
            h += d[i] * d[i];
        }
        float g = sqrtf(h);
        if (d[m] > 0.0f) g = -g;
        h -= d[m] * g;
        d[m] -= g;
        for (int j = m; j < n; j++) {
            float f = 0.0f;
            for (int i = high; i >= m; i--) f += d[i] * mat[i][j];
            f /= h;
            for (int i = m; i <= high; i++) mat[i][j] -= f * d[i];
        }
        for (int i = 0; i <= high; i++) {
            float f = 0.0f;
            for (int j = high; j >= m; j--) f += d[j] * mat[i][j];
            f /= h;
            for (int j = m; j <= high; j++) mat[i][j] -= f * d[j];
        }
        d[m] *= scale;
        mat[m][m - 1] = scale * g;
    }
    return 0;
}

int orttrans(int n, int low, int high, float** mat, float* d, float** v)
{
    for (int i = 0; i < n; i++)
        for (int j = 0; j < n; j++) v[i][j] = (i == j) ? 1.0f : 0.0f;
    for (int m = high - 1; m > low; m--) {
        if (mat[m][m - 1] == 0.0f) continue;
        for (int i = m + 1; i <= high; i++) d[i] = mat[i][m - 1];
        for (int j = m; j <= high; j++) {
            float g = 0.0f;
            for (int i = m; i <= high; i++) g += d[i] * v[i][j];
            g = (g / d[m]) / mat[m][m - 1];
            for (int i = m; i <= high; i++) v[i][j] += g * d[i];
        }
    }
    return 0;
}

// ---------------------------------------------------------------- QR iteration

namespace {

// State of the QR iteration shared by its steps.
struct Qr
{
    int vec, nn, low, high;
    float** h;
    float** v;
    float* wr;
    float* wi;
    float exshift;
};

// |sub| is negligible beside s: below the machine epsilon or lost in float.
bool negligible(float sub, float s)
{
    return fabs(sub) <= MACH_EPS * s || (float)(s + fabsf(sub)) == s;
}

// Index l of the first row of the unreduced block ending at row en.
int smallSubdiagonal(const Qr& q, int en, float norm)
{
    int l = en;
    for (; l > q.low; l--) {
        float s = fabsf(q.h[l - 1][l - 1]) + fabsf(q.h[l][l]);
        if (s == 0.0f) s = norm;
        if (negligible(q.h[l][l - 1], s)) break;
    }
    return l;
}

// A converged 2x2 block at rows en-1, en: its eigenvalues, and for a real
// pair the rotation that triangularises it.
void twoRoots(Qr& q, int en)
{
    float** H = q.h;
    float w = H[en][en - 1] * H[en - 1][en];
    float p = (H[en - 1][en - 1] - H[en][en]) / 2.0f;
    float qq = p * p + w;
    float z = sqrtf(fabsf(qq));
    H[en][en] += q.exshift;
    H[en - 1][en - 1] += q.exshift;
    float x = H[en][en];
    if (qq < 0.0f) {
        q.wr[en - 1] = q.wr[en] = x + p;
        q.wi[en - 1] = z;
        q.wi[en] = -z;
        return;
    }
    z = (p >= 0.0f) ? p + z : p - z;
    q.wr[en - 1] = x + z;
    q.wr[en] = (z != 0.0f) ? x - w / z : q.wr[en - 1];
    q.wi[en - 1] = q.wi[en] = 0.0f;
    x = H[en][en - 1];
    float s = fabsf(x) + fabsf(z);
    p = x / s;
    float qv = z / s;
    float r = sqrtf(p * p + qv * qv);
    p /= r;
    qv /= r;
    for (int j = en - 1; j < q.nn; j++) {
        z = H[en - 1][j];
        H[en - 1][j] = qv * z + p * H[en][j];
        H[en][j] = qv * H[en][j] - p * z;
    }
    for (int i = 0; i <= en; i++) {
        z = H[i][en - 1];
        H[i][en - 1] = qv * z + p * H[i][en];
        H[i][en] = qv * H[i][en] - p * z;
    }
    if (!q.vec) return;
    for (int i = q.low; i <= q.high; i++) {
        z = q.v[i][en - 1];
        q.v[i][en - 1] = qv * z + p * q.v[i][en];
        q.v[i][en] = qv * q.v[i][en] - p * z;
    }
}

// Applies the reflection (x, y, z; q, r) at position k to the rows, columns
// and the accumulated transformation.
void reflect(Qr& q, int k, int en, bool notlast, float x, float y, float z, float qq, float r)
{
    float** H = q.h;
    for (int j = k; j < q.nn; j++) {
        float p = H[k][j] + qq * H[k + 1][j];
        if (notlast) {
            p += r * H[k + 2][j];
            H[k + 2][j] -= p * z;
        }
        H[k][j] -= p * x;
        H[k + 1][j] -= p * y;
    }
    int last = en < k + 3 ? en : k + 3;
    for (int i = 0; i <= last; i++) {
        float p = x * H[i][k] + y * H[i][k + 1];
        if (notlast) {
            p += z * H[i][k + 2];
            H[i][k + 2] -= p * r;
        }
        H[i][k] -= p;
        H[i][k + 1] -= p * qq;
    }
    if (!q.vec) return;
    for (int i = q.low; i <= q.high; i++) {
        float p = x * q.v[i][k] + y * q.v[i][k + 1];
        if (notlast) {
            p += z * q.v[i][k + 2];
            q.v[i][k + 2] -= p * r;
        }
        q.v[i][k] -= p;
        q.v[i][k + 1] -= p * qq;
    }
}

// One double-shift QR step on rows l..en with shift data x, y, w.
void qrStep(Qr& q, int l, int en, float x, float y, float w)
{
    float** H = q.h;
    float p = 0, qq = 0, r = 0, z;
    int m = en - 2;
    for (; m >= l; m--) {
        z = H[m][m];
        r = x - z;
        float s = y - z;
        p = (r * s - w) / H[m + 1][m] + H[m][m + 1];
        qq = H[m + 1][m + 1] - z - r - s;
        r = H[m + 2][m + 1];
        s = fabsf(p) + fabsf(qq) + fabsf(r);
        p /= s;
        qq /= s;
        r /= s;
        if (m == l) break;
        float tst1 = fabsf(p) * (fabsf(H[m - 1][m - 1]) + fabsf(z) + fabsf(H[m + 1][m + 1]));
        if (negligible(H[m][m - 1] * (fabsf(qq) + fabsf(r)), tst1)) break;
    }
    for (int i = m + 2; i <= en; i++) {
        H[i][i - 2] = 0.0f;
        if (i > m + 2) H[i][i - 3] = 0.0f;
    }
    for (int k = m; k <= en - 1; k++) {
        bool notlast = (k != en - 1);
        if (k != m) {
            p = H[k][k - 1];
            qq = H[k + 1][k - 1];
            r = notlast ? H[k + 2][k - 1] : 0.0f;
            x = fabsf(p) + fabsf(qq) + fabsf(r);
            if (x == 0.0f) continue;
            p /= x;
            qq /= x;
            r /= x;
        }
        float s = sqrtf(p * p + qq * qq + r * r);
        if (p < 0.0f) s = -s;
        if (s == 0.0f) continue;
        if (k != m)
            H[k][k - 1] = -s * x;
        else if (l != m)
            H[k][k - 1] = -H[k][k - 1];
        p += s;
        reflect(q, k, en, notlast, p / s, qq / s, r / s, qq / p, r / p);
    }
}

} // namespace

int hqr2(int vec, int n, int low, int high, float** h, float* wr, float* wi, float** eivec, int* cnt)
{
    Qr q = {vec, n, low, high, h, eivec, wr, wi, 0.0f};
    float norm = 0.0f;
    for (int i = 0; i < n; i++) {
        if (i < low || i > high) {
            wr[i] = h[i][i];
            wi[i] = 0.0f;
            cnt[i] = 0;
        }
        for (int j = (i > 0 ? i - 1 : 0); j < n; j++) norm += fabsf(h[i][j]);
    }
    int en = high, iter = 0;
    while (en >= low) {
        int l = smallSubdiagonal(q, en, norm);
        if (l == en) { // one root
            h[en][en] += q.exshift;
            wr[en] = h[en][en];
            wi[en] = 0.0f;
            cnt[en] = iter;
            en--;
            iter = 0;
            continue;
        }
        if (l == en - 1) { // two roots
            twoRoots(q, en);
            cnt[en] = cnt[en - 1] = iter;
            en -= 2;
            iter = 0;
            continue;
        }
        if (iter == MAX_QR_ITER) {
            cnt[en] = MAX_QR_ITER + 1;
            return en;
        }
        float x = h[en][en], y = h[en - 1][en - 1], w = h[en][en - 1] * h[en - 1][en];
        if (iter > 0 && iter % 10 == 0) { // exceptional shift
            q.exshift += x;
            for (int i = low; i <= en; i++) h[i][i] -= x;
            float s = fabsf(h[en][en - 1]) + fabsf(h[en - 1][en - 2]);
            x = y = 0.75f * s;
            w = -0.4375f * s * s;
        }
        iter++;
        qrStep(q, l, en, x, y, w);
    }
    if (vec) return hqrvec(n, low, high, h, wr, wi, eivec);
    return 0;
}

namespace {

// Back-substitution for the real eigenvector of eigenvalue p in column en.
void realVector(float** H, int en, float p, const float* wr, const float* wi, float norm)
{
    float z = 0.0f, s = 0.0f;
    int l = en;
    H[en][en] = 1.0f;
    for (int i = en - 1; i >= 0; i--) {
        float w = H[i][i] - p, r = 0.0f;
        for (int j = l; j <= en; j++) r += H[i][j] * H[j][en];
        if (wi[i] < 0.0f) {
            z = w;
            s = r;
            continue;
        }
        l = i;
        if (wi[i] == 0.0f) {
            H[i][en] = -r / (w != 0.0f ? w : FLT_EPSILON * norm);
        } else {
            float x = H[i][i + 1], y = H[i + 1][i];
            float q = (wr[i] - p) * (wr[i] - p) + wi[i] * wi[i];
            float t = (x * s - z * r) / q;
            H[i][en] = t;
            H[i + 1][en] = (fabsf(x) > fabsf(z)) ? (-r - w * t) / x : (-s - y * t) / z;
        }
        float t = fabsf(H[i][en]);
        if ((FLT_EPSILON * t) * t > 1.0f)
            for (int j = i; j <= en; j++) H[j][en] /= t;
    }
}

void setPair(float** H, int i, int c, aqcomplex v)
{
    H[i][c - 1] = v.Re;
    H[i][c] = v.Im;
}

// Back-substitution for the complex pair (p, q) in columns en-1 (real) and en (imaginary).
void complexVector(float** H, int en, float p, float q, const float* wr, const float* wi, float norm)
{
    float z = 0.0f, r = 0.0f, s = 0.0f;
    int l = en - 1;
    if (fabsf(H[en][en - 1]) > fabsf(H[en - 1][en])) {
        H[en - 1][en - 1] = q / H[en][en - 1];
        H[en - 1][en] = -(H[en][en] - p) / H[en][en - 1];
    } else {
        aqcomplex num = {0.0f, -H[en - 1][en]}, den = {H[en - 1][en - 1] - p, q};
        setPair(H, en - 1, en, cdiv(num, den));
    }
    H[en][en - 1] = 0.0f;
    H[en][en] = 1.0f;
    for (int i = en - 2; i >= 0; i--) {
        float ra = 0.0f, sa = 0.0f;
        for (int j = l; j <= en; j++) {
            ra += H[i][j] * H[j][en - 1];
            sa += H[i][j] * H[j][en];
        }
        float w = H[i][i] - p;
        if (wi[i] < 0.0f) {
            z = w;
            r = ra;
            s = sa;
            continue;
        }
        l = i;
        if (wi[i] == 0.0f) {
            aqcomplex num = {-ra, -sa}, den = {w, q};
            setPair(H, i, en, cdiv(num, den));
        } else {
            float x = H[i][i + 1], y = H[i + 1][i];
            float vr = (wr[i] - p) * (wr[i] - p) + wi[i] * wi[i] - q * q;
            float vi = (wr[i] - p) * 2.0f * q;
            if (vr == 0.0f && vi == 0.0f)
                vr = FLT_EPSILON * norm * (fabsf(w) + fabsf(q) + fabsf(x) + fabsf(y) + fabsf(z));
            aqcomplex num = {x * r - z * ra + q * sa, x * s - z * sa - q * ra}, den = {vr, vi};
            setPair(H, i, en, cdiv(num, den));
            if (fabsf(x) > fabsf(z) + fabsf(q)) {
                H[i + 1][en - 1] = (-ra - w * H[i][en - 1] + q * H[i][en]) / x;
                H[i + 1][en] = (-sa - w * H[i][en] - q * H[i][en - 1]) / x;
            } else {
                aqcomplex n2 = {-r - y * H[i][en - 1], -s - y * H[i][en]}, d2 = {z, q};
                setPair(H, i + 1, en, cdiv(n2, d2));
            }
        }
        float t = fmaxf(fabsf(H[i][en - 1]), fabsf(H[i][en]));
        if ((FLT_EPSILON * t) * t > 1.0f)
            for (int j = i; j <= en; j++) {
                H[j][en - 1] /= t;
                H[j][en] /= t;
            }
    }
}

} // namespace

int hqrvec(int n, int low, int high, float** h, float* wr, float* wi, float** eivec)
{
    float norm = 0.0f;
    for (int i = 0; i < n; i++)
        for (int j = (i > 0 ? i - 1 : 0); j < n; j++) norm += fabsf(h[i][j]);
    if (norm == 0.0f) return 0;
    for (int en = n - 1; en >= 0; en--) {
        if (wi[en] == 0.0f)
            realVector(h, en, wr[en], wr, wi, norm);
        else if (wi[en] < 0.0f)
            complexVector(h, en, wr[en], wi[en], wr, wi, norm);
    }
    // Vectors of the roots isolated by balancing.
    for (int i = 0; i < n; i++)
        if (i < low || i > high)
            for (int j = i; j < n; j++) eivec[i][j] = h[i][j];
    // Back to the eigenvectors of the original matrix.
    for (int j = n - 1; j >= low; j--)
        for (int i = low; i <= high; i++) {
            float z = 0.0f;
            int last = j < high ? j : high;
            for (int k = low; k <= last; k++) z += eivec[i][k] * h[k][j];
            eivec[i][j] = z;
        }
    return 0;
}

int norm_1(int n, float** v, float* wi)
{
    for (int j = 0; j < n; j++) {
        if (wi[j] == 0.0f) {
            int big = 0;
            for (int i = 1; i < n; i++)
                if (fabsf(v[i][j]) > fabsf(v[big][j])) big = i;
            float m = v[big][j];
            if (m != 0.0f)
                for (int i = 0; i < n; i++) v[i][j] /= m;
            continue;
        }
        if (j + 1 >= n) break;
        int big = 0;
        float bigMod = 0.0f;
        for (int i = 0; i < n; i++) {
            aqcomplex c = {v[i][j], v[i][j + 1]};
            float mod = aqcabs(c);
            if (mod > bigMod) {
                bigMod = mod;
                big = i;
            }
        }
        if (bigMod != 0.0f) {
            aqcomplex den = {v[big][j], v[big][j + 1]};
            for (int i = 0; i < n; i++) {
                aqcomplex c = {v[i][j], v[i][j + 1]};
                aqcomplex r = cdiv(c, den);
                v[i][j] = r.Re;
                v[i][j + 1] = r.Im;
            }
        }
        j++;
    }
    return 0;
}

// ---------------------------------------------------------------- drivers

static bool rowsPresent(float** m, int n)
{
    if (m == NULL) return false;
    for (int i = 0; i < n; i++)
        if (m[i] == NULL) return false;
    return true;
}

// A non-finite element would keep the balancing loop scaling forever.
static bool allFinite(float** m, int n)
{
    for (int i = 0; i < n; i++)
        for (int j = 0; j < n; j++)
            if (!isfinite(m[i][j])) return false;
    return true;
}

// Runs the decomposition once scratch is in hand.
static int eigenSteps(int vec, int ortho, int ev_norm, int n, float** mat, float** eivec, float* valre,
                      float* valim, int* cnt, float* scale, float* d, int* perm)
{
    int low = 0, high = 0, rc;
    if ((rc = balance(n, mat, scale, &low, &high, basis())) != 0) return 100 + rc;
    if (ortho)
        rc = orthes(n, low, high, mat, d);
    else
        rc = elmhes(n, low, high, mat, perm);
    if (rc != 0) return 200 + rc;
    if (ortho)
        rc = orttrans(n, low, high, mat, d, eivec);
    else
        rc = elmtrans(n, low, high, mat, perm, eivec);
    if (rc != 0) return 300 + rc;
    // The lower part held the multipliers; the QR iteration wants it clear.
    for (int i = 2; i < n; i++)
        for (int j = 0; j < i - 1; j++) mat[i][j] = 0.0f;
    if ((rc = hqr2(vec, n, low, high, mat, valre, valim, eivec, cnt)) != 0) return 400 + rc;
    if (!vec) return 0;
    if ((rc = balback(n, low, high, scale, eivec)) != 0) return 500 + rc;
    if (ev_norm && (rc = norm_1(n, eivec, valim)) != 0) return 600 + rc;
    return 0;
}

int eigen(int vec, int ortho, int ev_norm, int n, float** mat, float** eivec, float* valre, float* valim,
          int* cnt)
{
    if (n < 1 || !rowsPresent(mat, n) || valre == NULL || valim == NULL || cnt == NULL) return 1;
    if (vec && !rowsPresent(eivec, n)) return 1;
    if (!allFinite(mat, n)) return 1;
    if (n == 1) {
        valre[0] = mat[0][0];
        valim[0] = 0.0f;
        cnt[0] = 0;
        if (vec) eivec[0][0] = 1.0f;
        return 0;
    }
    vmblock_t* pool = vminit();
    float* scale = (float*)vmalloc(pool, 0, n, 0);
    float* d = (float*)vmalloc(pool, 0, n, 0);
    float* eiscratch = vec ? NULL : (float*)vmalloc(pool, 0, n * n, 0);
    float** rows = vec ? eivec : (float**)aq_alloc((size_t)n * sizeof(float*));
    int* perm = (int*)aq_alloc((size_t)n * sizeof(int));
    int rc = 1;
    if (vmcomplete(pool) && rows != NULL && perm != NULL) {
        for (int i = 0; i < n; i++) perm[i] = i;
        if (!vec)
            for (int i = 0; i < n; i++) rows[i] = eiscratch + i * n;
        rc = eigenSteps(vec, ortho, ev_norm, n, mat, rows, valre, valim, cnt, scale, d, perm);
    }
    if (!vec) aq_free(rows);
    aq_free(perm);
    vmfree(pool);
    return rc;
}

// Scales eigenvector columns to unit length; a complex pair shares one factor.
static void unitColumns(float* evec, int n, const float* evali)
{
    for (int j = 0; j < n; j++) {
        bool pair = fabs(evali[j]) >= MACH_EPS && j + 1 < n;
        double s = 0.0;
        for (int i = 0; i < n; i++) {
            s += (double)evec[i * n + j] * evec[i * n + j];
            if (pair) s += (double)evec[i * n + j + 1] * evec[i * n + j + 1];
        }
        float f = s > 0.0 ? (float)(1.0 / sqrt(s)) : 1.0f;
        for (int i = 0; i < n; i++) {
            evec[i * n + j] *= f;
            if (pair) evec[i * n + j + 1] *= f;
        }
        if (pair) j++;
    }
}

int n_eigeng(float* _a, int n, float* evalr, float* evali, float* _evec)
{
    if (_a == NULL || n < 1) return 1;
    float** mat = (float**)aq_alloc((size_t)n * sizeof(float*));
    float** vec = _evec ? (float**)aq_alloc((size_t)n * sizeof(float*)) : NULL;
    int* cnt = (int*)aq_alloc((size_t)n * sizeof(int));
    int rc = 1;
    if (mat != NULL && cnt != NULL && (_evec == NULL || vec != NULL)) {
        for (int i = 0; i < n; i++) {
            mat[i] = _a + i * n;
            if (vec) vec[i] = _evec + i * n;
        }
        rc = eigen(_evec != NULL, 0, 1, n, mat, vec, evalr, evali, cnt);
        if (_evec != NULL && rc == 0) unitColumns(_evec, n, evali);
    }
    aq_free(mat);
    aq_free(vec);
    aq_free(cnt);
    return rc;
}

// ---------------------------------------------------------------- SVD

float pythag(float a, float b)
{
    float absa = fabsf(a), absb = fabsf(b);
    if (absa > absb) {
        float r = absb / absa;
        return absa * sqrtf(1.0f + r * r);
    }
    if (absb == 0.0f) return 0.0f;
    float r = absa / absb;
    return absb * sqrtf(1.0f + r * r);
}

static float signOf(float a, float b) { return b >= 0.0f ? fabsf(a) : -fabsf(a); }

namespace {

struct Svd
{
    float (*a)[3];
    int m, n;
    float* w;
    float (*v)[3];
    float* rv1;
};

// Householder reduction to bidiagonal form; returns the norm bound anorm.
float bidiagonalise(Svd& s)
{
    float g = 0.0f, scale = 0.0f, anorm = 0.0f;
    float (*a)[3] = s.a;
    for (int i = 0; i < s.n; i++) {
        int l = i + 1;
        s.rv1[i] = scale * g;
        g = scale = 0.0f;
        float sum = 0.0f;
        if (i < s.m) {
            for (int k = i; k < s.m; k++) scale += fabsf(a[k][i]);
            if (scale != 0.0f) {
                for (int k = i; k < s.m; k++) {
                    a[k][i] /= scale;
                    sum += a[k][i] * a[k][i];
                }
                float f = a[i][i];
                g = -signOf(sqrtf(sum), f);
                float h = f * g - sum;
                a[i][i] = f - g;
                for (int j = l; j < s.n; j++) {
                    float t = 0.0f;
                    for (int k = i; k < s.m; k++) t += a[k][i] * a[k][j];
                    f = t / h;
                    for (int k = i; k < s.m; k++) a[k][j] += f * a[k][i];
                }
                for (int k = i; k < s.m; k++) a[k][i] *= scale;
            }
        }
        s.w[i] = scale * g;
        g = scale = sum = 0.0f;
        if (i < s.m && i != s.n - 1) {
            for (int k = l; k < s.n; k++) scale += fabsf(a[i][k]);
            if (scale != 0.0f) {
                for (int k = l; k < s.n; k++) {
                    a[i][k] /= scale;
                    sum += a[i][k] * a[i][k];
                }
                float f = a[i][l];
                g = -signOf(sqrtf(sum), f);
                float h = f * g - sum;
                a[i][l] = f - g;
                for (int k = l; k < s.n; k++) s.rv1[k] = a[i][k] / h;
                for (int j = l; j < s.m; j++) {
                    float t = 0.0f;
                    for (int k = l; k < s.n; k++) t += a[j][k] * a[i][k];
                    for (int k = l; k < s.n; k++) a[j][k] += t * s.rv1[k];
                }
                for (int k = l; k < s.n; k++) a[i][k] *= scale;
            }
        }
        anorm = fmaxf(anorm, fabsf(s.w[i]) + fabsf(s.rv1[i]));
    }
    return anorm;
}

// Accumulates the right-hand transformations into v and the left-hand ones into a.
void accumulate(Svd& s)
{
    float (*a)[3] = s.a;
    float (*v)[3] = s.v;
    float g = 0.0f;
    int l = s.n;
    for (int i = s.n - 1; i >= 0; i--) {
        if (i < s.n - 1) {
            if (g != 0.0f) {
                for (int j = l; j < s.n; j++) v[j][i] = (a[i][j] / a[i][l]) / g;
                for (int j = l; j < s.n; j++) {
                    float t = 0.0f;
                    for (int k = l; k < s.n; k++) t += a[i][k] * v[k][j];
                    for (int k = l; k < s.n; k++) v[k][j] += t * v[k][i];
                }
            }
            for (int j = l; j < s.n; j++) v[i][j] = v[j][i] = 0.0f;
        }
        v[i][i] = 1.0f;
        g = s.rv1[i];
        l = i;
    }
    for (int i = (s.m < s.n ? s.m : s.n) - 1; i >= 0; i--) {
        l = i + 1;
        g = s.w[i];
        for (int j = l; j < s.n; j++) a[i][j] = 0.0f;
        if (g != 0.0f) {
            g = 1.0f / g;
            for (int j = l; j < s.n; j++) {
                float t = 0.0f;
                for (int k = l; k < s.m; k++) t += a[k][i] * a[k][j];
                float f = (t / a[i][i]) * g;
                for (int k = i; k < s.m; k++) a[k][j] += f * a[k][i];
            }
            for (int j = i; j < s.m; j++) a[j][i] *= g;
        } else {
            for (int j = i; j < s.m; j++) a[j][i] = 0.0f;
        }
        a[i][i] += 1.0f;
    }
}

void rotateCols(float (*x)[3], int rows, int c1, int c2, float c, float sn)
{
    for (int j = 0; j < rows; j++) {
        float y = x[j][c1], z = x[j][c2];
        x[j][c1] = y * c + z * sn;
        x[j][c2] = z * c - y * sn;
    }
}

// Cancels rv1[l] when w[l-1] is negligible.
void cancel(Svd& s, int l, int k, float anorm)
{
    int nm = l - 1;
    float c = 0.0f, sn = 1.0f;
    for (int i = l; i <= k; i++) {
        float f = sn * s.rv1[i];
        s.rv1[i] = c * s.rv1[i];
        if ((float)(fabsf(f) + anorm) == anorm) break;
        float g = s.w[i];
        float h = pythag(f, g);
        s.w[i] = h;
        h = 1.0f / h;
        c = g * h;
        sn = -f * h;
        rotateCols(s.a, s.m, nm, i, c, sn);
    }
}

// One implicitly shifted QR sweep over the bidiagonal block l..k.
void shiftSweep(Svd& s, int l, int k)
{
    float z = s.w[k];
    float x = s.w[l];
    int nm = k - 1;
    float y = s.w[nm], g = s.rv1[nm], h = s.rv1[k];
    float f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0f * h * y);
    g = pythag(f, 1.0f);
    f = ((x - z) * (x + z) + h * ((y / (f + signOf(g, f))) - h)) / x;
    float c = 1.0f, sn = 1.0f;
    for (int j = l; j <= nm; j++) {
        int i = j + 1;
        g = s.rv1[i];
        y = s.w[i];
        h = sn * g;
        g = c * g;
        z = pythag(f, h);
        s.rv1[j] = z;
        c = f / z;
        sn = h / z;
        f = x * c + g * sn;
        g = g * c - x * sn;
        h = y * sn;
        y *= c;
        rotateCols(s.v, s.n, j, i, c, sn);
        z = pythag(f, h);
        s.w[j] = z;
        if (z != 0.0f) {
            z = 1.0f / z;
            c = f * z;
            sn = h * z;
        }
        f = c * g + sn * y;
        x = c * y - sn * g;
        rotateCols(s.a, s.m, j, i, c, sn);
    }
    s.rv1[l] = 0.0f;
    s.rv1[k] = f;
    s.w[k] = x;
}

void diagonalise(Svd& s, float anorm)
{
    for (int k = s.n - 1; k >= 0; k--) {
        for (int its = 1; its <= 30; its++) {
            bool flag = true;
            int l = k;
            for (; l >= 0; l--) {
                if ((float)(fabsf(s.rv1[l]) + anorm) == anorm) {
                    flag = false;
                    break;
                }
                if ((float)(fabsf(s.w[l - 1]) + anorm) == anorm) break;
            }
            if (flag) cancel(s, l, k, anorm);
            if (l == k) {
                if (s.w[k] < 0.0f) {
                    s.w[k] = -s.w[k];
                    for (int j = 0; j < s.n; j++) s.v[j][k] = -s.v[j][k];
                }
                break;
            }
            if (its == 30) printf("no convergence in 30 svdcmp iterations\n");
            shiftSweep(s, l, k);
        }
    }
}

} // namespace

int svdcmp(float (*a)[3], int nRows, int nCols, float* w, float (*v)[3])
{
    if (a == NULL || w == NULL || v == NULL || nRows < 1 || nCols < 1 || nCols > 3) return -1;
    float* rv1 = (float*)aq_alloc((size_t)nCols * sizeof(float));
    if (rv1 == NULL) return -1;
    Svd s = {a, nRows, nCols, w, v, rv1};
    float anorm = bidiagonalise(s);
    accumulate(s);
    diagonalise(s, anorm);
    aq_free(rv1);
    return 0;
}
