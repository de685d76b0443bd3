// The pause work on a hand-made peak table: snapping times into pauses,
// trimming the quiet at part edges, and the frames a shortened pause leaves
// out.
#include "core/batch/pause_shortening.h"
#include "core/parts/cut_lines.h"
#include "core/parts/edge_trim.h"
#include "core/parts/part_access.h"
#include "core/parts/pause_snap.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tessivo;

namespace {

constexpr double kFrame = 0.1; // seconds, so frame f starts at f / 10 s

// A mono file of `levels.size()` frames whose maxima are `levels` (0: quiet,
// 1: sound), quiet below 10 % of full scale.
void Fill(ProgramState& st, const std::vector<int>& levels) {
    st.FrameCount = static_cast<uint32_t>(levels.size());
    st.FrameDuration = kFrame;
    for (int level : levels) {
        st.PeakMaxL.push_back(static_cast<int16_t>(level ? 20000 : 100));
        st.PeakMaxR.push_back(0);
    }
    st.Duration = kFrame * double(levels.size());
    st.SilenceThreshold = 10;
    st.SilenceRelease = 1000; // 10 frames
    ResetToOnePart(st, st);
}

// `n` frames of `level`.
std::vector<int> Frames(int n, int level) {
    return std::vector<int>(static_cast<size_t>(n), level);
}

std::vector<int> Joined(std::initializer_list<std::vector<int>> runs) {
    std::vector<int> all;
    for (const std::vector<int>& r : runs)
        all.insert(all.end(), r.begin(), r.end());
    return all;
}

} // namespace

TEST(PauseSnap, TimesGoToTheMiddleOfTheNearestPauseInReach) {
    // Sound 0-5 s, pause 5-7 s (20 frames), sound 7-10, a short gap of 0.5 s
    // (no pause), sound 10.5-15, pause 15-16.5, sound to 20 s.
    ProgramState st;
    Fill(st, Joined({Frames(50, 1), Frames(20, 0), Frames(30, 1), Frames(5, 0), Frames(45, 1),
                     Frames(15, 0), Frames(35, 1)}));
    const std::vector<Pause> pauses = PausesOf(st, SilenceRulesOf(st, st));
    ASSERT_EQ(pauses.size(), 2u);
    const std::vector<SnappedTime> s =
        SnapToPauses(st, pauses, {4.0, 6.9, 10.2, 13.5, 17.0, 20.0}, 2.0);
    ASSERT_EQ(s.size(), 6u);
    EXPECT_TRUE(s[0].inPause); // 1 s before the pause
    EXPECT_DOUBLE_EQ(s[0].seconds, 6.0);
    EXPECT_DOUBLE_EQ(s[1].seconds, 6.0); // inside it
    EXPECT_FALSE(s[2].inPause);          // the short gap is no pause; 3 s from both
    EXPECT_DOUBLE_EQ(s[2].seconds, 10.2);
    EXPECT_TRUE(s[3].inPause); // 1.5 s before the second
    EXPECT_DOUBLE_EQ(s[3].seconds, 15.75);
    EXPECT_DOUBLE_EQ(s[4].seconds, 15.75);
    EXPECT_FALSE(s[5].inPause);
    // Reach 0 keeps every time.
    EXPECT_FALSE(SnapToPauses(st, pauses, {6.0}, 0.0)[0].inPause);
}

TEST(EdgeTrim, PartsKeepTheirSoundAndKeepOfTheQuietAroundIt) {
    // Part 1: 1 s quiet, 3 s sound, 2 s quiet; part 2: quiet only; part 3
    // (unticked): quiet and sound; part 4: sound, 1 s quiet.
    ProgramState st;
    Fill(st, Joined({Frames(10, 0), Frames(30, 1), Frames(20, 0), Frames(15, 0), Frames(5, 0),
                     Frames(10, 1), Frames(30, 1), Frames(10, 0)}));
    ASSERT_TRUE(AddCutLine(st, st, 60));
    ASSERT_TRUE(AddCutLine(st, st, 75));
    ASSERT_TRUE(AddCutLine(st, st, 90));
    st.Parts[2].ticked = false;
    st.Parts[0].own.title = "One";
    st.Parts[0].ownFields = kTagTitle;
    std::vector<int> origin;
    const std::vector<int> silent =
        TrimPartEdges(st, st, 0.35, SilenceRulesOf(st, st), false, origin);
    EXPECT_EQ(silent, std::vector<int>{2});
    // Quiet 0-6, part 1 7-42, quiet 43-59, part 2 (silent) 60-74, part 3
    // 75-89 as it was, part 4 90-122, quiet 123-129.
    std::vector<int32_t> starts;
    std::vector<bool> ticks;
    for (const PartRecord& p : st.Parts) {
        starts.push_back(p.start);
        ticks.push_back(p.ticked);
    }
    EXPECT_EQ(starts, (std::vector<int32_t>{0, 7, 43, 60, 75, 90, 123}));
    EXPECT_EQ(ticks, (std::vector<bool>{false, true, false, false, false, true, false}));
    EXPECT_EQ(origin, (std::vector<int>{0, 1, 0, 0, 3, 4, 0}));
    EXPECT_EQ(PartAt(st, 2).own.title, "One");
}

TEST(PauseShortening, TheMiddleOfEveryLongerPauseIsLeftOut) {
    // Pauses of 2.5 s and 1.2 s between sounds, 3 s of quiet at the start
    // and the end (not between two sounds).
    ProgramState st;
    Fill(st, Joined({Frames(30, 0), Frames(20, 1), Frames(25, 0), Frames(20, 1), Frames(12, 0),
                     Frames(20, 1), Frames(30, 0)}));
    const std::vector<DroppedStretch> d = LongPauseMiddles(st, 1.5, SilenceRulesOf(st, st));
    ASSERT_EQ(d.size(), 1u);
    // The pause is frames 50..74; 15 frames stay, 7 before and 8 after.
    EXPECT_EQ(d[0].first, 57);
    EXPECT_EQ(d[0].last, 66);
    EXPECT_EQ(ShortenedText(d, kFrame), "Shortened 1 pause: 0:01.000 removed");
    EXPECT_EQ(ShortenedText({{1, 10}, {20, 24}}, kFrame), "Shortened 2 pauses: 0:01.500 removed");
    EXPECT_EQ(LongPauseMiddles(st, 0.9, SilenceRulesOf(st, st)).size(), 2u);
}

TEST(PauseShortening, PiecesBrokenByAStretchStayOneChapter) {
    ProgramState st;
    const std::vector<FilePiece> pieces = {
        {&st, 0, 49, "A", "f"}, {&st, 50, 99, "B", "f"}, {&st, 100, 109, "C", "f"}};
    // One stretch inside A, one across the start of B, one covering C.
    const std::vector<FilePiece> out = PiecesWithout(pieces, {{10, 19}, {45, 59}, {100, 120}});
    ASSERT_EQ(out.size(), 3u); // C lay wholly in the last stretch
    EXPECT_EQ(out[0].firstFrame, 0);
    EXPECT_EQ(out[0].lastFrame, 9);
    EXPECT_FALSE(out[0].sameChapter);
    EXPECT_EQ(out[1].firstFrame, 20);
    EXPECT_EQ(out[1].lastFrame, 44);
    EXPECT_TRUE(out[1].sameChapter);
    EXPECT_EQ(out[1].title, "A");
    // B starts at the seam.
    EXPECT_EQ(out[2].firstFrame, 60);
    EXPECT_EQ(out[2].lastFrame, 99);
    EXPECT_FALSE(out[2].sameChapter);
    EXPECT_EQ(out[2].title, "B");
}
