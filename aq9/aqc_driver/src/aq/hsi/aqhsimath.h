// Eigen-decomposition of general real matrices (balancing, Hessenberg
// reduction, shifted QR, back-substitution), singular value decomposition,
// complex helpers and the float pool that the eigen routines carve scratch from.
// Matrices handed to eigen() and its steps are arrays of row pointers.
#ifndef AQ_HSI_AQHSIMATH_H
#define AQ_HSI_AQHSIMATH_H

typedef struct aqcomplex
{
    float Re;
    float Im;
} aqcomplex;

// Modulus, product, and quotient num * conj(den) / |den|^2.
float aqcabs(aqcomplex a);
aqcomplex cmult(aqcomplex a, aqcomplex b);
aqcomplex cdiv(aqcomplex num, aqcomplex den);

typedef struct vmchunk_t vmchunk_t;

// Growable pool of floats. A vector carved from it never moves: when the pool
// grows, the old block is retired to `older` and stays valid until vmfree.
typedef struct vmblock_t
{
    int n;            // floats handed out from mem
    int max;          // capacity of mem
    float* mem;       // current block
    vmchunk_t* older; // retired blocks, released by vmfree
    int failed;       // nonzero once an allocation from this pool failed
} vmblock_t;

// New empty pool, or NULL when it cannot be allocated.
vmblock_t* vminit(void);
// typ 0: a vector of `zeilen` floats (spalten ignored); other types, a NULL pool
// or an exhausted heap give NULL (and mark the pool failed).
void* vmalloc(vmblock_t* vmblock, int typ, int zeilen, int spalten);
// 1 when every allocation from the pool succeeded, 0 otherwise.
int vmcomplete(vmblock_t* vmblock);
// Releases the pool and everything carved from it (NULL is ignored).
void vmfree(vmblock_t* vmblock);

// Eigenvalues (evalr + i*evali) and, when _evec is not NULL, unit eigenvectors
// as the columns of the row-major n x n _evec, of the row-major matrix _a
// (overwritten). Returns the code of eigen(): 0 on success; 1 for bad
// arguments (including non-finite elements) or scratch that could not be
// allocated; 4xx when the QR iteration
// did not converge (outputs then hold whatever was computed).
int n_eigeng(float* _a, int n, float* evalr, float* evali, float* _evec);

// Driver of the decomposition: vec = compute eigenvectors, ortho = Householder
// instead of elimination, ev_norm = scale eigenvectors (largest component 1).
// cnt[i] receives the QR iterations spent on eigenvalue i. Returns 0, 1 for bad
// arguments (a non-finite element among them) or missing scratch, or the failing step's code plus 100 (balance),
// 200 (Hessenberg), 300 (accumulation), 400 (QR), 500 (back-transformation),
// 600 (scaling).
int eigen(int vec, int ortho, int ev_norm, int n, float** mat, float** eivec, float* valre, float* valim,
          int* cnt);

// Balancing by powers of the radix; returns 0 (low/high bound the unisolated block).
int balance(int n, float** mat, float* scal, int* low, int* high, int radix);
// Undoes the balancing on the eigenvector rows.
int balback(int n, int low, int high, const float* scal, float** eivec);
// Reduction to upper Hessenberg form by stabilised elimination; perm records the row exchanges.
int elmhes(int n, int low, int high, float** mat, int* perm);
// Accumulates the elimination transformations into h.
int elmtrans(int n, int low, int high, float** mat, const int* perm, float** h);
// Reduction to upper Hessenberg form by Householder reflections; d is scratch.
int orthes(int n, int low, int high, float** mat, float* d);
// Accumulates the Householder transformations into v.
int orttrans(int n, int low, int high, float** mat, float* d, float** v);
// Shifted QR on the Hessenberg matrix h; returns 0, or the index of an
// eigenvalue that did not converge within 50 iterations (its cnt is set to 51).
int hqr2(int vec, int n, int low, int high, float** h, float* wr, float* wi, float** eivec, int* cnt);
// Eigenvectors of the quasi-triangular h by back-substitution, transformed back by eivec.
int hqrvec(int n, int low, int high, float** h, float* wr, float* wi, float** eivec);
// Divides every eigenvector by its component of largest modulus.
int norm_1(int n, float** v, float* wi);
// Radix of the float arithmetic.
int basis(void);

// Singular value decomposition of an nRows x nCols matrix (nCols <= 3): a is
// replaced by U, w receives the singular values, v the matrix V. Returns -1 when
// the sizes are invalid or its scratch cannot be allocated, 0 otherwise.
int svdcmp(float (*a)[3], int nRows, int nCols, float* w, float (*v)[3]);
// sqrt(a^2 + b^2) without destructive overflow or underflow.
float pythag(float a, float b);

#endif
