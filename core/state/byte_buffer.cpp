#include "core/state/byte_buffer.h"

#include <sys/mman.h>

#include <cstdlib>

namespace tessivo {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

size_t RoundUp(size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

} // namespace

void* AllocateBlock(size_t bytes) {
    if (bytes < kHugeBlockFrom)
        return ::operator new(bytes);
    void* p = std::aligned_alloc(kHugePage, RoundUp(bytes));
    if (!p)
        throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    // Fewer page faults while the file is read in; refused politely where
    // the system has no transparent huge pages.
    ::madvise(p, RoundUp(bytes), MADV_HUGEPAGE);
#endif
    return p;
}

void FreeBlock(void* p, size_t bytes) noexcept {
    if (bytes < kHugeBlockFrom)
        ::operator delete(p);
    else
        std::free(p);
}

} // namespace tessivo
