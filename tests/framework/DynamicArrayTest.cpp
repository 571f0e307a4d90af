#include <string.h>

#include "DynamicArray.h"
#include "Exception.h"
#include "CppUTest/TestHarness.h"

TEST_GROUP(DynamicArray){};

TEST(DynamicArray, grows_by_blocks_added_to_the_old_capacity)
{
    DynamicArray<int> a(10);
    struct Row
    {
        int index;
        int capacity;
    } rows[] = {{0, 10}, {9, 10}, {10, 30}, {29, 30}, {30, 70}, {70, 150}};
    for (const Row& r : rows)
    {
        int v = r.index * 2;
        LONGS_EQUAL(0, a.set(r.index, &v));
        LONGS_EQUAL_TEXT(r.capacity, a.n_allocd, StringFromFormat("index %d", r.index).asCharString());
        LONGS_EQUAL(r.index + 1, a.size());
    }
    int got = -1;
    LONGS_EQUAL(0, a.get(70, &got));
    LONGS_EQUAL(140, got);
}

TEST(DynamicArray, appends_in_order_and_refuses_out_of_range_reads)
{
    DynamicArray<int> a(10);
    for (int i = 0; i < 25; i++)
        LONGS_EQUAL(0, a.add(&i));
    LONGS_EQUAL(25, a.size());
    LONGS_EQUAL(30, a.n_allocd);
    int v = 0;
    LONGS_EQUAL(0, a.get(24, &v));
    LONGS_EQUAL(24, v);
    LONGS_EQUAL(0, a.mem_error);
    for (int bad : {-1, 25})
    {
        v = 99;
        LONGS_EQUAL(-1, a.get(bad, &v));
        LONGS_EQUAL(1, a.mem_error);
        LONGS_EQUAL(99, v);
    }
    LONGS_EQUAL(-1, a.set(-1, &v));
    LONGS_EQUAL(1, a.mem_error);
}

TEST(DynamicArray, zero_increment_is_an_error_and_stores_nothing)
{
    DynamicArray<int> a(0);
    LONGS_EQUAL(1, a.mem_error);
    int v = 1;
    LONGS_EQUAL(-1, a.add(&v));
    LONGS_EQUAL(0, a.size());
}

TEST_GROUP(Exception){};

TEST(Exception, message_is_bounded_by_the_record)
{
    Exception shortOne("navigation server not reachable");
    STRCMP_EQUAL("navigation server not reachable", shortOne.msg);
    char longText[150];
    memset(longText, 'x', sizeof longText - 1);
    longText[sizeof longText - 1] = '\0';
    Exception longOne(longText);
    LONGS_EQUAL(100, strnlen(longOne.msg, sizeof longOne.msg));
    MEMCMP_EQUAL(longText, longOne.msg, sizeof longOne.msg);
}
