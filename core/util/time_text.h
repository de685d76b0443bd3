// Time texts: "mm:ss", "h:mm:ss", with ":mmm" milliseconds when asked.
#pragma once

#include <optional>
#include <string>

namespace tessivo {

// Rounds to the nearest millisecond (withMs) or second, halves to even. Hours
// are shown only from one hour on. Negative times count as 0.
std::string FormatTimeText(bool withMs, double seconds);

// "m:ss.mmm", or "h:mm:ss.mmm" from one hour on, rounded to the millisecond:
// how messages on the command line give a time ("12:03.000", "4:12.300").
std::string FormatNoteTimeText(double seconds);

// The large clock: hours always shown ("0:00:00") and milliseconds (":000").
void SplitClockText(double seconds, std::string& hms, std::string& ms);

// Reads a length "[H:]MM:SS" into whole seconds: hours of 1 to 3 digits,
// minutes of 1 or 2 digits and seconds of exactly 2, both below 60. False
// (and `seconds` untouched) for anything else.
bool ParseLengthText(const std::string& text, int& seconds);

// Reads a clock time: "[h:]mm:ss" with minutes and seconds below 60 (two
// fields: minutes below 60 as well; hours unbounded). When `withMillis`, also
// a fraction of one to six digits ("1:02:03.250", to the microsecond as
// Audacity writes it), seconds alone ("45.5"),
// and the part list's "mm:ss:mmm" and "h:mm:ss:mmm". Every typed time of the
// window and the command line's times come here. Seconds, or nothing for
// anything else.
std::optional<double> ParseClockText(const std::string& text, bool withMillis);

// "h:mm:ss.mmm", hours always shown, rounded to the millisecond: the form a
// typed time is edited in.
std::string FormatClockMsText(double seconds);

} // namespace tessivo
