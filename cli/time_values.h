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

// A time as the window reads it (ParseClockText): "[H:]MM:SS", and when
// `withMillis` also ".mmm", seconds alone ("12.5") and "MM:SS:mmm".
std::optional<double> ParseClock(const std::string& s, bool withMillis);

// A number of seconds ("0.5", "12") from 0 to `most`, the whole text; nothing
// for anything else.
std::optional<double> ParseSeconds(const std::string& s, double most);

} // namespace tessivo::cli
