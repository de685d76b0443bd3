// Fuzz target: the time parsers and formatters. The input is read as a text
// by every parser (what one accepts formats back to the same time), and its
// first eight bytes as a number for every formatter (what one writes reads
// back, whatever the number: NaN, infinities, 1e300).
#include "fuzz_check.h"
#include "tests/invariants/time_text_round_trip.h"

#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Expect(
        invariants::ParsedTimeFault(std::string(reinterpret_cast<const char*>(data), size)));
    if (size >= 8) {
        double seconds = 0;
        std::memcpy(&seconds, data, sizeof seconds);
        fuzz::Expect(invariants::FormattedTimeFault(seconds));
    }
    return 0;
}
