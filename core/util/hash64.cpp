#include "core/util/hash64.h"

#include <cstring>

namespace tessivo {

namespace {

constexpr uint64_t kMul = 0xFF51AFD7ED558CCDull;

uint64_t Mix(uint64_t h, uint64_t w) {
    h ^= w * 0xC4CEB9FE1A85EC53ull;
    h = (h << 27 | h >> 37) * kMul;
    return h ^ (h >> 31);
}

} // namespace

uint64_t Hash64(const void* data, size_t n, uint64_t seed) {
    const auto* p = static_cast<const uint8_t*>(data);
    uint64_t h = Mix(seed, n);
    for (; n >= 8; n -= 8, p += 8) {
        uint64_t w = 0;
        std::memcpy(&w, p, 8);
        h = Mix(h, w);
    }
    uint64_t last = 0;
    std::memcpy(&last, p, n);
    h = Mix(h, last ^ (uint64_t{n} << 56));
    h ^= h >> 33;
    h *= kMul;
    return h ^ (h >> 33);
}

} // namespace tessivo
