// Automatic cut-line preparation: equal parts, equal time, pauses, and the
// checks and edit rules of the split settings.
#include "core/cutting/cutting_mode.h"
#include "core/parts/prepare.h"

#include "core/parts/part_access.h"

#include "core/analysis/open_file.h"
#include "core/parts/cut_lines.h"
#include "core/parts/part_access.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <vector>

using namespace tessivo;

namespace {

// A file of `frames` frames of 1152 samples at 44100 Hz, one part.
std::unique_ptr<ProgramState> FileOf(uint32_t frames, double duration = -1) {
    auto st = std::make_unique<ProgramState>();
    st->FrameCount = frames;
    st->FrameDuration = 1152.0 / 44100.0;
    st->Duration = duration >= 0 ? duration : frames * st->FrameDuration;
    ResetToOnePart(*st, *st);
    return st;
}

std::vector<int32_t> Lines(const ProgramState& st) {
    std::vector<int32_t> lines{0};
    for (int32_t cut : CutLineFrames(st))
        lines.push_back(cut);
    return lines;
}

void ExpectAllPartsFresh(const ProgramState& st) {
    for (int k = 1; k <= PartCount(st); ++k) {
        EXPECT_TRUE(PartTicked(st, k)) << k;
        EXPECT_FALSE(PartSaved(st, k)) << k;
    }
    EXPECT_EQ(PartLastFrame(st, st, PartCount(st)), int32_t(st.FrameCount) - 1);
    for (int k = 1; k <= PartCount(st); ++k)
        EXPECT_LT(PartFirstFrame(st, k), int32_t(st.FrameCount) - 1) << "cut line " << k;
}

PrepareOutcome Prepare(ProgramState& st, const std::string& mode, std::string mm = "00",
                       std::string ss = "01", int parts = 2) {
    PrepareInput in;
    in.mode = mode;
    in.parts = parts;
    in.timeMM = mm;
    in.timeSS = ss;
    return PrepareCutLines(st, st, st, in);
}

} // namespace

TEST(PrepareEqualParts, StepRoundsHalvesToEven) {
    auto st = FileOf(2297);
    st->Parts[0].writtenFile = "written.mp3";
    st->Parts[0].ticked = false;
    st->SelectedPart = 1;
    ASSERT_TRUE(Prepare(*st, "parts", "00", "01", 2).acted);
    EXPECT_EQ(Lines(*st), (std::vector<int32_t>{0, 1148}));
    EXPECT_EQ(PartLastFrame(*st, *st, 1), 1147);
    EXPECT_EQ(PartLastFrame(*st, *st, 2), 2296);
    EXPECT_EQ(st->SelectedPart, 0);
    ExpectAllPartsFresh(*st);
}

TEST(PrepareEqualParts, TwoHundredPartsOfATwoSecondFileAreEmptyButTheLast) {
    auto st = FileOf(77);
    ASSERT_TRUE(Prepare(*st, "parts", "00", "01", 200).acted);
    ASSERT_EQ(PartCount(*st), 200);
    for (int k = 1; k < 200; ++k)
        EXPECT_EQ(PartLastFrame(*st, *st, k), PartFirstFrame(*st, k) - 1) << "part " << k;
    EXPECT_EQ(PartFirstFrame(*st, 200), 0);
    EXPECT_EQ(PartLastFrame(*st, *st, 200), 76);
}

TEST(PrepareEqualParts, LinesThatWouldFallPastTheEndAreLeftOut) {
    // 77 frames in 51 parts: the step rounds up to 2, and lines 39..51 would
    // stand at frames 76..100, on or past the last frame.
    auto st = FileOf(77);
    Prepare(*st, "parts", "00", "01", 51);
    EXPECT_EQ(PartCount(*st), 38);
    EXPECT_EQ(PartFirstFrame(*st, 38), 74);
    ExpectAllPartsFresh(*st);
}

TEST(PrepareEqualTime, SixtySecondsOfAHundredFiftySecondFile) {
    auto st = FileOf(static_cast<uint32_t>(std::lround(150.0 / (1152.0 / 44100.0))));
    ASSERT_TRUE(Prepare(*st, "time", "01", "00").acted);
    ASSERT_EQ(PartCount(*st), 3);
    const double fd = st->FrameDuration;
    EXPECT_NEAR((PartLastFrame(*st, *st, 1) + 1 - PartFirstFrame(*st, 1)) * fd, 60.0, fd);
    EXPECT_NEAR((PartLastFrame(*st, *st, 2) + 1 - PartFirstFrame(*st, 2)) * fd, 60.0, fd);
    EXPECT_NEAR((PartLastFrame(*st, *st, 3) + 1 - PartFirstFrame(*st, 3)) * fd, 30.0, 2 * fd);
    ExpectAllPartsFresh(*st);
}

TEST(PrepareEqualTime, ALastLineOnOrPastTheLastFrameIsDropped) {
    // 22969 frames = 600.0065 s in 60 s parts (2296.875 frames): 11 lines by
    // count, line k+1 on the frame nearest k x 60 s, the 11th at frame 22969
    // (600 s), beyond the file.
    auto st = FileOf(22969);
    ASSERT_NEAR(st->Duration, 600.0065, 0.0001);
    ASSERT_TRUE(Prepare(*st, "time", "01", "00").acted);
    EXPECT_EQ(PartCount(*st), 10);
    EXPECT_EQ(PartFirstFrame(*st, 10), 20672); // 540 s = 20671.875 frames
    EXPECT_EQ(PartLastFrame(*st, *st, 10), 22968);
    ExpectAllPartsFresh(*st);

    // 22970 frames: the line falls on the last frame, 22969, and is dropped;
    // 22971 and 22972 frames: it would leave a last part of two or three
    // frames, which is folded into the part before.
    st = FileOf(22970);
    Prepare(*st, "time", "01", "00");
    EXPECT_EQ(PartCount(*st), 10);
    st = FileOf(22972);
    Prepare(*st, "time", "01", "00");
    EXPECT_EQ(PartCount(*st), 10);
    EXPECT_EQ(PartFirstFrame(*st, 10), 20672);
    EXPECT_EQ(PartLastFrame(*st, *st, 10), 22971);
    // With a second or more after it the line stays.
    st = FileOf(22969 + 39);
    Prepare(*st, "time", "01", "00");
    EXPECT_EQ(PartCount(*st), 11);
    EXPECT_EQ(PartFirstFrame(*st, 11), 22969);
}

TEST(PrepareEqualTime, ValidationMessagesLeaveTheTableAlone) {
    auto st = FileOf(22969); // 600 s
    AddCutLine(*st, *st, 5000);
    st->SelectedPart = 2;
    const auto check = [&](std::string mm, std::string ss, const std::string& message) {
        PrepareInput in;
        in.mode = "time";
        in.timeMM = mm;
        in.timeSS = ss;
        const PrepareOutcome out = PrepareCutLines(*st, *st, *st, in);
        EXPECT_FALSE(out.acted) << mm << ":" << ss;
        EXPECT_EQ(out.message, message) << mm << ":" << ss;
        EXPECT_EQ(Lines(*st), (std::vector<int32_t>{0, 5000}));
        EXPECT_EQ(st->SelectedPart, 2);
        return in;
    };
    const PrepareInput emptied = check("", "", "Input time value!");
    EXPECT_EQ(emptied.timeMM, "00");
    EXPECT_EQ(emptied.timeSS, "00");
    check("00", "00", "Input time value!");
    check("10", "01", "Incorrect time value!"); // 601 s: not shorter than the file
    check("00", "01", "Too much parts (600) !\nPlease, increase the time value!");
    check("1a", "00", "Incorrect time value!");
    check("99999", "00", "Incorrect time value!"); // 1666 hours: refused, not cut short
}

TEST(PrepareEqualTime, TimeAsLongAsTheFileIsRefused) {
    auto st = FileOf(1149, 30.0);
    PrepareInput in;
    in.mode = "time";
    in.timeMM = "00";
    in.timeSS = "30";
    EXPECT_EQ(PrepareCutLines(*st, *st, *st, in).message, "Incorrect time value!");
    in.timeSS = "29";
    EXPECT_TRUE(PrepareCutLines(*st, *st, *st, in).acted);
    EXPECT_EQ(PartCount(*st), 2);
}

TEST(PrepareCutLines, NothingHappensUnderTwoSecondsOrWithoutAFile) {
    auto st = FileOf(76, 1.99);
    st->SelectedPart = 1;
    for (const char* mode : {"visual", "parts", "time", "silence"}) {
        const PrepareOutcome out = Prepare(*st, mode, "00", "00");
        EXPECT_FALSE(out.acted);
        EXPECT_TRUE(out.message.empty());
        EXPECT_EQ(PartCount(*st), 1);
        EXPECT_EQ(st->SelectedPart, 1);
    }
    ProgramState none;
    EXPECT_FALSE(Prepare(none, "parts").acted);
    EXPECT_EQ(PartCount(none), 0);
}

TEST(PrepareCutLines, VisualModeOnlyClearsTheSelection) {
    auto st = FileOf(1000);
    AddCutLine(*st, *st, 500);
    st->Parts[1].ticked = false;
    st->SelectedPart = 2;
    EXPECT_TRUE(Prepare(*st, "visual").acted);
    EXPECT_EQ(Lines(*st), (std::vector<int32_t>{0, 500}));
    EXPECT_FALSE(PartTicked(*st, 2));
    EXPECT_EQ(st->SelectedPart, 0);
}

namespace {

// A peak table from (frames, level) runs, both channels alike unless mono.
void SetPeaks(ProgramState& st, const std::vector<std::pair<int, int16_t>>& runs, bool mono) {
    st.PeakMaxL.clear();
    for (auto [n, level] : runs)
        st.PeakMaxL.insert(st.PeakMaxL.end(), n, level);
    st.PeakMaxR.assign(st.PeakMaxL.size(), 0);
    if (!mono)
        st.PeakMaxR = st.PeakMaxL;
    st.FrameCount = static_cast<uint32_t>(st.PeakMaxL.size());
    st.Duration = st.FrameCount * st.FrameDuration;
    ResetToOnePart(st, st);
}

} // namespace

TEST(PrepareBySilence, OneCutAtTheThirtyNinthQuietFrameOfAPauseAfterSound) {
    // 5 s quiet, 10 s sound, 3 s quiet, 2 s sound at 1152 samples / 44.1 kHz.
    auto st = FileOf(1);
    SetPeaks(*st, {{191, 100}, {383, 20000}, {115, 3000}, {77, 20000}}, false);
    st->SilenceThreshold = 10; // limit 3277
    st->SilenceRelease = 1000;
    ASSERT_TRUE(Prepare(*st, "silence").acted);
    EXPECT_EQ(Lines(*st), (std::vector<int32_t>{0, 191 + 383 + 38}));
    ExpectAllPartsFresh(*st);
}

TEST(PrepareBySilence, LevelLimitAndMonoHalving) {
    auto st = FileOf(1);
    // 3277 is sound at 10 %, 3276 is quiet.
    SetPeaks(*st, {{50, 3277}, {60, 3276}, {50, 3277}}, false);
    st->SilenceThreshold = 10;
    st->SilenceRelease = 1000;
    Prepare(*st, "silence");
    EXPECT_EQ(Lines(*st), (std::vector<int32_t>{0, 50 + 38}));

    // Mono: the second channel is 0, so the first must reach twice the limit.
    SetPeaks(*st, {{50, 6000}, {60, 100}, {50, 6000}}, true);
    Prepare(*st, "silence");
    EXPECT_EQ(PartCount(*st), 1);
    SetPeaks(*st, {{50, 6554}, {60, 100}, {50, 6554}}, true);
    Prepare(*st, "silence");
    EXPECT_EQ(PartCount(*st), 2);
}

TEST(PrepareBySilence, FullScaleThresholdAndLeadingQuietGiveNoCut) {
    auto st = FileOf(1);
    SetPeaks(*st, {{200, 32766}, {100, 0}, {200, 32766}}, false);
    st->SilenceThreshold = 100;
    Prepare(*st, "silence");
    EXPECT_EQ(PartCount(*st), 1);

    st->SilenceThreshold = 10;
    SetPeaks(*st, {{300, 0}, {100, 20000}}, false);
    Prepare(*st, "silence");
    EXPECT_EQ(PartCount(*st), 1);
}

TEST(PrepareBySilence, StopsAtFiveHundredAndOneParts) {
    auto st = FileOf(1);
    std::vector<std::pair<int, int16_t>> runs;
    for (int i = 0; i < 600; ++i) {
        runs.push_back({5, 20000});
        runs.push_back({10, 0});
    }
    SetPeaks(*st, runs, false);
    st->SilenceRelease = 200; // 8 quiet frames
    Prepare(*st, "silence");
    EXPECT_EQ(PartCount(*st), 501);
    EXPECT_EQ(PartFirstFrame(*st, 501), 500 * 15 - 3);
}

TEST(PrepareBySilence, ACutOnTheLastFrameIsDropped) {
    auto st = FileOf(1);
    SetPeaks(*st, {{100, 20000}, {39, 0}}, false);
    Prepare(*st, "silence");
    EXPECT_EQ(PartCount(*st), 1);
    // One frame before the last: the two-frame last part is folded back.
    SetPeaks(*st, {{100, 20000}, {40, 0}}, false);
    Prepare(*st, "silence");
    EXPECT_EQ(PartCount(*st), 1);
    // A second (39 frames) after the cut: it stays.
    SetPeaks(*st, {{100, 20000}, {77, 0}}, false);
    Prepare(*st, "silence");
    EXPECT_EQ(Lines(*st), (std::vector<int32_t>{0, 138}));
}

TEST(PrepareBySilence, FarOutSettingsStayDefined) {
    auto st = FileOf(1);
    SetPeaks(*st, {{100, 20000}, {100, 0}, {100, 20000}}, false);
    st->SilenceThreshold = INT32_MAX;
    st->SilenceRelease = INT32_MIN;
    Prepare(*st, "silence");
    EXPECT_EQ(PartCount(*st), 1); // nothing reaches the limit, so nothing arms
    st->SilenceThreshold = 10;
    Prepare(*st, "silence");
    EXPECT_EQ(Lines(*st), (std::vector<int32_t>{0, 100})); // first quiet frame
}

TEST(ShowEqualPartTime, MinutesAndSecondsOfOnePart) {
    auto st = FileOf(1, 150.0);
    std::string mm = "xx", ss = "yy";
    ASSERT_TRUE(ShowEqualPartTime(*st, 2, mm, ss));
    EXPECT_EQ(mm, "01");
    EXPECT_EQ(ss, "15");
    st->Duration = 5.0; // 2.5 s rounds to the even 2
    ASSERT_TRUE(ShowEqualPartTime(*st, 2, mm, ss));
    EXPECT_EQ(mm, "00");
    EXPECT_EQ(ss, "02");
    st->Duration = 7199.0; // 3599.5 rounds to 3600: an hour, texts kept
    mm = "07";
    ss = "30";
    EXPECT_FALSE(ShowEqualPartTime(*st, 2, mm, ss));
    EXPECT_EQ(mm, "07");
    EXPECT_EQ(ss, "30");
    st->Duration = 7197.0;
    ASSERT_TRUE(ShowEqualPartTime(*st, 2, mm, ss));
    EXPECT_EQ(mm, "59");
    EXPECT_EQ(ss, "58");
}

// The time boxes keep every digit typed; only pasted text that is not digits
// is refused.
TEST(EditRules, TimeEditsKeepEveryDigit) {
    EXPECT_EQ(TimeEditText("", "7"), "7");
    EXPECT_EQ(TimeEditText("7", "75"), "75");
    EXPECT_EQ(TimeEditText("9", "90"), "90");
    EXPECT_EQ(TimeEditText("05", ""), "");
    EXPECT_EQ(TimeEditText("05", "1:30"), "05");
    EXPECT_EQ(TimeEditText("05", "-5"), "05");
    EXPECT_EQ(TimeEditText("05", "99999999999999999999"), "05");
}

// 90 minutes are 1 h 30 min; 75 seconds 1 min 15 s; too much is refused.
TEST(EditRules, EqualTimeCarriesOver) {
    std::string hh = "0", mm = "90", ss = "75";
    ASSERT_TRUE(NormaliseEqualTime(hh, mm, ss));
    EXPECT_EQ(hh, "1");
    EXPECT_EQ(mm, "31");
    EXPECT_EQ(ss, "15");
    hh = "";
    mm = "";
    ss = "7";
    ASSERT_TRUE(NormaliseEqualTime(hh, mm, ss));
    EXPECT_EQ(hh + ":" + mm + ":" + ss, "0:00:07");
    hh = "999";
    mm = "60";
    ss = "0";
    EXPECT_FALSE(NormaliseEqualTime(hh, mm, ss));
    EXPECT_EQ(mm, "60"); // refused texts stay as typed
    hh = "0";
    mm = "1x";
    EXPECT_FALSE(NormaliseEqualTime(hh, mm, ss));
}

TEST(EqualTime, NinetyMinutesCutAtAnHourAndAHalf) {
    auto st = std::make_unique<ProgramState>();
    st->FrameDuration = 1152.0 / 44100.0;
    st->FrameCount = 300000; // 2 h 10 min 36 s
    st->Duration = st->FrameCount * st->FrameDuration;
    ResetToOnePart(*st, *st);
    PrepareInput in;
    in.mode = "time";
    in.timeHH = "0";
    in.timeMM = "90";
    in.timeSS = "00";
    ASSERT_TRUE(PrepareCutLines(*st, *st, *st, in).acted);
    EXPECT_EQ(in.timeHH, "1");
    EXPECT_EQ(in.timeMM, "30");
    ASSERT_EQ(PartCount(*st), 2);
    EXPECT_NEAR(PartFirstFrame(*st, 2) * st->FrameDuration, 5400.0, st->FrameDuration);
}

TEST(EditRules, YearAndTrackBounds) {
    EXPECT_EQ(BoundedDigitsEditText("100", "1000", 256), "100");
    EXPECT_EQ(BoundedDigitsEditText("25", "255", 256), "255");
    EXPECT_EQ(BoundedDigitsEditText("999", "9999", 10000), "9999");
    EXPECT_EQ(BoundedDigitsEditText("1999", "19990", 10000), "1999");
    EXPECT_EQ(BoundedDigitsEditText("1999", "19x9", 10000), "1999");
    EXPECT_TRUE(IsDigitKey('0'));
    EXPECT_TRUE(IsDigitKey('9'));
    EXPECT_TRUE(IsDigitKey(8));
    EXPECT_FALSE(IsDigitKey('a'));
    EXPECT_FALSE(IsDigitKey('-'));
}

namespace {

// Start times of the pauses that ffmpeg's silencedetect finds (-20 dB: the
// 10 % threshold; 1 s), an independent view of where the pauses are.
std::vector<double> FfmpegSilenceStarts(const std::string& path) {
    std::vector<double> starts;
    const std::string cmd = "ffmpeg -hide_banner -nostats -i '" + path +
                            "' -af silencedetect=noise=-20dB:d=1 -f null - 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return starts;
    char line[512];
    const std::regex re("silence_start: ([0-9.]+)");
    while (std::fgets(line, sizeof line, p)) {
        std::cmatch m;
        if (std::regex_search(line, m, re))
            starts.push_back(std::stod(m[1].str()));
    }
    pclose(p);
    return starts;
}

} // namespace

TEST(PrepareBySilence, SpeechWithPausesIsCutInsideEachPauseAfterSpeech) {
    const std::string path = std::string(TESSIVO_FIXTURES) + "/speech_pauses.mp3";
    ProgramState st;
    const OpenResult opened = AnalyseFile(st, st, path, true);
    ASSERT_TRUE(opened.ok) << opened.message;
    ResetToOnePart(st, st);
    st.SilenceThreshold = 10;
    st.SilenceRelease = 1000;
    ASSERT_TRUE(Prepare(st, "silence").acted);
    // Quiet, speech, quiet, speech, quiet, speech, quiet: three pauses follow
    // speech, so three cuts and four parts.
    ASSERT_EQ(PartCount(st), 4);
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ffmpeg not installed";
    std::vector<double> starts = FfmpegSilenceStarts(path);
    // The leading pause starts at 0 and gives no cut.
    if (!starts.empty() && starts.front() < 0.5)
        starts.erase(starts.begin());
    ASSERT_EQ(starts.size(), 3u);
    for (int k = 2; k <= 4; ++k) {
        const double cut = PartFirstFrame(st, k) * st.FrameDuration;
        // The cut stands where the pause has lasted one second.
        EXPECT_NEAR(cut, starts[k - 2] + 1.0, 0.25) << "cut " << k;
    }
}

TEST(PrepareByTime, HoursWithEveryCutOnTheFrameNearestItsTime) {
    // Ten hours and a half second: nine cuts, ten parts of an hour, the half
    // second folded into the tenth.
    const double fd = 1152.0 / 44100.0;
    auto st = FileOf(static_cast<uint32_t>(std::lround(36000.5 / fd)));
    st->SelectedPart = 1;
    const PrepareOutcome out = PrepareByTime(*st, *st, 3600);
    ASSERT_TRUE(out.acted);
    EXPECT_EQ(out.message, "");
    EXPECT_EQ(st->SelectedPart, 0);
    ASSERT_EQ(PartCount(*st), 10);
    for (int k = 2; k <= 10; ++k)
        EXPECT_EQ(PartFirstFrame(*st, k), std::llrint((k - 1) * 3600.0 / fd)) << k;
    // One step rounded once and multiplied would be 137812 frames per hour,
    // 9 x 0.5 frame = 0.12 s late at the last cut.
    EXPECT_NE(PartFirstFrame(*st, 10), 9 * std::llrint(3600.0 / fd));
    ExpectAllPartsFresh(*st);
}

TEST(PrepareByTime, SameChecksAsTheTimeEdits) {
    auto st = FileOf(1149, 30.0);
    AddCutLine(*st, *st, 500);
    EXPECT_EQ(PrepareByTime(*st, *st, 30).message, "Incorrect time value!");
    EXPECT_EQ(PrepareByTime(*st, *st, 3600).message, "Incorrect time value!");
    EXPECT_EQ(PrepareByTime(*st, *st, 0).message, "Input time value!");
    EXPECT_EQ(Lines(*st), (std::vector<int32_t>{0, 500}));
    // The edits' 00:10 and ten seconds place the same lines.
    ASSERT_TRUE(Prepare(*st, "time", "00", "10").acted);
    const std::vector<int32_t> byEdits = Lines(*st);
    ResetToOnePart(*st, *st);
    ASSERT_TRUE(PrepareByTime(*st, *st, 10).acted);
    EXPECT_EQ(Lines(*st), byEdits);
    // Under two seconds nothing happens.
    auto tiny = FileOf(50);
    EXPECT_FALSE(PrepareByTime(*tiny, *tiny, 1).acted);
}

TEST(PrepareEqualParts, EqualPartsUnderASecondAreNotFolded) {
    // 79 frames (2.06 s) in four: 20, 20, 20 and 19 frames, each under a
    // second, none a leftover.
    auto st = FileOf(79);
    Prepare(*st, "parts", "00", "01", 4);
    EXPECT_EQ(Lines(*st), (std::vector<int32_t>{0, 20, 40, 60}));
}

TEST(PrepareBySilence, ShortPartsAtTheEndAreFoldedUntilTheLastLastsASecond) {
    // Pauses after sound at frames 60, 110 and 130 of a 150-frame file give
    // cuts at 67, 117 and 137. The part from 137 (13 frames) is under a
    // second, and so is the one from 117 once it holds it (33 frames); the
    // one from 67 (83 frames) is not.
    auto st = FileOf(1);
    SetPeaks(*st, {{60, 20000}, {40, 0}, {10, 20000}, {10, 0}, {10, 20000}, {10, 0}, {10, 20000}},
             false);
    st->SilenceRelease = 200; // 8 quiet frames
    Prepare(*st, "silence");
    EXPECT_EQ(Lines(*st), (std::vector<int32_t>{0, 67}));
}
