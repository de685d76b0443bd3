// The wave view's geometry and the frame/pixel/time mapping.
#include "ui/view/view_geometry.h"

#include <gtest/gtest.h>

#include <memory>

namespace tessivo {
namespace {

// A wave view 1000 x 378: the waveform, the ruler under it and the meter.
TEST(ViewGeometry, WorkedExampleWaveView1000x378) {
    const ViewGeometry g = ComputeWaveGeometry(1000, 378, 2, 0);
    EXPECT_EQ(g.waveLeft, 20);
    EXPECT_EQ(g.waveRight, 960);
    EXPECT_EQ(g.meterLeft, 962);
    EXPECT_EQ(g.meterRight, 998);
    EXPECT_EQ(g.waveBottom, 346);
    EXPECT_EQ(g.viewBottom, 377);
    EXPECT_EQ(g.meterBottom, 377);
    EXPECT_EQ(g.waveBitmapWidth(), 940);
    EXPECT_EQ(g.waveBitmapHeight(), 377);
    EXPECT_EQ(g.meterBitmapWidth(), 36);
    EXPECT_EQ(g.meterBitmapHeight(), 377);
    EXPECT_EQ(g.waveHalf, 173);
    EXPECT_EQ(g.waveQuarter, 86);
    EXPECT_EQ(g.waveThreeQuarter, 259);
    // A taller view only moves the bottom edges; the columns stay.
    const ViewGeometry tall = ComputeWaveGeometry(1000, 878, 2, 0);
    EXPECT_EQ(tall.waveBottom, 846);
    EXPECT_EQ(tall.cols(), g.cols());
}

TEST(ViewGeometry, ScalesFollowChannelsAndFrameCount) {
    const ViewGeometry none = ComputeWaveGeometry(1000, 378, 0, 0);
    EXPECT_EQ(none.pixelsPerFrame, 1.0); // no division by zero without a file

    const ViewGeometry stereo = ComputeWaveGeometry(1000, 378, 2, 1879);
    const ViewGeometry mono = ComputeWaveGeometry(1000, 378, 1, 1879);
    // A full-scale peak spans a quarter (stereo) or half (mono) of the height.
    EXPECT_NEAR(32767 * stereo.waveScale, 346.0 / 4, 0.01);
    EXPECT_NEAR(32767 * mono.waveScale, 346.0 / 2, 0.01);
    EXPECT_DOUBLE_EQ(stereo.pixelsPerFrame, 939.0 / 1879.0);
    EXPECT_DOUBLE_EQ(stereo.meterScale, (377.0 - 2) / 32767);
}

TEST(ViewGeometry, RulerTimeTexts) {
    EXPECT_EQ(FormatRulerTime(0), "00:00");
    EXPECT_EQ(FormatRulerTime(5), "00:05");
    EXPECT_EQ(FormatRulerTime(75), "01:15");
    EXPECT_EQ(FormatRulerTime(600), "10:00");
    EXPECT_EQ(FormatRulerTime(3599), "59:59");
    EXPECT_EQ(FormatRulerTime(3600), "1:00:00");
    EXPECT_EQ(FormatRulerTime(3725), "1:02:05");
    EXPECT_EQ(FormatRulerTime(2400), "40:00");
    EXPECT_EQ(FormatRulerTime(4800), "1:20:00");
}

TEST(ViewGeometry, PositionConversions) {
    auto st = std::make_unique<ProgramState>();
    st->FrameDuration = 1152.0 / 44100.0;
    st->SamplesPerFrame = 1152;
    st->ChannelCount = 2;
    st->ZoomLevel = 4; // 8 frames per column
    st->ViewFirstFrame = 800;
    const ViewGeometry g = ComputeWaveGeometry(1000, 378, 2, 100000);
    const FrameMapping m(g, *st);

    EXPECT_EQ(m.xToFrame(g.waveLeft), 800);
    EXPECT_EQ(m.xToFrame(g.waveLeft + 1), 808);
    EXPECT_EQ(m.xToFrame(g.waveLeft - 3), 776);
    EXPECT_EQ(m.columnToFrame(10), 880);
    // Halves go to the even neighbour: 804 is half a column, 812 one and a half.
    EXPECT_EQ(m.frameToColumn(804), 0);
    EXPECT_EQ(m.frameToColumn(812), 2);
    EXPECT_EQ(m.frameToColumn(805), 1);
    EXPECT_EQ(m.frameToX(880), g.waveLeft + 10);
    EXPECT_DOUBLE_EQ(m.frameToSeconds(441), 441 * 1152.0 / 44100.0);
    // Second 30 is frame 1148.4375: (1148.4375 - 800) / 8 = 43.55 -> 44.
    EXPECT_EQ(m.secondToColumn(30), 44);
    EXPECT_EQ(m.frameToStripColumn(40000), 376); // 375.6 pixels into the strip
    // Bytes of decoded PCM: 4608 bytes per stereo frame, far beyond 32 bits.
    EXPECT_EQ(m.bytesToFrame(int64_t{4608} * 1000000), 1000000);
    EXPECT_EQ(m.bytesToFrame(4608 * 10 + 2304), 10); // half a frame: to even
    EXPECT_EQ(m.bytesToFrame(4608 * 11 + 2304), 12);
}

TEST(ViewGeometry, StartingZoomLevel) {
    // A 10-minute file (22 969 frames) in a 1000-pixel client area (939
    // columns): level 5 holds 15 024 frames, level 6 holds 30 048.
    EXPECT_EQ(StartingZoomLevel(22969, 939), 6);
    EXPECT_EQ(StartingZoomLevel(15024, 939), 5);
    EXPECT_EQ(StartingZoomLevel(15025, 939), 6);
    EXPECT_EQ(StartingZoomLevel(939, 939), 1);
    EXPECT_EQ(StartingZoomLevel(0, 939), 1);
    // A 10-hour file does not fit even at level 10 and opens there.
    EXPECT_EQ(StartingZoomLevel(1378140, 939), 10);
}

TEST(ViewGeometry, AFittedScaleMapsBothWaysAndKeepsTheRulerOfItsLevel) {
    auto st = std::make_unique<ProgramState>();
    st->FrameDuration = 1152.0 / 44100.0;
    const uint32_t n = 22969; // ten minutes
    const ViewGeometry g = ComputeWaveGeometry(1000, 378, 2, n);
    st->FitFramesPerColumn = FitScale(n, g.cols());
    EXPECT_DOUBLE_EQ(st->FitFramesPerColumn, 22969.0 / 939.0);
    st->ZoomLevel = LevelOfScale(st->FitFramesPerColumn);
    EXPECT_EQ(st->ZoomLevel, 6); // 24.46 frames per column: the level of 32
    EXPECT_DOUBLE_EQ(FramesPerColumn(*st), 22969.0 / 939.0);
    const FrameMapping m(g, *st);
    EXPECT_EQ(m.frameToColumn(0), 0);
    EXPECT_EQ(m.frameToColumn(n), g.cols()); // the file ends at the right edge
    // Every column shows its own frame, and that frame is drawn in it.
    for (int64_t x = g.waveLeft; x < g.waveRight; ++x)
        ASSERT_EQ(m.frameToX(m.xToFrame(x)), x) << x;
    EXPECT_EQ(m.columnToFrame(100), 2446); // 100 x 24.461 = 2446.1

    // No scale below one frame per column; the levels' own factors unchanged.
    EXPECT_EQ(FitScale(500, 939), 1.0);
    EXPECT_EQ(LevelOfScale(1.0), 1);
    EXPECT_EQ(LevelOfScale(2.0), 2);
    EXPECT_EQ(LevelOfScale(2.01), 3);
    EXPECT_EQ(LevelOfScale(5000.0), 11);
    st->FitFramesPerColumn = 0.0;
    st->ZoomLevel = 4;
    EXPECT_EQ(FramesPerColumn(*st), 8.0);
}

} // namespace
} // namespace tessivo
