#include "core/parts/time_text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace tessivo {

namespace {

struct ClockParts {
    int64_t h = 0;
    int m = 0, s = 0, ms = 0;
};

// Splits `seconds` rounded to `unitsPerSecond` (1 or 1000), halves to even.
ClockParts Split(double seconds, int64_t unitsPerSecond) {
    ClockParts c;
    if (!(seconds > 0.0) || !std::isfinite(seconds))
        return c;
    // Far beyond any file; keeps the conversion defined.
    if (seconds > 1e12)
        seconds = 1e12;
    const auto units = static_cast<int64_t>(std::nearbyint(seconds * unitsPerSecond));
    int64_t whole = units / unitsPerSecond;
    c.ms = unitsPerSecond == 1000 ? static_cast<int>(units % 1000) : 0;
    c.s = static_cast<int>(whole % 60);
    whole /= 60;
    c.m = static_cast<int>(whole % 60);
    c.h = whole / 60;
    return c;
}

} // namespace

std::string FormatTimeText(bool withMs, double seconds) {
    const ClockParts c = Split(seconds, withMs ? 1000 : 1);
    char buf[64];
    int len = 0;
    if (c.h >= 1)
        len = std::snprintf(buf, sizeof buf, "%lld:", static_cast<long long>(c.h));
    len += std::snprintf(buf + len, sizeof buf - len, "%02d:%02d", c.m, c.s);
    if (withMs)
        std::snprintf(buf + len, sizeof buf - len, ":%03d", c.ms);
    return buf;
}

void SplitClockText(double seconds, std::string& hms, std::string& ms) {
    const ClockParts c = Split(seconds, 1000);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%lld:%02d:%02d", static_cast<long long>(c.h), c.m, c.s);
    hms = buf;
    std::snprintf(buf, sizeof buf, ":%03d", c.ms);
    ms = buf;
}

} // namespace tessivo
