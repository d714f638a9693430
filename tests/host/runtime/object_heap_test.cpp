// The host's object heap: blocks by size class, reuse of freed blocks, spans beyond
// the first, and the malloc path for large objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "object_heap.h"

namespace {

bool aligned16(const void* p) { return reinterpret_cast<std::uintptr_t>(p) % 16 == 0; }

// Live blocks as [begin, end) byte ranges; true when no two overlap.
bool disjoint(std::vector<std::pair<const char*, const char*>> ranges)
{
    std::sort(ranges.begin(), ranges.end());
    for (size_t i = 1; i < ranges.size(); ++i)
        if (ranges[i].first < ranges[i - 1].second)
            return false;
    return true;
}

}  // namespace

TEST(ObjectHeap, BlocksOfEverySizeAreAlignedDisjointAndCountedByClass)
{
    const size_t startInUse = acrt::objectHeapUsage().bytesInUse;
    std::vector<void*> blocks;
    std::vector<std::pair<const char*, const char*>> ranges;
    size_t expected = 0;
    for (size_t size = 0; size <= 1100; size += 7) {
        void* block = acrt::allocateObject(size);
        ASSERT_NE(block, nullptr);
        EXPECT_TRUE(aligned16(block)) << "size " << size;
        std::memset(block, 0xA5, size);
        blocks.push_back(block);
        ranges.emplace_back(static_cast<const char*>(block), static_cast<const char*>(block) + size);
        if (size <= 1024)
            expected += (size == 0 ? 16 : (size + 15) / 16 * 16);
    }
    EXPECT_TRUE(disjoint(ranges));
    EXPECT_EQ(acrt::objectHeapUsage().bytesInUse - startInUse, expected);
    for (void* block : blocks)
        acrt::freeObject(block);
    acrt::freeObject(nullptr);
    EXPECT_EQ(acrt::objectHeapUsage().bytesInUse, startInUse);
}

TEST(ObjectHeap, FreedBlockServesTheNextObjectOfItsClassOnly)
{
    void* a = acrt::allocateObject(152);
    void* b = acrt::allocateObject(400);
    acrt::freeObject(a);
    void* other = acrt::allocateObject(400);  // another class: not a's block
    EXPECT_NE(other, a);
    void* again = acrt::allocateObject(150);  // same class as 152
    EXPECT_EQ(again, a);
    for (void* block : {b, other, again})
        acrt::freeObject(block);
}

TEST(ObjectHeap, OneClassGrowsOverManySpansAndGivesEverythingBack)
{
    const acrt::ObjectHeapUsage start = acrt::objectHeapUsage();
    const size_t count = 3 * (size_t(1) << 20) / 240 + 10;  // more than three spans of 240-byte blocks
    std::vector<void*> blocks;
    std::vector<std::pair<const char*, const char*>> ranges;
    for (size_t i = 0; i < count; ++i) {
        void* block = acrt::allocateObject(240);
        ASSERT_NE(block, nullptr);
        *static_cast<size_t*>(block) = i;
        blocks.push_back(block);
        ranges.emplace_back(static_cast<const char*>(block), static_cast<const char*>(block) + 240);
    }
    EXPECT_TRUE(disjoint(ranges));
    for (size_t i = 0; i < count; ++i)
        ASSERT_EQ(*static_cast<size_t*>(blocks[i]), i);
    EXPECT_GE(acrt::objectHeapUsage().bytesMapped - start.bytesMapped, 3 * (size_t(1) << 20));
    for (void* block : blocks)
        acrt::freeObject(block);
    EXPECT_EQ(acrt::objectHeapUsage().bytesInUse, start.bytesInUse);
    // A second round takes the freed blocks: no span is added.
    const size_t mapped = acrt::objectHeapUsage().bytesMapped;
    for (size_t i = 0; i < count; ++i)
        blocks[i] = acrt::allocateObject(240);
    EXPECT_EQ(acrt::objectHeapUsage().bytesMapped, mapped);
    for (void* block : blocks)
        acrt::freeObject(block);
}
