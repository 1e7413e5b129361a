#include "core/stralloc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(StrAllocatorTest, ServesSmallRequestsFromOneBucket) {
    StrAllocator alloc(100);
    char* a = alloc.New(30);
    char* b = alloc.New(30);
    EXPECT_EQ(b, a + 30);
    EXPECT_EQ(alloc.BytesFreeInBucket(), 40u);
    // A request that no longer fits opens a new bucket.
    char* c = alloc.New(50);
    EXPECT_EQ(alloc.BytesFreeInBucket(), 50u);
    EXPECT_TRUE(c < a || c >= a + 100);
}

TEST(StrAllocatorTest, DeleteGivesBackOnlyTheNewestAllocation) {
    StrAllocator alloc(100);
    char* a = alloc.New(20);
    char* b = alloc.New(20);
    alloc.Delete(a);
    EXPECT_EQ(alloc.BytesFreeInBucket(), 60u);
    alloc.Delete(b);
    EXPECT_EQ(alloc.BytesFreeInBucket(), 80u);
    EXPECT_EQ(alloc.New(20), b);
}

TEST(StrAllocatorTest, SecondDeleteOfTheSamePointerIsHarmless) {
    StrAllocator alloc(100);
    char* a = alloc.New(20);
    char* b = alloc.New(20);
    alloc.Delete(b);
    alloc.Delete(b);
    EXPECT_EQ(alloc.BytesFreeInBucket(), 80u);
    // Otherwise this allocation would overlap a.
    EXPECT_EQ(alloc.New(20), a + 20);
}

TEST(StrAllocatorTest, LargeRequestsGetTheirOwnStorage) {
    StrAllocator alloc(100);
    char* small = alloc.New(10);
    std::string big(5000, 'q');
    char* large = alloc.Duplicate(big.c_str());
    EXPECT_EQ(std::string(large), big);
    EXPECT_EQ(alloc.BytesFreeInBucket(), 90u);
    alloc.Delete(large);
    EXPECT_EQ(alloc.BytesFreeInBucket(), 90u);
    // The newest bucket allocation can still be given back.
    alloc.Delete(small);
    EXPECT_EQ(alloc.BytesFreeInBucket(), 100u);
}

TEST(StrAllocatorTest, DuplicateCopiesAndDeleteAllReleases) {
    StrAllocator alloc(8000);
    char* s = alloc.Duplicate("MATCH");
    EXPECT_STREQ(s, "MATCH");
    for (int i = 0; i < 1000; i++) alloc.Duplicate("a comment of some length");
    alloc.DeleteAll();
    EXPECT_EQ(alloc.BytesFreeInBucket(), 0u);
    EXPECT_STREQ(alloc.Duplicate("again"), "again");
}

TEST(StrAllocatorDeathTest, TinyBucketIsAnInternalError) {
    EXPECT_DEATH(StrAllocator(99), "ASSERT FAILED");
}

}  // namespace
