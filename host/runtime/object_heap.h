// The host's heap for database objects: blocks of one size class are carved from
// spans that the heap maps and faults in whole, and freed blocks are kept on a list
// per size class for the next object of that size.
#pragma once

#include <cstddef>

namespace acrt {

// A block of at least size bytes, aligned to 16; null when the heap ran out.
void* allocateObject(std::size_t size) noexcept;
// Gives back a block from allocateObject (null is ignored).
void freeObject(void* block) noexcept;

// Bytes of the blocks handed out and not yet freed, size classes rounded up, and
// bytes the heap has mapped for its spans.
struct ObjectHeapUsage {
    std::size_t bytesInUse = 0;
    std::size_t bytesMapped = 0;
};
ObjectHeapUsage objectHeapUsage() noexcept;

}  // namespace acrt
