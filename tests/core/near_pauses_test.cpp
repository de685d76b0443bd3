// Cuts at the pause nearest every N minutes: window rules on made-up peak
// tables, the length text, and a 32-minute speech recording whose pauses are
// known.
#include "core/parts/near_pauses.h"

#include "core/parts/part_access.h"

#include "core/analysis/open_file.h"
#include "core/parts/cut_lines.h"
#include "core/parts/pause_scan.h"
#include "core/parts/prepare.h"
#include "core/util/time_text.h"

#include "speech_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace tessivo;

namespace {

// 8 frames a second, so 10 s parts with 20 % give the window 64..96 frames
// and a 1000 ms pause needs 8 quiet frames.
constexpr double kFd = 0.125;
constexpr int16_t kSound = 20000;

struct Peaks {
    std::vector<int16_t> l, r;
};

// Both channels from (frames, level) runs.
Peaks Runs(std::initializer_list<std::pair<int, int16_t>> runs) {
    Peaks p;
    for (auto [n, level] : runs)
        p.l.insert(p.l.end(), n, level);
    p.r = p.l;
    return p;
}

NearPausesCuts Find(const Peaks& p, double seconds = 10.0, int tolerance = 20) {
    NearPausesSettings s;
    s.lengthSeconds = seconds;
    s.tolerancePercent = tolerance;
    return FindCutsNearPauses(p.l, p.r, static_cast<uint32_t>(p.l.size()), kFd, s);
}

} // namespace

TEST(NearPausesWindow, EdgesRoundInward) {
    const PartLengthWindow w = NearPausesWindow(10.0, 20, kFd);
    EXPECT_EQ(w.lo, 64);
    EXPECT_EQ(w.hi, 96);
    // 60 s at 1152 / 44100: 2296.875 frames, window 1837.5 .. 2756.25.
    const PartLengthWindow m = NearPausesWindow(60.0, 20, 1152.0 / 44100.0);
    EXPECT_EQ(m.lo, 1838);
    EXPECT_EQ(m.hi, 2756);
    // No tolerance on a fractional length still leaves one frame.
    const PartLengthWindow z = NearPausesWindow(60.0, 0, 1152.0 / 44100.0);
    EXPECT_EQ(z.lo, 2297);
    EXPECT_EQ(z.hi, 2297);
    EXPECT_EQ(NearPausesWindow(60.0, 20, 0.0).lo, 0);
    EXPECT_EQ(NearPausesWindow(0.0, 20, kFd).lo, 0);
}

TEST(FindCutsNearPauses, TheMiddleOfThePauseNearestTheTarget) {
    // Pauses with middles at 64 and 84; the target is 80.
    const auto r = Find(Runs({{60, kSound}, {10, 0}, {10, kSound}, {10, 0}, {64, kSound}}));
    EXPECT_EQ(r.cuts, (std::vector<int32_t>{84}));
    EXPECT_EQ(r.noPause, (std::vector<bool>{false}));
}

TEST(FindCutsNearPauses, TheLongerPauseWinsATieThenTheEarlier) {
    // Middles at 74 and 86, both 6 frames from the target 80.
    auto r = Find(Runs({{70, kSound}, {9, 0}, {3, kSound}, {10, 0}, {78, kSound}}));
    EXPECT_EQ(r.cuts, (std::vector<int32_t>{86}));
    r = Find(Runs({{69, kSound}, {11, 0}, {2, kSound}, {9, 0}, {79, kSound}}));
    EXPECT_EQ(r.cuts, (std::vector<int32_t>{74}));
    r = Find(Runs({{70, kSound}, {9, 0}, {3, kSound}, {9, 0}, {79, kSound}}));
    EXPECT_EQ(r.cuts, (std::vector<int32_t>{74}));
}

TEST(FindCutsNearPauses, APauseJustInsideTheWindowCountsJustOutsideItDoesNot) {
    // Upper edge 96: a 9-frame pause with its middle on it is taken.
    auto r = Find(Runs({{92, kSound}, {9, 0}, {80, kSound}}));
    EXPECT_EQ(r.cuts, (std::vector<int32_t>{96}));
    EXPECT_EQ(r.noPause, (std::vector<bool>{false}));
    // One frame later the middle is outside: no pause, and the quietest frame
    // is the first quiet one inside the window.
    r = Find(Runs({{93, kSound}, {9, 0}, {80, kSound}}));
    EXPECT_EQ(r.cuts, (std::vector<int32_t>{93}));
    EXPECT_EQ(r.noPause, (std::vector<bool>{true}));
    // Lower edge 64.
    r = Find(Runs({{60, kSound}, {9, 0}, {80, kSound}}));
    EXPECT_EQ(r.cuts, (std::vector<int32_t>{64}));
    EXPECT_EQ(r.noPause, (std::vector<bool>{false}));
    r = Find(Runs({{59, kSound}, {9, 0}, {80, kSound}}));
    EXPECT_EQ(r.cuts, (std::vector<int32_t>{64}));
    EXPECT_EQ(r.noPause, (std::vector<bool>{true}));
    // A wider tolerance takes the pause after all.
    r = Find(Runs({{93, kSound}, {9, 0}, {80, kSound}}), 10.0, 25);
    EXPECT_EQ(r.cuts, (std::vector<int32_t>{97}));
    EXPECT_EQ(r.noPause, (std::vector<bool>{false}));
}

TEST(FindCutsNearPauses, WithoutAPauseTheQuietestFrameOfTheWindow) {
    // Two equal dips at 70 and 75 (the first is taken); quieter frames
    // outside the window do not count.
    auto r = Find(Runs({{40, 0},
                        {30, kSound},
                        {1, 4000},
                        {4, kSound},
                        {1, 4000},
                        {30, kSound},
                        {5, 100},
                        {80, kSound}}));
    EXPECT_EQ(r.cuts, (std::vector<int32_t>{70}));
    EXPECT_EQ(r.noPause, (std::vector<bool>{true}));
    // A quiet run shorter than the minimum pause is no pause, but it is the
    // quietest place.
    r = Find(Runs({{70, kSound}, {1, 4000}, {19, kSound}, {5, 0}, {80, kSound}}));
    EXPECT_EQ(r.cuts, (std::vector<int32_t>{90}));
    EXPECT_EQ(r.noPause, (std::vector<bool>{true}));
}

TEST(FindCutsNearPauses, AShortLastPartIsFoldedIntoThePartBefore) {
    // Pauses with middles at 80 and 160 in every file below.
    const auto file = [](int frames) {
        Peaks p = Runs({{76, kSound}, {9, 0}, {71, kSound}, {9, 0}});
        p.l.resize(frames, kSound);
        p.r.resize(frames, kSound);
        return Find(p);
    };
    // 223 frames: the rest after 160 would be 63 frames, below the lower end
    // 64, so that cut goes and the last part is 143 frames long.
    EXPECT_EQ(file(223).cuts, (std::vector<int32_t>{80}));
    EXPECT_EQ(file(224).cuts, (std::vector<int32_t>{80, 160}));
    // A file that fits in one window is not cut; one whose only cut would
    // leave too short a rest is not cut either.
    EXPECT_TRUE(file(96).cuts.empty());
    EXPECT_TRUE(file(143).cuts.empty());
    EXPECT_EQ(file(144).cuts, (std::vector<int32_t>{80}));
}

TEST(FindCutsNearPauses, LevelsAndPausesAreReadAsSplitBySilenceReadsThem) {
    // Mono (second channel 0): the first channel counts half, so 6000 is
    // quiet at 10 %; the pause of 9 frames at 60..68 has its middle at 64.
    Peaks p = Runs({{60, 20000}, {9, 6000}, {100, 20000}});
    p.r.assign(p.l.size(), 0);
    EXPECT_EQ(Find(p).cuts, (std::vector<int32_t>{64}));
    NearPausesSettings s;
    s.lengthSeconds = 10.0;
    s.silenceThreshold = 3; // limit 983: 3000 is sound, no pause
    auto r = FindCutsNearPauses(p.l, p.r, static_cast<uint32_t>(p.l.size()), kFd, s);
    EXPECT_EQ(r.noPause, (std::vector<bool>{true}));
    s.silenceThreshold = 10;
    s.silenceRelease = 1200; // 10 frames: 9 are too few
    r = FindCutsNearPauses(p.l, p.r, static_cast<uint32_t>(p.l.size()), kFd, s);
    EXPECT_EQ(r.noPause, (std::vector<bool>{true}));
    // Only the first frameCount frames are read.
    r = FindCutsNearPauses(p.l, p.r, 100, kFd, NearPausesSettings{10.0, 20, 10, 1000});
    EXPECT_TRUE(r.cuts.empty());
}

namespace {

std::unique_ptr<ProgramState> StateOf(const Peaks& p) {
    auto st = std::make_unique<ProgramState>();
    st->PeakMaxL = p.l;
    st->PeakMaxR = p.r;
    st->FrameCount = static_cast<uint32_t>(p.l.size());
    st->FrameDuration = kFd;
    st->Duration = st->FrameCount * kFd;
    ResetToOnePart(*st, *st);
    return st;
}

} // namespace

TEST(ApplyCutsNearPauses, FillsTheTableAndFlagsThePartsAfterNoPauseCuts) {
    Peaks p = Runs({{300, kSound}});
    auto st = StateOf(p);
    AddCutLine(*st, *st, 50);
    st->Parts[0].writtenFile = "written.mp3";
    st->Parts[1].ticked = false;
    const std::vector<bool> flags =
        ApplyCutsNearPauses(*st, *st, {{80, 160, 240}, {false, true, false}});
    ASSERT_EQ(PartCount(*st), 4);
    EXPECT_EQ(CutLineFrames(*st), (std::vector<int32_t>{80, 160, 240}));
    EXPECT_EQ(flags, (std::vector<bool>{false, false, false, true, false}));
    for (int k = 1; k <= 4; ++k) {
        EXPECT_TRUE(PartTicked(*st, k));
        EXPECT_FALSE(PartSaved(*st, k));
    }
    EXPECT_EQ(PartLastFrame(*st, *st, 3), 239);
    EXPECT_EQ(PartLastFrame(*st, *st, 4), 299);

    // A cut on the last frame is left out with its flag.
    const std::vector<bool> f2 = ApplyCutsNearPauses(*st, *st, {{80, 299}, {false, true}});
    EXPECT_EQ(PartCount(*st), 2);
    EXPECT_EQ(f2, (std::vector<bool>{false, false, false}));
}

TEST(PrepareNearPauses, UsesTheThresholdAndMinimumPauseOfTheState) {
    // A 5-frame quiet run at 90..94: no pause at 1000 ms, one at 600 ms.
    auto st = StateOf(Runs({{90, kSound}, {5, 0}, {80, kSound}}));
    std::vector<bool> flags = PrepareNearPauses(*st, *st, *st, 10.0, 20);
    ASSERT_EQ(PartCount(*st), 2);
    EXPECT_EQ(PartFirstFrame(*st, 2), 90);
    EXPECT_EQ(flags, (std::vector<bool>{false, false, true}));
    st->SilenceRelease = 600;
    flags = PrepareNearPauses(*st, *st, *st, 10.0, 20);
    ASSERT_EQ(PartCount(*st), 2);
    EXPECT_EQ(PartFirstFrame(*st, 2), 92);
    EXPECT_EQ(flags, (std::vector<bool>{false, false, false}));
}

TEST(NearPausesText, LengthAndTolerance) {
    NearPausesLength v;
    EXPECT_EQ(ParseNearPausesText("10:00", v), "");
    EXPECT_EQ(v.seconds, 600);
    EXPECT_EQ(v.tolerancePercent, 20);
    EXPECT_EQ(ParseNearPausesText("1:05:30,15", v), "");
    EXPECT_EQ(v.seconds, 3930);
    EXPECT_EQ(v.tolerancePercent, 15);
    EXPECT_EQ(ParseNearPausesText("7:09,0", v), "");
    EXPECT_EQ(v.seconds, 429);
    EXPECT_EQ(v.tolerancePercent, 0);
    EXPECT_EQ(ParseNearPausesText("02:00:00,50%", v), "");
    EXPECT_EQ(v.seconds, 7200);
    EXPECT_EQ(v.tolerancePercent, 50);
    EXPECT_EQ(ParseNearPausesText("00:00", v), ""); // refused later: "Input time value!"
    EXPECT_EQ(v.seconds, 0);

    for (const char* bad : {"", "10", "10:0", "10:60", "60:00", "1:60:00", "1000:00:00", "a:00",
                            "10:0a", ":10:00", "1::00", "1:2:3:04", " 10:00", "10:00 ", "-1:00"}) {
        v = {};
        EXPECT_EQ(ParseNearPausesText(bad, v), "Incorrect time value!") << bad;
        EXPECT_EQ(v.seconds, 0) << bad;
    }
    for (const char* bad :
         {"10:00,", "10:00,51", "10:00,x", "10:00,20,3", "10:00,%", "10:00,-5", "10:00,100"}) {
        v = {};
        EXPECT_EQ(ParseNearPausesText(bad, v), "Incorrect tolerance value!") << bad;
        EXPECT_EQ(v.seconds, 0) << bad;
    }
    int s = -1;
    EXPECT_TRUE(ParseLengthText("999:59:59", s));
    EXPECT_EQ(s, 999 * 3600 + 59 * 60 + 59);
}

// --- the speech recording ---------------------------------------------------

namespace {

using speech_layout::Layout;
using speech_layout::Stretch;

Layout ReadLayout() {
    return speech_layout::Read();
}

class SpeechRecording : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        st_ = new ProgramState;
        const OpenResult r =
            AnalyseFile(*st_, *st_, std::string(TESSIVO_FIXTURES) + "/speech_32min.mp3", true);
        ASSERT_TRUE(r.ok) << r.message;
        ResetToOnePart(*st_, *st_);
        layout_ = new Layout(ReadLayout());
        shift_ = MeasureShift();
    }
    static void TearDownTestSuite() {
        delete st_;
        delete layout_;
    }

    // The encoder delay moves the audio a little later in the MP3 than in the
    // WAV: the median gap between the middles of the pauses the scan finds and
    // of the nearest known pauses.
    static double MeasureShift() {
        std::vector<double> d;
        const PauseRules rules = PauseRulesFor(10, 1000, st_->FrameDuration);
        ForEachPause(st_->PeakMaxL, st_->PeakMaxR, st_->FrameCount, rules, [&](const Pause& p) {
            const double mid = (p.first + p.last + 1) / 2.0 * st_->FrameDuration;
            double best = 1e9;
            for (const Stretch& s : layout_->pauses)
                if (std::abs(mid - (s.start + s.end) / 2) < std::abs(best))
                    best = mid - (s.start + s.end) / 2;
            d.push_back(best);
            return true;
        });
        if (d.empty())
            return 0.0;
        std::nth_element(d.begin(), d.begin() + d.size() / 2, d.end());
        return d[d.size() / 2];
    }

    static NearPausesCuts Cuts(double seconds, int tolerance) {
        NearPausesSettings s;
        s.lengthSeconds = seconds;
        s.tolerancePercent = tolerance;
        return FindCutsNearPauses(st_->PeakMaxL, st_->PeakMaxR, st_->FrameCount, st_->FrameDuration,
                                  s);
    }

    // Seconds of the MP3 at the middle of frame f.
    static double At(int64_t f) { return (f + 0.5) * st_->FrameDuration; }

    static bool InsideAny(const std::vector<Stretch>& v, double t, double margin = 0.0) {
        return std::any_of(v.begin(), v.end(), [&](const Stretch& s) {
            return t > s.start + shift_ - margin && t < s.end + shift_ + margin;
        });
    }

    // The rules every result must keep, checked against the known layout.
    static void ExpectKeepsTheRules(double seconds, int tolerance, bool* folded,
                                    int* noPauseInNoise) {
        const NearPausesCuts r = Cuts(seconds, tolerance);
        const PartLengthWindow w = NearPausesWindow(seconds, tolerance, st_->FrameDuration);
        const double fd = st_->FrameDuration;
        ASSERT_EQ(r.cuts.size(), r.noPause.size());
        ASSERT_GE(r.cuts.size(), static_cast<size_t>(st_->Duration / seconds / 2));
        int64_t prev = 0;
        for (size_t k = 0; k < r.cuts.size(); ++k) {
            const int64_t c = r.cuts[k];
            SCOPED_TRACE("length " + std::to_string(seconds) + " tolerance " +
                         std::to_string(tolerance) + " cut at " + std::to_string(c * fd));
            EXPECT_GE(c - prev, w.lo);
            EXPECT_LE(c - prev, w.hi);
            if (!r.noPause[k]) {
                EXPECT_TRUE(InsideAny(layout_->pauses, At(c)));
            } else {
                // No known pause has its middle well inside the window.
                for (const Stretch& s : layout_->pauses) {
                    const double mid = (s.start + s.end) / 2 + shift_;
                    EXPECT_FALSE(mid > (prev + w.lo + 2) * fd && mid < (prev + w.hi - 2) * fd)
                        << "pause at " << s.start;
                }
                const double from = (prev + w.lo) * fd, to = (prev + w.hi + 1) * fd;
                const bool windowInNoise =
                    from > layout_->noise.start + shift_ && to < layout_->noise.end + shift_;
                const bool holdsDip =
                    std::any_of(layout_->dips.begin(), layout_->dips.end(), [&](const Stretch& d) {
                        return d.start + shift_ >= from && d.end + shift_ <= to;
                    });
                if (windowInNoise && holdsDip) {
                    EXPECT_TRUE(InsideAny(layout_->dips, At(c), fd));
                    ++*noPauseInNoise;
                }
            }
            prev = c;
        }
        const int64_t last = static_cast<int64_t>(st_->FrameCount) - prev;
        EXPECT_GE(last, w.lo);
        EXPECT_LT(last, w.hi + w.lo);
        if (last > w.hi)
            *folded = true;
    }

    static ProgramState* st_;
    static Layout* layout_;
    static double shift_;
};

ProgramState* SpeechRecording::st_ = nullptr;
Layout* SpeechRecording::layout_ = nullptr;
double SpeechRecording::shift_ = 0.0;

} // namespace

TEST_F(SpeechRecording, IsLongEnoughAndItsPausesAreWhereTheLayoutSays) {
    EXPECT_GE(st_->Duration, 30 * 60.0);
    EXPECT_GE(layout_->pauses.size(), 100u);
    EXPECT_EQ(layout_->dips.size(), 12u);
    // Encoder delay plus the Info frame: a fifth of a second or so.
    EXPECT_GT(shift_, 0.0);
    EXPECT_LT(shift_, 0.4);
}

TEST_F(SpeechRecording, EveryCutInAPauseOrOnTheQuietestFrameAndEveryPartInTheWindow) {
    bool folded = false;
    int noPauseInNoise = 0;
    ExpectKeepsTheRules(60.0, 20, &folded, &noPauseInNoise);
    // The 150 s of noise hold at least one whole window: its cut has no
    // pause and stands in one of the quieter dips the window holds.
    EXPECT_GE(noPauseInNoise, 1);
    const NearPausesCuts r = Cuts(60.0, 20);
    EXPECT_GE(r.cuts.size(), 25u);
    for (const double seconds : {45.0, 75.0, 100.0, 150.0})
        for (const int tolerance : {5, 10, 20, 35, 50})
            ExpectKeepsTheRules(seconds, tolerance, &folded, &noPauseInNoise);
    // Some of these lengths leave a short rest at the end that is folded.
    EXPECT_TRUE(folded);
}

TEST_F(SpeechRecording, ToleranceEdgesAtTheFirstPauses) {
    std::vector<Pause> found;
    ForEachPause(st_->PeakMaxL, st_->PeakMaxR, st_->FrameCount,
                 PauseRulesFor(10, 1000, st_->FrameDuration), [&](const Pause& p) {
                     found.push_back(p);
                     return found.size() < 3;
                 });
    ASSERT_EQ(found.size(), 3u);
    const double fd = st_->FrameDuration;
    // A length (seconds) whose window has its upper (or lower) end on `edge`.
    const auto lengthWithEdge = [&](int64_t edge, bool upper, int tol) {
        const double f = tol / 100.0;
        for (double lf = edge / (upper ? 1 + f : 1 - f) - 3; lf < edge * 2; lf += 0.01) {
            const PartLengthWindow w = NearPausesWindow(lf * fd, tol, fd);
            if ((upper ? w.hi : w.lo) == edge)
                return lf * fd;
        }
        return 0.0;
    };
    const int32_t m1 = found[0].Middle(), m2 = found[1].Middle();
    ASSERT_GT(found[2].Middle(), m2 * 11 / 9 + 2); // the third pause stays out
    // Upper end on the first pause's middle: taken; one frame less: not.
    NearPausesCuts r = Cuts(lengthWithEdge(m1, true, 10), 10);
    EXPECT_EQ(r.cuts.front(), m1);
    EXPECT_FALSE(r.noPause.front());
    r = Cuts(lengthWithEdge(m1 - 1, true, 10), 10);
    EXPECT_LT(r.cuts.front(), m1);
    EXPECT_TRUE(r.noPause.front());
    // Lower end on the second pause's middle: taken; one frame more: not.
    r = Cuts(lengthWithEdge(m2, false, 10), 10);
    EXPECT_EQ(r.cuts.front(), m2);
    EXPECT_FALSE(r.noPause.front());
    r = Cuts(lengthWithEdge(m2 + 1, false, 10), 10);
    EXPECT_GT(r.cuts.front(), m2);
    EXPECT_TRUE(r.noPause.front());
    EXPECT_TRUE(InsideAny(layout_->pauses, At(m1)));
    EXPECT_TRUE(InsideAny(layout_->pauses, At(m2)));
}

TEST_F(SpeechRecording, PreparedPartsShowNoPauseWhereTheCutFoundNone) {
    ProgramState st;
    ASSERT_TRUE(AnalyseFile(st, st, std::string(TESSIVO_FIXTURES) + "/speech_32min.mp3", true).ok);
    ResetToOnePart(st, st);
    const std::vector<bool> flags = PrepareNearPauses(st, st, st, 60.0, 20);
    const NearPausesCuts r = Cuts(60.0, 20);
    ASSERT_EQ(PartCount(st), static_cast<int>(r.cuts.size()) + 1);
    ASSERT_EQ(flags.size(), static_cast<size_t>(PartCount(st)) + 1);
    int flagged = 0;
    for (int k = 2; k <= PartCount(st); ++k) {
        EXPECT_EQ(PartFirstFrame(st, k), r.cuts[k - 2]);
        EXPECT_EQ(PartLastFrame(st, st, k - 1), r.cuts[k - 2] - 1);
        EXPECT_EQ(flags[k], r.noPause[k - 2]);
        flagged += flags[k];
        if (!flags[k]) {
            EXPECT_TRUE(InsideAny(layout_->pauses, At(PartFirstFrame(st, k)))) << "part " << k;
        }
    }
    EXPECT_GE(flagged, 1);
    EXPECT_FALSE(flags[1]);
}
