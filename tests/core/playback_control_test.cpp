// Playback control against a fake engine: starting, stopping, the sliders,
// the end-of-part rule and what the 33 ms timer shows while the file plays.
#include "core/playback/playback_control.h"

#include "core/parts/part_access.h"
#include "tests/fakes/fake_audio_engine.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tessivo {
namespace {

using testing::FakeAudioEngine;

// A loaded 44.1 kHz stereo file of `frames` frames cut at the given frames.
void LoadFile(ProgramState& st, FakeAudioEngine& eng, uint32_t frames,
              std::initializer_list<int32_t> cuts = {0}) {
    st.FileLoaded = true;
    st.SampleRate = 44100;
    st.HeaderSampleRate = 44100;
    st.ChannelCount = 2;
    st.SamplesPerFrame = 1152;
    st.FrameDuration = 1152.0 / 44100.0;
    st.FrameCount = frames;
    st.Duration = frames * st.FrameDuration;
    st.Parts.clear();
    for (int32_t c : cuts)
        st.Parts.push_back(PartRecord{.start = c});
    st.PlayStream = eng.CreateStream(st);
}

constexpr int64_t kBytesPerFrame = 1152 * 2 * 2;

// Geometry of a 1000-pixel-wide client area: the wave bitmap is 940 wide.
PlaybackGeometry Geo(const ProgramState& st) {
    PlaybackGeometry g;
    g.waveLeft = 20;
    g.waveRight = 960;
    g.waveTop = 0;
    g.waveBottom = 346;
    g.viewBottom = 377;
    g.pixelsPerFrame = st.FrameCount ? (960.0 - 20.0 - 1.0) / st.FrameCount : 1.0;
    return g;
}

// Bytes the sound card plays in one 33 ms tick at 44.1 kHz stereo.
constexpr int64_t kTickBytes = 44100 * 4 * 33 / 1000;

TEST(PlayFromTest, PartStartSetsPositionVolumeAndOwnRate) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 3000, {0, 1000, 2000});
    st.Volume = 30;
    st.PlayingPart = 2;
    int pumped = 0;
    auto r = PlayFrom(st, st, st, st, eng, 2, PlayStartKind::PartStart, 0, [&] {
        ++pumped;
        EXPECT_FALSE(st.IsPlaying) << "the window repaints before the sound starts";
    });
    EXPECT_TRUE(r.started);
    EXPECT_FALSE(r.errorText);
    EXPECT_EQ(pumped, 1);
    EXPECT_TRUE(st.IsPlaying);
    EXPECT_EQ(st.PlayFrame, 1000u);
    EXPECT_EQ(st.PlayStartPos, 1000 * kBytesPerFrame);
    const auto& s = eng.At(st.PlayStream);
    EXPECT_EQ(s.position, 1000 * kBytesPerFrame);
    EXPECT_DOUBLE_EQ(s.volume, 0.30);
    EXPECT_DOUBLE_EQ(s.frequency, 44100.0);
    EXPECT_TRUE(s.playing);
}

TEST(PlayFromTest, ClickedFrameIgnoresPartNumber) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 3000, {0, 1000, 2000});
    st.ClickFrame = 1234;
    PlayFrom(st, st, st, st, eng, 3, PlayStartKind::ClickedFrame, 0);
    EXPECT_EQ(eng.At(st.PlayStream).position, 1234 * kBytesPerFrame);
    EXPECT_EQ(st.PlayFrame, 1234u);
}

TEST(PlayFromTest, StartBeyondFourGigabytesOfPcmDoesNotOverflow) {
    ProgramState st;
    FakeAudioEngine eng;
    // About 11 hours: frame 1 400 000 lies at 6.45 GB of decoded PCM.
    LoadFile(st, eng, 1500000, {0, 1400000});
    PlayFrom(st, st, st, st, eng, 2, PlayStartKind::PartStart, 0);
    EXPECT_EQ(st.PlayStartPos, int64_t{1400000} * 4608);
    EXPECT_GT(st.PlayStartPos, int64_t{1} << 32);
    EXPECT_EQ(eng.At(st.PlayStream).position, st.PlayStartPos);
}

TEST(PlayFromTest, IgnoredUntilAFileWasAccepted) {
    ProgramState st;
    FakeAudioEngine eng;
    auto r = PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 0);
    EXPECT_FALSE(r.started);
    EXPECT_FALSE(r.errorText);
    EXPECT_FALSE(st.IsPlaying);
    StopPlayback(st, st, eng);
    EXPECT_TRUE(eng.calls.empty());
}

TEST(PlayFromTest, RefusedStartGivesMessageWithCodeAndStaysStopped) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 3000);
    eng.refusePlay = true;
    eng.refuseCode = 23;
    auto r = PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 0);
    EXPECT_FALSE(r.started);
    ASSERT_TRUE(r.errorText);
    EXPECT_EQ(*r.errorText, "Error playing music!\n(Error code: 23)");
    EXPECT_FALSE(st.IsPlaying);
    EXPECT_EQ(st.PlayFrame, 0u);
    EXPECT_FALSE(PlaybackStatusCaption(st, st));
}

TEST(PlayFromTest, StartingWhilePlayingRepositionsAndReappliesVolumeAndRate) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 3000, {0, 1000, 2000});
    PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 0);
    eng.Advance(st.PlayStream, 50 * kBytesPerFrame);
    st.Volume = 80;
    PlayFrom(st, st, st, st, eng, 3, PlayStartKind::PartStart, 10);
    const auto& s = eng.At(st.PlayStream);
    EXPECT_TRUE(s.playing);
    EXPECT_EQ(s.position, 2000 * kBytesPerFrame);
    EXPECT_DOUBLE_EQ(s.volume, 0.8);
    EXPECT_DOUBLE_EQ(s.frequency, 44100 + 10 * (100000.0 - 44100) / 100);
}

TEST(StopPlaybackTest, StopsStreamAndClearsPosition) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 3000);
    PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 0);
    eng.Advance(st.PlayStream, 100 * kBytesPerFrame);
    PlaybackTimerTick(st, st, st, st, eng, Geo(st));
    EXPECT_EQ(st.PlayFrame, 100u);
    StopPlayback(st, st, eng);
    EXPECT_FALSE(st.IsPlaying);
    EXPECT_EQ(st.PlayFrame, 0u);
    EXPECT_FALSE(eng.IsActive(st.PlayStream));
}

TEST(RateSliderTest, LinearFromOwnRateToHundredKilohertz) {
    ProgramState st;
    st.SampleRate = 44100;
    ComputePlayRate(st, st, 0);
    EXPECT_DOUBLE_EQ(st.PlayRate, 44100.0);
    ComputePlayRate(st, st, 50);
    EXPECT_DOUBLE_EQ(st.RateStep, 559.0);
    EXPECT_DOUBLE_EQ(st.PlayRate, 72050.0);
    st.SampleRate = 48000;
    ComputePlayRate(st, st, 100);
    EXPECT_DOUBLE_EQ(st.PlayRate, 100000.0);
}

TEST(RateSliderTest, AppliedAtOnceWhilePlayingOnlyStoredWhenStopped) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 3000);
    ApplyRateBar(st, st, eng, 40);
    EXPECT_DOUBLE_EQ(eng.At(st.PlayStream).frequency, 0.0) << "nothing plays: engine untouched";
    EXPECT_DOUBLE_EQ(st.PlayRate, 44100 + 40 * 559.0);
    PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 40);
    EXPECT_DOUBLE_EQ(eng.At(st.PlayStream).frequency, 44100 + 40 * 559.0);
    ApplyRateBar(st, st, eng, 100);
    EXPECT_DOUBLE_EQ(eng.At(st.PlayStream).frequency, 100000.0);
}

TEST(RateSliderTest, RateFollowsTheFileNowOpen) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 3000);
    ApplyRateBar(st, st, eng, 50); // 72050 Hz for the 44.1 kHz file
    // A 22.05 kHz file is opened; the slider stays at 50.
    st.SampleRate = 22050;
    PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 50);
    EXPECT_DOUBLE_EQ(eng.At(st.PlayStream).frequency, 22050 + 50 * (100000.0 - 22050) / 100);
}

TEST(VolumeSliderTest, AppliedAtOnceWhilePlayingOnlyStoredWhenStopped) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 3000);
    st.Volume = 50;
    ApplyVolumeBar(st, st, eng, 20);
    EXPECT_EQ(st.Volume, 20);
    EXPECT_DOUBLE_EQ(eng.At(st.PlayStream).volume, 1.0) << "nothing plays: engine untouched";
    PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 0);
    EXPECT_DOUBLE_EQ(eng.At(st.PlayStream).volume, 0.2);
    ApplyVolumeBar(st, st, eng, 75);
    EXPECT_DOUBLE_EQ(eng.At(st.PlayStream).volume, 0.75);
    EXPECT_EQ(st.Volume, 75);
}

TEST(PlayButtonTest, SelectedPartOrFirst) {
    ProgramState st;
    st.Parts.resize(3);
    st.SelectedPart = 0;
    EXPECT_EQ(PlayButtonPart(st), 1);
    st.SelectedPart = 2;
    EXPECT_EQ(PlayButtonPart(st), 2);
}

TEST(EngineErrorTextTest, TextThenCodeOnSecondLine) {
    EXPECT_EQ(EngineErrorText("Error playing music!", 5), "Error playing music!\n(Error code: 5)");
}

TEST(StatusCaptionTest, PlayingFileOrPart) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 3000);
    EXPECT_FALSE(PlaybackStatusCaption(st, st));
    st.PlayingPart = 1;
    PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 0);
    EXPECT_EQ(PlaybackStatusCaption(st, st), "Playing the file");
    LoadFile(st, eng, 3000, {0, 1000, 2000});
    st.PlayingPart = 3;
    PlayFrom(st, st, st, st, eng, 3, PlayStartKind::PartStart, 0);
    EXPECT_EQ(PlaybackStatusCaption(st, st), "Playing Part(3)");
}

// Plays part `k` tick by tick; returns the PlayFrame seen on the tick before
// the stop and the number of ticks.
struct EndOfPartRun {
    uint32_t lastFrameBeforeStop = 0;
    uint32_t frameAtStop = 0;
    int ticks = 0;
    bool stoppedAtPartEnd = false;
};
EndOfPartRun RunUntilStopped(ProgramState& st, FakeAudioEngine& eng, int k) {
    EndOfPartRun run;
    st.PlayingPart = k;
    PlayFrom(st, st, st, st, eng, k, PlayStartKind::PartStart, 0);
    while (st.IsPlaying && run.ticks < 100000) {
        eng.Advance(st.PlayStream, kTickBytes);
        const uint32_t heard =
            uint32_t(std::nearbyint(double(eng.GetPosition(st.PlayStream)) / kBytesPerFrame));
        auto r = PlaybackTimerTick(st, st, st, st, eng, Geo(st));
        ++run.ticks;
        if (st.IsPlaying)
            run.lastFrameBeforeStop = st.PlayFrame;
        else {
            run.frameAtStop = heard;
            run.stoppedAtPartEnd = r.stoppedAtPartEnd;
        }
    }
    return run;
}

TEST(EndOfPartTest, MiddlePartStopsWithinOneTickAfterNextPartStarts) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 3000, {0, 1000, 2000});
    auto run = RunUntilStopped(st, eng, 2);
    EXPECT_TRUE(run.stoppedAtPartEnd);
    EXPECT_LT(run.lastFrameBeforeStop, 2000u);
    EXPECT_GE(run.frameAtStop, 2000u);
    // One tick is 33 ms, about 1.26 frames.
    EXPECT_LE(run.frameAtStop, 2000u + 2u);
    EXPECT_FALSE(eng.IsActive(st.PlayStream));
    EXPECT_EQ(st.PlayFrame, 0u);
}

TEST(EndOfPartTest, LastPartStopsAtLastFrame) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 3000, {0, 1000, 2000});
    auto run = RunUntilStopped(st, eng, 3);
    EXPECT_TRUE(run.stoppedAtPartEnd);
    EXPECT_GE(run.frameAtStop, 2999u);
    EXPECT_LT(run.lastFrameBeforeStop, 2999u);
}

TEST(EndOfPartTest, PartZeroStopsAtFirstTick) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 3000, {0, 1000, 2000});
    st.ClickFrame = 500;
    st.PlayingPart = 0;
    PlayFrom(st, st, st, st, eng, 0, PlayStartKind::ClickedFrame, 0);
    auto r = PlaybackTimerTick(st, st, st, st, eng, Geo(st));
    EXPECT_TRUE(r.stoppedAtPartEnd);
    EXPECT_FALSE(st.IsPlaying);
}

TEST(EndOfPartTest, PartNumberPastTheTableStopsAtTheEndMarker) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 3000, {0, 1000, 2000});
    // A part number past the last part is bounded by the file's end.
    st.PlayingPart = 4;
    st.ClickFrame = 2500;
    PlayFrom(st, st, st, st, eng, 0, PlayStartKind::ClickedFrame, 0);
    auto r = PlaybackTimerTick(st, st, st, st, eng, Geo(st));
    EXPECT_FALSE(r.stoppedAtPartEnd);
    EXPECT_TRUE(st.IsPlaying);
}

TEST(EndOfPartTest, OnePartPlaysToTheEndOfTheStream) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 300);
    st.PlayingPart = 1;
    PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 0);
    int ticks = 0;
    PlaybackTickResult r;
    while (st.IsPlaying && ticks < 10000) {
        eng.Advance(st.PlayStream, kTickBytes);
        r = PlaybackTimerTick(st, st, st, st, eng, Geo(st));
        ++ticks;
        EXPECT_FALSE(r.stoppedAtPartEnd);
        if (st.IsPlaying) {
            EXPECT_EQ(PlaybackStatusCaption(st, st), "Playing the file");
        }
    }
    // 300 frames of 26.1 ms at 33 ms a tick.
    EXPECT_NEAR(ticks, 300 * kBytesPerFrame / kTickBytes, 1);
    EXPECT_TRUE(r.streamEnded);
    EXPECT_TRUE(r.hideOverlays);
    EXPECT_TRUE(r.redrawMeter());
    EXPECT_EQ(st.PlayFrame, 0u);
}

TEST(PlaybackTickTest, FollowsPositionAndTime) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 3000);
    PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 0);
    // Half a frame and a bit past frame 10 rounds to 11; exactly half rounds to even.
    eng.At(st.PlayStream).position = 10 * kBytesPerFrame + kBytesPerFrame / 2 + 4;
    auto r = PlaybackTimerTick(st, st, st, st, eng, Geo(st));
    EXPECT_TRUE(r.following);
    EXPECT_TRUE(r.redrawMeter());
    EXPECT_EQ(st.PlayFrame, 11u);
    EXPECT_DOUBLE_EQ(r.seconds, double(10 * kBytesPerFrame + kBytesPerFrame / 2 + 4) / 176400.0);
    eng.At(st.PlayStream).position = 10 * kBytesPerFrame + kBytesPerFrame / 2;
    PlaybackTimerTick(st, st, st, st, eng, Geo(st));
    EXPECT_EQ(st.PlayFrame, 10u);
}

TEST(PlaybackTickTest, CursorAndStripMarkPlacement) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 30000);
    st.ZoomLevel = 4; // 8 frames per column
    st.ViewFirstFrame = 800;
    PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 0);
    eng.At(st.PlayStream).position = 1204 * kBytesPerFrame;
    const auto g = Geo(st);
    auto r = PlaybackTimerTick(st, st, st, st, eng, g);
    ASSERT_TRUE(r.placeOverlays);
    // (1204 - 800) / 8 = 50.5 rounds to 50.
    EXPECT_TRUE(r.cursor.visible);
    EXPECT_EQ(r.cursor.x, 20 + 50);
    EXPECT_EQ(r.cursor.y, 0);
    EXPECT_EQ(r.cursor.height, 346);
    EXPECT_TRUE(r.stripMark.visible);
    EXPECT_EQ(r.stripMark.x, 20 + int(std::nearbyint(1204 * 939.0 / 30000)));
    EXPECT_EQ(r.stripMark.y, 377 - 13);
    EXPECT_EQ(r.stripMark.height, 12);
}

TEST(PlaybackTickTest, BelowOneFramePerColumnTheCursorMovesInsideItsFrame) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 30000);
    st.ZoomLevel = kFinestZoomLevel; // 1/256 frame per column
    st.ViewFirstFrame = 1200;
    PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 0);
    // A quarter into frame 1201: 1.25 frames of 256 columns.
    eng.At(st.PlayStream).position = 1201 * kBytesPerFrame + kBytesPerFrame / 4;
    auto r = PlaybackTimerTick(st, st, st, st, eng, Geo(st));
    EXPECT_EQ(st.PlayFrame, 1201u);
    EXPECT_TRUE(r.cursor.visible);
    EXPECT_EQ(r.cursor.x, 20 + 320);
}

TEST(PlaybackTickTest, AFittedScalePlacesTheCursorAndNeverScrolls) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 30000);
    st.FitFramesPerColumn = 30000.0 / 939.0; // 31.95 frames per column
    st.ZoomLevel = 6;
    PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 0);
    // Inside the band where a level's view would jump on.
    eng.At(st.PlayStream).position = int64_t{29000} * kBytesPerFrame;
    auto r = PlaybackTimerTick(st, st, st, st, eng, Geo(st));
    EXPECT_FALSE(r.autoScrolled);
    EXPECT_EQ(st.ViewFirstFrame, 0);
    ASSERT_TRUE(r.cursor.visible);
    EXPECT_EQ(r.cursor.x, 20 + int(std::nearbyint(29000 / st.FitFramesPerColumn)));
}

TEST(PlaybackTickTest, CursorHiddenOutsideViewWhileStripMarkMoves) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 30000);
    st.ZoomLevel = 1;
    PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 0);
    const auto g = Geo(st);
    // The user scrolled ahead of the cursor: it lies left of the view.
    st.ViewFirstFrame = 5000;
    eng.At(st.PlayStream).position = 4000 * kBytesPerFrame;
    auto r = PlaybackTimerTick(st, st, st, st, eng, g);
    EXPECT_FALSE(r.cursor.visible);
    EXPECT_EQ(r.cursor.height, 0);
    EXPECT_EQ(r.cursor.x, -1);
    EXPECT_TRUE(r.stripMark.visible);
    EXPECT_FALSE(r.autoScrolled);
    EXPECT_EQ(st.ViewFirstFrame, 5000);
    // Exactly on the left edge (x = WaveLeft) also counts as outside.
    st.ViewFirstFrame = 4000;
    r = PlaybackTimerTick(st, st, st, st, eng, g);
    EXPECT_FALSE(r.cursor.visible);
    eng.At(st.PlayStream).position = 4001 * kBytesPerFrame;
    r = PlaybackTimerTick(st, st, st, st, eng, g);
    EXPECT_TRUE(r.cursor.visible);
    EXPECT_EQ(r.cursor.x, 21);
    // Right edge: x = WaveRight is outside, one less inside.
    eng.At(st.PlayStream).position = (4000 + 940) * kBytesPerFrame;
    st.ViewFirstFrame = 4000;
    st.IsPlaying = false; // keep auto-scroll out of this check
    r = PlaybackTimerTick(st, st, st, st, eng, g);
    EXPECT_FALSE(r.cursor.visible);
    eng.At(st.PlayStream).position = (4000 + 939) * kBytesPerFrame;
    r = PlaybackTimerTick(st, st, st, st, eng, g);
    EXPECT_TRUE(r.cursor.visible);
    EXPECT_EQ(r.cursor.x, 959);
}

TEST(PlaybackTickTest, AutoScrollBandIsHundredToNinetyOneColumnsFromRightEdge) {
    for (int level : {1, 3}) {
        const int32_t z = ZoomFactor[level];
        for (int32_t col : {839, 840, 849, 850}) {
            ProgramState st;
            FakeAudioEngine eng;
            LoadFile(st, eng, 200000);
            st.ZoomLevel = int16_t(level);
            st.ViewFirstFrame = 1000;
            PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 0);
            const int32_t frame = 1000 + col * z;
            eng.At(st.PlayStream).position = int64_t{frame} * kBytesPerFrame;
            auto r = PlaybackTimerTick(st, st, st, st, eng, Geo(st));
            // W = 940: the band is columns 840 .. 849.
            const bool inBand = col >= 840 && col < 850;
            EXPECT_EQ(r.autoScrolled, inBand) << "level " << level << " column " << col;
            if (inBand) {
                EXPECT_EQ(st.ViewFirstFrame, frame - 32 * z);
                EXPECT_EQ(r.scrollPosition,
                          int(std::nearbyint(10000.0 * (frame - 32 * z) / 200000)));
            } else {
                EXPECT_EQ(st.ViewFirstFrame, 1000);
            }
        }
    }
}

TEST(PlaybackTickTest, AutoScrollNearFileStartClampsToZero) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 200000);
    st.ZoomLevel = 11;
    st.ViewFirstFrame = 512;
    PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 0);
    // A narrow view (W = 120) puts the band at columns 20 .. 29, closer to the
    // left edge than the 32 columns the jump leaves before the cursor.
    PlaybackGeometry g = Geo(st);
    g.waveRight = g.waveLeft + 120;
    eng.At(st.PlayStream).position = int64_t{512 + 25 * 1024} * kBytesPerFrame;
    auto r = PlaybackTimerTick(st, st, st, st, eng, g);
    EXPECT_TRUE(r.autoScrolled);
    EXPECT_EQ(st.ViewFirstFrame, 0);
    EXPECT_EQ(r.scrollPosition, 0);
}

TEST(PlaybackTickTest, IdleTickHidesOverlaysAndChangesNothing) {
    ProgramState st;
    FakeAudioEngine eng;
    LoadFile(st, eng, 3000, {0, 1000});
    auto r = PlaybackTimerTick(st, st, st, st, eng, Geo(st));
    EXPECT_FALSE(r.following);
    EXPECT_TRUE(r.hideOverlays);
    EXPECT_FALSE(r.redrawMeter());
    EXPECT_FALSE(r.autoScrolled);
    EXPECT_EQ(st.ViewFirstFrame, 0);
}

} // namespace
} // namespace tessivo
