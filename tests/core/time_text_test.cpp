// Time texts of the part list, the status line and the large clock.
#include "core/util/time_text.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tessivo;

TEST(TimeText, MinutesSecondsAndMilliseconds) {
    EXPECT_EQ(FormatTimeText(true, 65.25), "01:05:250");
    EXPECT_EQ(FormatTimeText(false, 65.25), "01:05");
    EXPECT_EQ(FormatTimeText(true, 0), "00:00:000");
    EXPECT_EQ(FormatTimeText(false, 0), "00:00");
}

TEST(TimeText, HoursOnlyFromOneHourOnAndNeverCut) {
    EXPECT_EQ(FormatTimeText(true, 3725.125), "1:02:05:125");
    EXPECT_EQ(FormatTimeText(false, 3725.125), "1:02:05");
    EXPECT_EQ(FormatTimeText(false, 36000), "10:00:00");
    EXPECT_EQ(FormatTimeText(false, 3599.4), "59:59");
    EXPECT_EQ(FormatTimeText(false, 3599.6), "1:00:00");
    EXPECT_EQ(FormatTimeText(false, 250 * 3600.0 + 1), "250:00:01");
}

TEST(TimeText, RoundingCarriesIntoTheNextUnit) {
    EXPECT_EQ(FormatTimeText(false, 119.6), "02:00");
    EXPECT_EQ(FormatTimeText(true, 5.9996), "00:06:000");
    // Halves go to the even neighbour.
    EXPECT_EQ(FormatTimeText(false, 2.5), "00:02");
    EXPECT_EQ(FormatTimeText(false, 3.5), "00:04");
    EXPECT_EQ(FormatTimeText(true, 0.0625), "00:00:062"); // 62.5 ms, exact in binary
}

TEST(TimeText, NegativeAndNonFiniteTimesShowZero) {
    EXPECT_EQ(FormatTimeText(true, -3), "00:00:000");
    EXPECT_EQ(FormatTimeText(false, std::numeric_limits<double>::quiet_NaN()), "00:00");
}

TEST(TimeText, ClockAlwaysShowsHours) {
    std::string hms, ms;
    SplitClockText(0, hms, ms);
    EXPECT_EQ(hms, "0:00:00");
    EXPECT_EQ(ms, ":000");
    SplitClockText(3725.125, hms, ms);
    EXPECT_EQ(hms, "1:02:05");
    EXPECT_EQ(ms, ":125");
    SplitClockText(59.9996, hms, ms);
    EXPECT_EQ(hms, "0:01:00");
    EXPECT_EQ(ms, ":000");
}
