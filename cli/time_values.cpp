#include "cli/time_values.h"

#include <algorithm>
#include <cstdlib>

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

std::optional<double> ParseSeconds(const std::string& s) {
    if (s.empty() || s.size() > 32)
        return std::nullopt;
    int dots = 0;
    for (char c : s) {
        if (c == '.')
            ++dots;
        else if (c < '0' || c > '9')
            return std::nullopt;
    }
    if (dots > 1 || s == ".")
        return std::nullopt;
    return std::strtod(s.c_str(), nullptr);
}

std::optional<double> ParseClock(const std::string& s, bool withMillis) {
    std::vector<std::string> fields = SplitList(s, ':');
    if (fields.size() < 2 || fields.size() > 3)
        return std::nullopt;
    std::string& last = fields.back();
    double fraction = 0.0;
    const size_t dot = last.find('.');
    if (dot != std::string::npos) {
        const std::string millis = last.substr(dot + 1);
        if (!withMillis || !IsDigits(millis) || millis.size() > 3)
            return std::nullopt;
        fraction = std::strtod(("0." + millis).c_str(), nullptr);
        last.resize(dot);
    }
    double seconds = 0.0;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!IsDigits(fields[i]))
            return std::nullopt;
        const long value = std::atol(fields[i].c_str());
        // Hours are unbounded; minutes and seconds stay below 60.
        if (i > 0 && value >= 60)
            return std::nullopt;
        if (i == 0 && fields.size() == 2 && value >= 60)
            return std::nullopt;
        seconds = seconds * 60.0 + static_cast<double>(value);
    }
    return seconds + fraction;
}

} // namespace tessivo::cli
