// Times written as text and read back, as the tests and the fuzz targets
// check them: the clock texts of the window and the command line, and the
// seconds of cut list files. Each check returns "" when it holds.
#pragma once

#include "core/cutlist/cut_list.h"
#include "core/util/time_text.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

namespace invariants {

inline std::string TimeFault(const std::string& what, double seconds, const std::string& text) {
    return what + " of " + tessivo::FixedText(seconds, 17) + " gave \"" + text + "\"";
}

// Any number: every formatter gives a short text (or, for cut list seconds,
// the whole number) that reads back to the value rounded to its unit.
inline std::string FormattedTimeFault(double seconds) {
    const std::string ms = tessivo::FormatClockMsText(seconds);
    const std::string plain = tessivo::FormatTimeText(true, seconds);
    if (ms.size() > 24 || plain.size() > 24)
        return TimeFault("a clock text", seconds, ms + " / " + plain);
    const std::string fixed = tessivo::SecondsText(seconds);
    if (!std::isfinite(seconds) || std::signbit(seconds))
        return fixed.empty() ? TimeFault("cut list seconds", seconds, fixed) : "";
    const double clamped = std::min(seconds, 1e12); // the clock's range
    const std::optional<double> back = tessivo::ParseClockText(ms, true);
    if (!back || std::fabs(*back - clamped) > 0.0005 + clamped * 1e-15)
        return TimeFault("FormatClockMsText", seconds, ms);
    double again = -1;
    if (!tessivo::ParseSeconds(fixed, again) || std::fabs(again - seconds) > 5e-7 + seconds * 1e-15)
        return TimeFault("SecondsText", seconds, fixed);
    return "";
}

// Any text: what a parser accepts formats back to the same time, to the
// millisecond the clock shows.
inline std::string ParsedTimeFault(const std::string& text) {
    for (bool withMillis : {false, true}) {
        const std::optional<double> v = tessivo::ParseClockText(text, withMillis);
        if (!v)
            continue;
        if (!(*v >= 0) || (!withMillis && *v != std::floor(*v)))
            return "ParseClockText(\"" + text + "\") gave " + tessivo::FixedText(*v, 6);
        if (*v <= 1e12) {
            const std::optional<double> back =
                tessivo::ParseClockText(tessivo::FormatClockMsText(*v), true);
            // The clock shows milliseconds; a typed time may hold microseconds.
            if (!back || std::fabs(*back - *v) > 0.0005 + *v * 1e-15)
                return TimeFault("FormatClockMsText", *v, tessivo::FormatClockMsText(*v));
        }
    }
    int length = -1;
    if (tessivo::ParseLengthText(text, length)) {
        int back = -1;
        const std::string shown = tessivo::FormatTimeText(false, length);
        if (length < 0 || !tessivo::ParseLengthText(shown, back) || back != length)
            return "ParseLengthText(\"" + text + "\") gave " + std::to_string(length) +
                   ", shown as \"" + shown + "\"";
    }
    double seconds = -1;
    if (tessivo::ParseSeconds(text, seconds) && !(seconds >= 0 && std::isfinite(seconds)))
        return "ParseSeconds(\"" + text + "\") gave " + tessivo::FixedText(seconds, 6);
    return "";
}

} // namespace invariants
