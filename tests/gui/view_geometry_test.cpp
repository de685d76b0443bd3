// Layout of the client area and the frame/pixel/time mapping.
#include "ui/view/view_geometry.h"

#include <gtest/gtest.h>

#include <memory>

namespace tessivo {
namespace {

TEST(ViewGeometry, WorkedExampleClientArea1000x700) {
    const ViewGeometry g = ComputeLayout(1000, 700, 2, 0);
    EXPECT_EQ(g.waveLeft, 20);
    EXPECT_EQ(g.waveRight, 960);
    EXPECT_EQ(g.meterLeft, 962);
    EXPECT_EQ(g.meterRight, 998);
    EXPECT_EQ(g.statusBar.top, 681);
    EXPECT_EQ(g.statusBar.width, 1000);
    EXPECT_EQ(g.splitFrame.top, 441);
    EXPECT_EQ(g.tagFrame.top, 441);
    EXPECT_EQ(g.partListFrame.top, 441);
    EXPECT_EQ(g.tagFrame.left, 739);
    EXPECT_EQ(g.partListFrame.left, 209);
    EXPECT_EQ(g.partListFrame.width, 530);
    // The part list ends exactly where the tag panel begins.
    EXPECT_EQ(g.partListFrame.left + g.partListFrame.width, g.tagFrame.left);
    EXPECT_EQ(g.controlPanel.top, 396);
    EXPECT_EQ(g.scrollBar.top, 378);
    EXPECT_EQ(g.scrollBar.width, 955);
    EXPECT_EQ(g.waveBottom, 346);
    EXPECT_EQ(g.viewBottom, 377);
    EXPECT_EQ(g.meterBottom, 395);
    EXPECT_EQ(g.waveBitmapWidth(), 940);
    EXPECT_EQ(g.waveBitmapHeight(), 377);
    EXPECT_EQ(g.meterBitmapWidth(), 36);
    EXPECT_EQ(g.meterBitmapHeight(), 395);
    EXPECT_EQ(g.waveHalf, 173);
    EXPECT_EQ(g.waveQuarter, 86);
    EXPECT_EQ(g.waveThreeQuarter, 259);
    EXPECT_EQ(g.zoomOutButton.left, 1000 - 25 - 2);
    EXPECT_EQ(g.zoomInButton.left, 1000 - 25 - 2 - 25 - 2);
    EXPECT_EQ(g.progressBar.left, 401);
    EXPECT_EQ(g.progressBar.width, 1000 - 401 - 2);
    EXPECT_EQ(g.progressBar.height, 13);
}

// Panels that need more room at a larger font push the waveform up and take
// their width from the part list; the waveform's own rules stay.
TEST(ViewGeometry, LargerPanelsTakeRoomFromTheWaveformAndTheList) {
    PanelSizes p;
    p.panelHeight = 300;
    p.splitWidth = 250;
    p.tagWidth = 320;
    p.controlHeight = 50;
    p.statusHeight = 24;
    const ViewGeometry g = ComputeLayout(1000, 700, 2, 0, p);
    EXPECT_EQ(g.statusBar.top, 676);
    EXPECT_EQ(g.splitFrame.top, 375);
    EXPECT_EQ(g.splitFrame.width, 250);
    EXPECT_EQ(g.tagFrame.left, 679);
    EXPECT_EQ(g.partListFrame.left, 252);
    EXPECT_EQ(g.partListFrame.left + g.partListFrame.width, g.tagFrame.left);
    EXPECT_EQ(g.controlPanel.top, 323);
    EXPECT_EQ(g.controlPanel.height, 50);
    EXPECT_EQ(g.scrollBar.top, 305);
    EXPECT_EQ(g.waveBottom, 273);
    EXPECT_EQ(g.viewBottom, 304);
    EXPECT_EQ(g.progressBar.height, 18);
    // The design sizes give the worked example.
    const ViewGeometry d = ComputeLayout(1000, 700, 2, 0, PanelSizes{});
    EXPECT_EQ(d.splitFrame.top, 441);
    EXPECT_EQ(d.waveBottom, 346);
}

TEST(ViewGeometry, ScalesFollowChannelsAndFrameCount) {
    const ViewGeometry none = ComputeLayout(1000, 700, 0, 0);
    EXPECT_EQ(none.pixelsPerFrame, 1.0); // no division by zero without a file

    const ViewGeometry stereo = ComputeLayout(1000, 700, 2, 1879);
    const ViewGeometry mono = ComputeLayout(1000, 700, 1, 1879);
    // A full-scale peak spans a quarter (stereo) or half (mono) of the height.
    EXPECT_NEAR(32767 * stereo.waveScale, 346.0 / 4, 0.01);
    EXPECT_NEAR(32767 * mono.waveScale, 346.0 / 2, 0.01);
    EXPECT_DOUBLE_EQ(stereo.pixelsPerFrame, 939.0 / 1879.0);
    EXPECT_DOUBLE_EQ(stereo.meterScale, (395.0 - 2) / 32767);
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
    const ViewGeometry g = ComputeLayout(1000, 700, 2, 100000);
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
    const ViewGeometry g = ComputeLayout(1000, 700, 2, n);
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
