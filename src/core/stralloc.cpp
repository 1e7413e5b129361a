#include "core/stralloc.h"

#include <cstring>

#include "core/myassert.h"

StrAllocator::StrAllocator(uint32_t bucketSize)
    : BucketSize(bucketSize),
      FirstBucket(nullptr),
      LargeList(nullptr),
      LastAllocAddress(nullptr),
      LastAllocSize(0) {
    ASSERT(bucketSize >= 100);
}

StrAllocator::~StrAllocator() {
    DeleteAll();
}

char* StrAllocator::New(uint32_t size) {
    if (size > BucketSize) {
        largeStrT* large = new largeStrT{size, new char[size], LargeList};
        LargeList = large;
        return large->data;
    }
    if (FirstBucket == nullptr || FirstBucket->bytesFree < size) {
        FirstBucket = new bucketT{BucketSize, new char[BucketSize], FirstBucket};
    }
    char* ptr = FirstBucket->data + (BucketSize - FirstBucket->bytesFree);
    FirstBucket->bytesFree -= size;
    LastAllocAddress = ptr;
    LastAllocSize = size;
    return ptr;
}

char* StrAllocator::Duplicate(const char* text) {
    ASSERT(text != nullptr);
    uint32_t size = uint32_t(strlen(text)) + 1;
    char* copy = New(size);
    memcpy(copy, text, size);
    return copy;
}

void StrAllocator::Delete(char* ptr) {
    if (ptr == nullptr || ptr != LastAllocAddress) return;
    FirstBucket->bytesFree += LastAllocSize;
    // Forgetting the address makes a second Delete harmless instead of
    // freeing the same bytes twice.
    LastAllocAddress = nullptr;
    LastAllocSize = 0;
}

void StrAllocator::DeleteAll() {
    while (FirstBucket != nullptr) {
        bucketT* next = FirstBucket->next;
        delete[] FirstBucket->data;
        delete FirstBucket;
        FirstBucket = next;
    }
    while (LargeList != nullptr) {
        largeStrT* next = LargeList->next;
        delete[] LargeList->data;
        delete LargeList;
        LargeList = next;
    }
    LastAllocAddress = nullptr;
    LastAllocSize = 0;
}
