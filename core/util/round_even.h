// The one rounding rule of the program's arithmetic.
#pragma once

#include <cmath>
#include <cstdint>

namespace tessivo {

// Rounds to the nearest integer, halves to the even neighbour (the default
// floating-point rounding).
inline int64_t RoundEven(double v) {
    return std::llrint(v);
}

} // namespace tessivo
