#include "core/util/time_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

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

std::string FormatClockMsText(double seconds) {
    std::string hms, ms;
    SplitClockText(seconds, hms, ms);
    return hms + "." + ms.substr(1);
}

void SplitClockText(double seconds, std::string& hms, std::string& ms) {
    const ClockParts c = Split(seconds, 1000);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%lld:%02d:%02d", static_cast<long long>(c.h), c.m, c.s);
    hms = buf;
    std::snprintf(buf, sizeof buf, ":%03d", c.ms);
    ms = buf;
}

namespace {

// Value of a field of minDigits..maxDigits digits, or -1.
int FieldValue(const std::string& f, size_t minDigits, size_t maxDigits) {
    if (f.size() < minDigits || f.size() > maxDigits)
        return -1;
    int v = 0;
    for (char c : f) {
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// 1 to 9 digits.
bool AllDigits(const std::string& s) {
    if (s.empty() || s.size() > 9)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::vector<std::string> ClockFields(const std::string& s) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        const size_t p = s.find(':', start);
        fields.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos)
            return fields;
        start = p + 1;
    }
}

} // namespace

std::optional<double> ParseClockText(const std::string& text, bool withMillis) {
    std::vector<std::string> fields = ClockFields(text);
    double fraction = 0.0;
    bool colonMillis = false;
    // The part list's own form, "mm:ss:mmm" or "h:mm:ss:mmm": a last field of
    // three digits after the seconds is milliseconds.
    if (withMillis && fields.size() >= 3 && fields.back().size() == 3 && AllDigits(fields.back())) {
        fraction = std::atol(fields.back().c_str()) / 1000.0;
        fields.pop_back();
        colonMillis = true;
    }
    // One field is seconds alone, and only where milliseconds may follow.
    if (fields.empty() || fields.size() > 3 || (fields.size() == 1 && !withMillis))
        return std::nullopt;
    std::string& last = fields.back();
    const size_t dot = last.find('.');
    if (dot != std::string::npos) {
        const std::string millis = last.substr(dot + 1);
        if (colonMillis || !withMillis || !AllDigits(millis) || millis.size() > 6)
            return std::nullopt;
        fraction = std::strtod(("0." + millis).c_str(), nullptr);
        last.resize(dot);
    }
    double seconds = 0.0;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!AllDigits(fields[i]))
            return std::nullopt;
        const long value = std::atol(fields[i].c_str());
        // Hours (and seconds typed alone) are unbounded; minutes and seconds
        // stay below 60.
        if ((i > 0 || fields.size() == 2) && value >= 60)
            return std::nullopt;
        seconds = seconds * 60.0 + static_cast<double>(value);
    }
    return seconds + fraction;
}

bool ParseLengthText(const std::string& text, int& seconds) {
    const size_t last = text.rfind(':');
    if (last == std::string::npos)
        return false;
    const size_t first = text.rfind(':', last == 0 ? std::string::npos : last - 1);
    const bool withHours = first != std::string::npos && first < last;
    const size_t mStart = withHours ? first + 1 : 0;
    const int h = withHours ? FieldValue(text.substr(0, first), 1, 3) : 0;
    const int m = FieldValue(text.substr(mStart, last - mStart), 1, 2);
    const int s = FieldValue(text.substr(last + 1), 2, 2);
    if (h < 0 || m < 0 || s < 0 || m >= 60 || s >= 60)
        return false;
    seconds = h * 3600 + m * 60 + s;
    return true;
}

std::string FormatNoteTimeText(double seconds) {
    const long long ms = std::llround(std::max(0.0, seconds) * 1000.0);
    const long long h = ms / 3600000, m = ms / 60000 % 60, s = ms / 1000 % 60, f = ms % 1000;
    char buf[48];
    if (h > 0)
        std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld.%03lld", h, m, s, f);
    else
        std::snprintf(buf, sizeof buf, "%lld:%02lld.%03lld", m, s, f);
    return buf;
}

} // namespace tessivo
