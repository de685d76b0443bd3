#include "cli/time_values.h"

#include "core/util/time_text.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace tessivo::cli {

bool IsDigits(const std::string& s) {
    return !s.empty() && s.size() <= 9 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> SplitList(const std::string& s, char sep) {
    std::vector<std::string> items;
    size_t start = 0;
    while (true) {
        const size_t p = s.find(sep, start);
        items.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos)
            return items;
        start = p + 1;
    }
}

std::optional<double> ParseClock(const std::string& s, bool withMillis) {
    return ParseClockText(s, withMillis);
}

std::optional<double> ParseSeconds(const std::string& s, double most) {
    size_t used = 0;
    double seconds = 0.0;
    try {
        seconds = std::stod(s, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != s.size() || !(seconds >= 0.0 && seconds <= most))
        return std::nullopt;
    return seconds;
}

} // namespace tessivo::cli
