// Time texts of the split options: seconds ("12.5") and clock times
// ("[H:]MM:SS", optionally with ".mmm").
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessivo::cli {

// Digits only, 1 to 9 of them.
bool IsDigits(const std::string& s);

// The items of a list separated by `sep`; "a,,b" gives an empty middle item.
std::vector<std::string> SplitList(const std::string& s, char sep);

// A plain non-negative decimal number of seconds ("12", "12.5").
std::optional<double> ParseSeconds(const std::string& s);

// "[H:]MM:SS" with minutes and seconds below 60, and when `withMillis` an
// optional fraction of one to three digits ("1:02:03.250"). Returns seconds.
std::optional<double> ParseClock(const std::string& s, bool withMillis);

} // namespace tessivo::cli
