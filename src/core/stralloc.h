// A bucket allocator for many small strings that all die together (a game's
// comments): allocation is a pointer bump, and everything is released at once
// by DeleteAll when the game is cleared.
#pragma once

#include <cstdint>

class StrAllocator {
  public:
    // bucketSize is at least 100.
    explicit StrAllocator(uint32_t bucketSize);
    ~StrAllocator();
    StrAllocator(const StrAllocator&) = delete;
    StrAllocator& operator=(const StrAllocator&) = delete;

    // Requests up to the bucket size come from the newest bucket; larger ones
    // get an allocation of their own.
    char* New(uint32_t size);
    char* Duplicate(const char* text);
    // Gives the space back only when ptr is the newest bucket allocation;
    // anything else waits for DeleteAll.
    void Delete(char* ptr);
    void DeleteAll();

    uint32_t GetBucketSize() const { return BucketSize; }
    // Free bytes left in the newest bucket (0 when there is none).
    uint32_t BytesFreeInBucket() const { return FirstBucket ? FirstBucket->bytesFree : 0; }

  private:
    struct bucketT {
        uint32_t bytesFree;
        char* data;
        bucketT* next;
    };
    struct largeStrT {
        uint32_t size;
        char* data;
        largeStrT* next;
    };

    uint32_t BucketSize;
    bucketT* FirstBucket;  // the newest bucket; older ones follow
    largeStrT* LargeList;
    char* LastAllocAddress;  // newest allocation from FirstBucket, or null
    uint32_t LastAllocSize;
};
