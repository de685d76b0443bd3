// The fuzz targets' way to fail: the broken invariant on stderr, then abort,
// which libFuzzer reports as a crash and keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

inline void Check(bool ok, const char* what = "invariant") {
    if (!ok) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// A check from tests/invariants: "" when it holds.
inline void Expect(const std::string& fault) {
    if (!fault.empty()) {
        std::fprintf(stderr, "broken: %s\n", fault.c_str());
        std::abort();
    }
}

} // namespace fuzz
