#include "cli/time_values.h"

#include "core/parts/time_text.h"

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

std::optional<double> ParseClock(const std::string& s, bool withMillis) {
    return ParseClockText(s, withMillis);
}

} // namespace tessivo::cli
