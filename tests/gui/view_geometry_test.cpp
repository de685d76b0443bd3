// Layout of the client area and the frame/pixel/time mapping.
#include "ui/view/view_geometry.h"

#include <gtest/gtest.h>

#include <memory>

namespace tessivo {
namespace {

TEST(ViewGeometry, WorkedExampleClientArea1000x700) {
    const ViewGeometry g = ComputeLayout(1000, 700, 2, 0);
    EXPECT_EQ(g.WaveLeft, 20);
    EXPECT_EQ(g.WaveRight, 960);
    EXPECT_EQ(g.MeterLeft, 962);
    EXPECT_EQ(g.MeterRight, 998);
    EXPECT_EQ(g.StBar.Top, 681);
    EXPECT_EQ(g.StBar.Width, 1000);
    EXPECT_EQ(g.PanelLeft.Top, 441);
    EXPECT_EQ(g.PanelTags.Top, 441);
    EXPECT_EQ(g.PanelList.Top, 441);
    EXPECT_EQ(g.PanelTags.Left, 739);
    EXPECT_EQ(g.PanelList.Left, 209);
    EXPECT_EQ(g.PanelList.Width, 530);
    // The part list ends exactly where the tag panel begins.
    EXPECT_EQ(g.PanelList.Left + g.PanelList.Width, g.PanelTags.Left);
    EXPECT_EQ(g.PanelControl.Top, 396);
    EXPECT_EQ(g.ScrollBar.Top, 378);
    EXPECT_EQ(g.ScrollBar.Width, 955);
    EXPECT_EQ(g.WaveBottom, 346);
    EXPECT_EQ(g.ViewBottom, 377);
    EXPECT_EQ(g.MeterBottom, 395);
    EXPECT_EQ(g.WaveBitmapWidth(), 940);
    EXPECT_EQ(g.WaveBitmapHeight(), 377);
    EXPECT_EQ(g.MeterBitmapWidth(), 36);
    EXPECT_EQ(g.MeterBitmapHeight(), 395);
    EXPECT_EQ(g.WaveHalf, 173);
    EXPECT_EQ(g.WaveQuarter, 86);
    EXPECT_EQ(g.WaveThreeQuarter, 259);
    EXPECT_EQ(g.SpdBtnDec.Left, 1000 - 25 - 2);
    EXPECT_EQ(g.SpdBtnInc.Left, 1000 - 25 - 2 - 25 - 2);
    EXPECT_EQ(g.ProgressBar.Left, 401);
    EXPECT_EQ(g.ProgressBar.Width, 1000 - 401 - 2);
    EXPECT_EQ(g.ProgressBar.Height, 13);
}

TEST(ViewGeometry, ScalesFollowChannelsAndFrameCount) {
    const ViewGeometry none = ComputeLayout(1000, 700, 0, 0);
    EXPECT_EQ(none.PixelsPerFrame, 1.0); // no division by zero without a file

    const ViewGeometry stereo = ComputeLayout(1000, 700, 2, 1879);
    const ViewGeometry mono = ComputeLayout(1000, 700, 1, 1879);
    // A full-scale peak spans a quarter (stereo) or half (mono) of the height.
    EXPECT_NEAR(32767 * stereo.WaveScale, 346.0 / 4, 0.01);
    EXPECT_NEAR(32767 * mono.WaveScale, 346.0 / 2, 0.01);
    EXPECT_DOUBLE_EQ(stereo.PixelsPerFrame, 939.0 / 1879.0);
    EXPECT_DOUBLE_EQ(stereo.MeterScale, (395.0 - 2) / 32767);
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

    EXPECT_EQ(m.XToFrame(g.WaveLeft), 800);
    EXPECT_EQ(m.XToFrame(g.WaveLeft + 1), 808);
    EXPECT_EQ(m.XToFrame(g.WaveLeft - 3), 776);
    EXPECT_EQ(m.ColumnToFrame(10), 880);
    // Halves go to the even neighbour: 804 is half a column, 812 one and a half.
    EXPECT_EQ(m.FrameToColumn(804), 0);
    EXPECT_EQ(m.FrameToColumn(812), 2);
    EXPECT_EQ(m.FrameToColumn(805), 1);
    EXPECT_EQ(m.FrameToX(880), g.WaveLeft + 10);
    EXPECT_DOUBLE_EQ(m.FrameToSeconds(441), 441 * 1152.0 / 44100.0);
    // Second 30 is frame 1148.4375: (1148.4375 - 800) / 8 = 43.55 -> 44.
    EXPECT_EQ(m.SecondToColumn(30), 44);
    EXPECT_EQ(m.FrameToStripColumn(40000), 376); // 375.6 pixels into the strip
    // Bytes of decoded PCM: 4608 bytes per stereo frame, far beyond 32 bits.
    EXPECT_EQ(m.BytesToFrame(int64_t{4608} * 1000000), 1000000);
    EXPECT_EQ(m.BytesToFrame(4608 * 10 + 2304), 10); // half a frame: to even
    EXPECT_EQ(m.BytesToFrame(4608 * 11 + 2304), 12);
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

} // namespace
} // namespace tessivo
