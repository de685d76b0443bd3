// Typed times: clock texts with hours and milliseconds, the cut line a typed
// time places, the play cursor moved by the keys, and equal time in hours.
#include "core/analysis/time_base.h"
#include "core/cutting/cutting_mode.h"
#include "core/parts/typed_cut.h"

#include "core/parts/part_access.h"

#include "core/parts/cut_lines.h"
#include "core/parts/prepare.h"
#include "core/playback/playback_control.h"
#include "core/util/time_text.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tessivo;

namespace {

// A file of `frames` frames of 1152 samples at 44100 Hz (26.122 ms), one part.
std::unique_ptr<ProgramState> FileOf(uint32_t frames) {
    auto st = std::make_unique<ProgramState>();
    st->FrameCount = frames;
    st->FrameDuration = 1152.0 / 44100.0;
    st->Duration = frames * st->FrameDuration;
    ResetToOnePart(*st, *st);
    return st;
}

TEST(ClockText, HoursMinutesSecondsAndMilliseconds) {
    EXPECT_DOUBLE_EQ(*ParseClockText("1:02:03.250", true), 3723.25);
    EXPECT_DOUBLE_EQ(*ParseClockText("02:03", true), 123.0);
    EXPECT_DOUBLE_EQ(*ParseClockText("0:00:00.5", true), 0.5);
    EXPECT_DOUBLE_EQ(*ParseClockText("12:00:00", false), 43200.0);
    for (const char* bad : {"", "1:60", "60:00", "1:00:60", "0:00.1234567", "a:00", "1::00",
                            "1:00:00:00", "0:01.", "-0:01"})
        EXPECT_FALSE(ParseClockText(bad, true).has_value()) << bad;
    EXPECT_FALSE(ParseClockText("0:01.500", false).has_value());
}

// The part list shows "mm:ss:mmm"; typed back it is the same time, not 45
// minutes. Seconds alone and every other form read as well.
TEST(ClockText, TheListsOwnFormAndSecondsAlone) {
    EXPECT_DOUBLE_EQ(*ParseClockText("00:45:009", true), 45.009);
    EXPECT_DOUBLE_EQ(*ParseClockText("1:02:05:125", true), 3725.125);
    EXPECT_DOUBLE_EQ(*ParseClockText("45.5", true), 45.5);
    EXPECT_DOUBLE_EQ(*ParseClockText("90", true), 90.0);
    EXPECT_DOUBLE_EQ(*ParseClockText("01:05.250", true), 65.25);
    // Every text the list shows reads back to its own time.
    for (double t : {0.0, 65.25, 3599.999, 3725.125, 36000.5})
        EXPECT_NEAR(*ParseClockText(FormatTimeText(true, t), true), t, 1e-9) << t;
    for (const char* bad : {"00:45:0090", "1:00:60:000", "00:45:09:5", "1:2:3:4:500", "4.5.6"})
        EXPECT_FALSE(ParseClockText(bad, true).has_value()) << bad;
    // Lengths take no milliseconds and no seconds alone.
    EXPECT_FALSE(ParseClockText("45", false).has_value());
}

TEST(ClockText, TheTypedFormShowsHoursAndMilliseconds) {
    EXPECT_EQ(FormatClockMsText(0), "0:00:00.000");
    EXPECT_EQ(FormatClockMsText(3723.25), "1:02:03.250");
    // What is shown reads back to the same frame.
    auto st = FileOf(200000);
    for (int64_t f : {1, 777, 137831, 199988}) {
        const std::string text = FormatClockMsText(f * st->FrameDuration);
        EXPECT_EQ(NearestFrameAt(*st, *ParseClockText(text, true)), f) << text;
    }
}

TEST(TypedCut, RoundsToTheNearestFrameInsideTheFile) {
    auto st = FileOf(2000); // 52.24 s
    const TypedCut c = TypedCutFrame(*st, *st, "0:00:10.000", 0);
    ASSERT_TRUE(c.ok) << c.message;
    EXPECT_EQ(c.frame, 383); // 10 s / 26.122 ms = 382.8
    // The last frame a part may start on is 11 frames before the end.
    const std::string last = FormatClockMsText(1989 * st->FrameDuration);
    EXPECT_TRUE(TypedCutFrame(*st, *st, last, 0).ok);
    const std::string tooLate = FormatClockMsText(1990 * st->FrameDuration);
    const TypedCut late = TypedCutFrame(*st, *st, tooLate, 0);
    EXPECT_FALSE(late.ok);
    EXPECT_EQ(late.message,
              "The time " + tooLate + " lies outside the file (it ends at 0:00:52.245).");
    EXPECT_FALSE(TypedCutFrame(*st, *st, "1:00:00", 0).ok);
    const TypedCut bad = TypedCutFrame(*st, *st, "10 s", 0);
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.message.rfind("Incorrect time value!", 0), 0u);
}

TEST(TypedCut, RefusesAnotherCutLineButNotTheLineItself) {
    auto st = FileOf(2000);
    ASSERT_TRUE(AddCutLine(*st, *st, 383));
    ASSERT_TRUE(AddCutLine(*st, *st, 766));
    const TypedCut onLine = TypedCutFrame(*st, *st, "0:00:10.000", 0);
    EXPECT_FALSE(onLine.ok);
    EXPECT_EQ(onLine.message, "The time 0:00:10.000 is on cut line 2.");
    // Cut line 2 typed where it already is: allowed (nothing moves).
    EXPECT_TRUE(TypedCutFrame(*st, *st, "0:00:10.000", 2).ok);
    // Line 3 onto line 2, and onto the file's start (line 1).
    EXPECT_FALSE(TypedCutFrame(*st, *st, "0:00:10.000", 3).ok);
    EXPECT_EQ(TypedCutFrame(*st, *st, "0:00:00.000", 3).message,
              "The time 0:00:00.000 is on cut line 1.");
    EXPECT_EQ(CutFrameRefusal(*st, *st, 767, 0, "x"), "");
}

TEST(PlayCursor, MovesInsideTheFileAndPicksThePartWhilePlaying) {
    auto st = FileOf(2000);
    ASSERT_TRUE(AddCutLine(*st, *st, 1000));
    EXPECT_FALSE(MovePlayCursor(*st, *st, *st, -50));
    EXPECT_EQ(st->ClickFrame, 0);
    EXPECT_FALSE(MovePlayCursor(*st, *st, *st, 5000));
    EXPECT_EQ(st->ClickFrame, 1999);
    EXPECT_EQ(PlayCursorFrame(*st), 1999);
    st->IsPlaying = true;
    st->PlayFrame = 120;
    EXPECT_EQ(PlayCursorFrame(*st), 120);
    EXPECT_TRUE(MovePlayCursor(*st, *st, *st, 1200));
    EXPECT_EQ(st->ClickFrame, 1200);
    EXPECT_EQ(st->PlayingPart, 2);
    EXPECT_TRUE(MovePlayCursor(*st, *st, *st, 996)); // within 5 frames of part 1's end
    EXPECT_EQ(st->PlayingPart, 0);
    EXPECT_TRUE(MovePlayCursor(*st, *st, *st, 990));
    EXPECT_EQ(st->PlayingPart, 1);
}

TEST(EqualTime, TakesHours) {
    auto st = FileOf(300000); // 2 h 10 min 36 s
    PrepareInput in;
    in.mode = "time";
    in.timeHH = "1";
    in.timeMM = "00";
    in.timeSS = "00";
    const PrepareOutcome out = PrepareCutLines(*st, *st, *st, in);
    ASSERT_TRUE(out.acted) << out.message;
    ASSERT_EQ(PartCount(*st), 3);
    EXPECT_EQ(PartFirstFrame(*st, 2), NearestFrameAt(*st, 3600));
    EXPECT_EQ(PartFirstFrame(*st, 3), NearestFrameAt(*st, 7200));
    // Emptied hours read as 0; hours beyond the file are refused.
    in.timeHH = "";
    in.timeMM = "30";
    ASSERT_TRUE(PrepareCutLines(*st, *st, *st, in).acted);
    EXPECT_EQ(in.timeHH, "0");
    EXPECT_EQ(PartCount(*st), 5);
    in.timeHH = "3";
    EXPECT_EQ(PrepareCutLines(*st, *st, *st, in).message, "Incorrect time value!");
    in.timeHH = "1x";
    EXPECT_EQ(PrepareCutLines(*st, *st, *st, in).message, "Incorrect time value!");
}

TEST(EqualTime, PartTimeWithHoursAndTheHoursEditRule) {
    auto st = FileOf(300000);
    st->Duration = 7800.0;
    std::string hh, mm, ss;
    ASSERT_TRUE(ShowEqualPartTimeHms(*st, 2, hh, mm, ss));
    EXPECT_EQ(hh + ":" + mm + ":" + ss, "1:05:00");
    ASSERT_TRUE(ShowEqualPartTimeHms(*st, 3, hh, mm, ss));
    EXPECT_EQ(hh + ":" + mm + ":" + ss, "0:43:20");
    EXPECT_FALSE(ShowEqualPartTimeHms(*st, 0, hh, mm, ss));
    EXPECT_EQ(TimeEditText("12", "1000"), "1000"); // refused at Prepare, not cut short
    EXPECT_EQ(TimeEditText("1", "1a"), "1");
}

} // namespace
