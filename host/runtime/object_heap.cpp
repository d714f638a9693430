// The host's heap for database objects.
//
// A drawing of 100,000 labels holds half a million small objects of a handful of
// sizes, made and deleted in bursts: a copy of every label, its undo, an explode.
// Taken from the general heap, every new page of them is faulted in on its own, which
// costs more than the objects' own work. This heap maps spans of 1 MiB with their pages
// populated in one call, carves each span into blocks of one size class and hands out
// freed blocks of a class first. All spans lie in one reserved range of address space,
// so a block's class follows from its address and blocks carry no header.
//
// Like the rest of the runtime it serves the host's one drawing thread. Spans are kept
// for the process's life and reused by later drawings. Builds with AddressSanitizer
// take every object from malloc instead, so that leaks and uses after free are reported
// object by object.
#include "object_heap.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

#if !defined(ACRT_OBJECT_HEAP_ON)
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ACRT_OBJECT_HEAP_OFF 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ACRT_OBJECT_HEAP_OFF 1
#endif
#endif

namespace acrt {
namespace {

#ifdef ACRT_OBJECT_HEAP_OFF
constexpr bool kSpansOn = false;
#else
constexpr bool kSpansOn = true;
#endif
constexpr std::size_t kGranule = 16;                    // block sizes are multiples of this
constexpr std::size_t kLargestBlock = 1024;             // larger objects come from malloc
constexpr std::size_t kClassCount = kLargestBlock / kGranule;
constexpr std::size_t kSpanBytes = std::size_t(1) << 20;
constexpr std::size_t kReservedBytes = std::size_t(16) << 30;  // address space, not memory
constexpr std::size_t kSpanCount = kReservedBytes / kSpanBytes;

struct FreeBlock {
    FreeBlock* next;
};

struct SizeClass {
    FreeBlock* freeList;
    char* carveNext;  // the class's newest span, carved front to back
    char* carveEnd;
};

// Constant-initialised and trivially destructible: objects deleted while the process
// exits still find the heap intact.
struct HeapState {
    char* base;
    bool reserveTried;
    std::size_t spansUsed;
    std::size_t bytesInUse;
    SizeClass classes[kClassCount];
    unsigned char classOfSpan[kSpanCount];
};

HeapState g_heap;

std::size_t blockBytes(std::size_t classIndex) { return (classIndex + 1) * kGranule; }

bool reserveAddressSpace()
{
    if (!g_heap.reserveTried) {
        g_heap.reserveTried = true;
        void* range = ::mmap(nullptr, kReservedBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (range != MAP_FAILED)
            g_heap.base = static_cast<char*>(range);
    }
    return g_heap.base != nullptr;
}

// Maps the next span of the reserved range, its pages populated, for one class.
bool addSpan(std::size_t classIndex)
{
    if (!reserveAddressSpace() || g_heap.spansUsed == kSpanCount)
        return false;
    char* span = g_heap.base + g_heap.spansUsed * kSpanBytes;
    void* mapped = ::mmap(span, kSpanBytes, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED | MAP_POPULATE, -1, 0);
    if (mapped == MAP_FAILED)
        return false;
    g_heap.classOfSpan[g_heap.spansUsed] = static_cast<unsigned char>(classIndex);
    ++g_heap.spansUsed;
    SizeClass& cls = g_heap.classes[classIndex];
    const std::size_t size = blockBytes(classIndex);
    cls.carveNext = span;
    cls.carveEnd = span + (kSpanBytes / size) * size;
    return true;
}

void* takeBlock(std::size_t classIndex)
{
    SizeClass& cls = g_heap.classes[classIndex];
    if (FreeBlock* block = cls.freeList) {
        cls.freeList = block->next;
        return block;
    }
    if (cls.carveNext == cls.carveEnd && !addSpan(classIndex))
        return nullptr;
    void* block = cls.carveNext;
    cls.carveNext += blockBytes(classIndex);
    return block;
}

bool inSpans(const void* block)
{
    const char* p = static_cast<const char*>(block);
    return g_heap.base != nullptr && p >= g_heap.base && p < g_heap.base + g_heap.spansUsed * kSpanBytes;
}

}  // namespace

void* allocateObject(std::size_t size) noexcept
{
    if (size == 0)
        size = 1;
    if (kSpansOn && size <= kLargestBlock) {
        const std::size_t classIndex = (size - 1) / kGranule;
        if (void* block = takeBlock(classIndex)) {
            g_heap.bytesInUse += blockBytes(classIndex);
            return block;
        }
    }
    return std::malloc(size);
}

void freeObject(void* block) noexcept
{
    if (block == nullptr)
        return;
    if (!inSpans(block)) {
        std::free(block);
        return;
    }
    const std::size_t span = std::size_t(static_cast<char*>(block) - g_heap.base) / kSpanBytes;
    const std::size_t classIndex = g_heap.classOfSpan[span];
    FreeBlock* freed = static_cast<FreeBlock*>(block);
    freed->next = g_heap.classes[classIndex].freeList;
    g_heap.classes[classIndex].freeList = freed;
    g_heap.bytesInUse -= blockBytes(classIndex);
}

ObjectHeapUsage objectHeapUsage() noexcept
{
    ObjectHeapUsage usage;
    usage.bytesInUse = g_heap.bytesInUse;
    usage.bytesMapped = g_heap.spansUsed * kSpanBytes;
    return usage;
}

}  // namespace acrt
