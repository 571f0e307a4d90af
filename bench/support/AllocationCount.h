// Counts the heap allocations of a stretch of code: every malloc, calloc,
// realloc and aligned allocation of the whole process (operator new and the C
// library's own included) while counting is on. The program that links
// AllocationCount.cpp gets the C library's allocator behind a counter.
#ifndef BENCH_ALLOCATIONCOUNT_H
#define BENCH_ALLOCATIONCOUNT_H

#include <stdint.h>

// Starts counting from zero.
void AllocationCount_start();
// Stops counting; the allocations seen since the start.
uint64_t AllocationCount_stop();
// Whether a malloc and an operator new are both counted: a zero is only
// worth reporting when they are.
bool AllocationCount_works();

#endif
