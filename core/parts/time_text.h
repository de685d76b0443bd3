// Time texts: "mm:ss", "h:mm:ss", with ":mmm" milliseconds when asked.
#pragma once

#include <string>

namespace tessivo {

// Rounds to the nearest millisecond (withMs) or second, halves to even. Hours
// are shown only from one hour on. Negative times count as 0.
std::string FormatTimeText(bool withMs, double seconds);

// The large clock: hours always shown ("0:00:00") and milliseconds (":000").
void SplitClockText(double seconds, std::string& hms, std::string& ms);

} // namespace tessivo
