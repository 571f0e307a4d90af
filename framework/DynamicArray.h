#ifndef FRAMEWORK_DYNAMICARRAY_H
#define FRAMEWORK_DYNAMICARRAY_H

#include <stdlib.h>

#include "Boolean.h"

// Growable array of plain values. Storage grows in blocks of alloc_incr elements,
// enough blocks to cover the index being set, added to the old capacity (so an
// increment of 10 and one-by-one appends give capacities 10, 30, 70, 150, ...).
template <class T>
class DynamicArray
{
  public:
    explicit DynamicArray(int incr) : mem_error(0), array(nullptr), n_elems(0), n_allocd(0), alloc_incr(0)
    {
        if (incr > 0)
            alloc_incr = incr;
        else
            mem_error = 1;
    }

    ~DynamicArray()
    {
        if (n_allocd != 0)
            free(array);
    }

    DynamicArray(const DynamicArray&) = delete;
    DynamicArray& operator=(const DynamicArray&) = delete;

    int set(int i, T* val)
    {
        if (i < 0 || alloc_incr <= 0)
        {
            mem_error = 1;
            return -1;
        }
        if (i >= n_allocd && grow(i) != 0)
            return -1;
        array[i] = *val;
        mem_error = 0;
        if (i + 1 > n_elems)
            n_elems = i + 1;
        return 0;
    }

    int add(T* val) { return set(size(), val); }

    int get(int i, T* val)
    {
        if (i < 0 || i >= n_elems)
        {
            mem_error = 1;
            return -1;
        }
        *val = array[i];
        mem_error = 0;
        return 0;
    }

    int size() const { return n_elems; }
    Boolean memError() const { return mem_error; }

    Boolean mem_error;
    T* array;
    int n_elems;
    int n_allocd;
    int alloc_incr;

  private:
    int grow(int i)
    {
        int nblocks = (i + 1 + alloc_incr - 1) / alloc_incr;
        int newAllocd = (n_allocd == 0) ? alloc_incr * nblocks : n_allocd + alloc_incr * nblocks;
        T* p = static_cast<T*>(n_allocd == 0 ? malloc(sizeof(T) * newAllocd) : realloc(array, sizeof(T) * newAllocd));
        if (p == nullptr)
        {
            // The old storage, if any, stays valid and owned.
            mem_error = 1;
            return -1;
        }
        array = p;
        n_allocd = newAllocd;
        return 0;
    }
};
#endif
