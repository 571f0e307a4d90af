// The allocator entry points of the C library, replaced by ones that count and
// hand over to the library's own (its __libc_* names), so the heap stays the
// library's and memory from either side may be freed by the other. operator
// new of the C++ runtime allocates through malloc, so it is counted too.
#include "AllocationCount.h"

#include <errno.h>
#include <stddef.h>

extern "C" {
void* __libc_malloc(size_t n);
void* __libc_calloc(size_t count, size_t n);
void* __libc_realloc(void* p, size_t n);
void* __libc_memalign(size_t alignment, size_t n);
void __libc_free(void* p);
}

namespace {

// The code measured runs on one thread; a plain flag and counter suffice.
bool counting = false;
uint64_t allocations = 0;

void count()
{
    if (counting)
        allocations++;
}

}  // namespace

void AllocationCount_start()
{
    allocations = 0;
    counting = true;
}

uint64_t AllocationCount_stop()
{
    counting = false;
    return allocations;
}

extern "C" {

void* malloc(size_t n)
{
    count();
    return __libc_malloc(n);
}

void* calloc(size_t count_, size_t n)
{
    count();
    return __libc_calloc(count_, n);
}

void* realloc(void* p, size_t n)
{
    count();
    return __libc_realloc(p, n);
}

void free(void* p)
{
    __libc_free(p);
}

void* memalign(size_t alignment, size_t n)
{
    count();
    return __libc_memalign(alignment, n);
}

void* aligned_alloc(size_t alignment, size_t n)
{
    count();
    return __libc_memalign(alignment, n);
}

int posix_memalign(void** p, size_t alignment, size_t n)
{
    count();
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    void* q = __libc_memalign(alignment, n);
    if (q == nullptr)
        return ENOMEM;
    *p = q;
    return 0;
}

}  // extern "C"

bool AllocationCount_works()
{
    AllocationCount_start();
    // Through volatile pointers, so the compiler cannot drop the pairs.
    void* volatile p = malloc(24);
    free(p);
    int* volatile q = new int(1);
    delete q;
    return AllocationCount_stop() == 2;
}
