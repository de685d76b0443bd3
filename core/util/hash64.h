// A fast 64-bit hash of bytes (word-wise multiply and mix), for fingerprints
// and cache keys; not for security.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessivo {

constexpr uint64_t kHash64Seed = 0x9E3779B97F4A7C15ull;

// Hash of `n` bytes at `data`, continuing from `seed` (chain calls by passing
// the previous result).
uint64_t Hash64(const void* data, size_t n, uint64_t seed = kHash64Seed);

} // namespace tessivo
