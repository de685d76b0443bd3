// The file image's storage: a byte vector whose resize leaves new bytes
// uninitialised (the read fills them at once), and whose large blocks are
// aligned for, and offered to, transparent huge pages.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace tessivo {

// Blocks of this size and more are 2 MiB aligned and marked for huge pages.
constexpr size_t kHugeBlockFrom = size_t{4} << 20;

// Raw storage for DefaultInitAllocator; throws std::bad_alloc.
void* AllocateBlock(size_t bytes);
void FreeBlock(void* p, size_t bytes) noexcept;

// An allocator that default-initialises: vector<T>::resize(n) leaves
// trivial elements as they are instead of zero-filling them.
template <class T> struct DefaultInitAllocator {
    using value_type = T;

    DefaultInitAllocator() noexcept = default;
    template <class U> DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}

    T* allocate(size_t n) { return static_cast<T*>(AllocateBlock(n * sizeof(T))); }
    void deallocate(T* p, size_t n) noexcept { FreeBlock(p, n * sizeof(T)); }

    template <class U> void construct(U* p) noexcept(noexcept(::new (static_cast<void*>(p)) U)) {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <class U> bool operator==(const DefaultInitAllocator<U>&) const noexcept {
        return true;
    }
};

using ByteBuffer = std::vector<uint8_t, DefaultInitAllocator<uint8_t>>;

// Byte-for-byte comparison with a plain byte vector.
inline bool operator==(const ByteBuffer& a, const std::vector<uint8_t>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}
inline bool operator==(const std::vector<uint8_t>& a, const ByteBuffer& b) {
    return b == a;
}

} // namespace tessivo
