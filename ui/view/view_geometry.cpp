#include "ui/view/view_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tessivo {

ViewGeometry ComputeLayout(int32_t cw, int32_t ch, int32_t channelCount, uint32_t frameCount) {
    ViewGeometry g;
    g.ClientWidth = cw;
    g.ClientHeight = ch;

    g.WaveLeft = 20;
    g.WaveRight = cw - 40;
    g.MeterLeft = cw - 38;
    g.MeterRight = cw - 2;

    g.StBar = {0, ch - kStBarHeight, cw, kStBarHeight};
    g.PanelLeft = {0, g.StBar.Top - kPanelHeight - 1, kPanelLeftWidth, kPanelHeight};
    g.PanelTags = {cw - kPanelTagsWidth - 1, g.PanelLeft.Top, kPanelTagsWidth, kPanelHeight};
    // The part list ends exactly where the tag panel begins.
    g.PanelList = {g.PanelLeft.Left + g.PanelLeft.Width + 2, g.PanelLeft.Top,
                   g.PanelTags.Left - g.PanelLeft.Width - 2, kPanelHeight};
    g.PanelControl = {0, g.PanelLeft.Top - kPanelControlHeight - 2, cw, kPanelControlHeight};
    g.SpdBtnDec = {cw - kZoomButtonWidth - 2, 0, kZoomButtonWidth, 0};
    g.SpdBtnInc = {g.SpdBtnDec.Left - kZoomButtonWidth - 2, 0, kZoomButtonWidth, 0};
    g.ScrollBar = {5, g.PanelControl.Top - kScrollBarHeight - 2, cw - 45, kScrollBarHeight};

    g.WaveTop = 0;
    g.WaveBottom = g.ScrollBar.Top - 32;
    g.ViewBottom = g.ScrollBar.Top - 1;
    g.MeterBottom = g.PanelControl.Top - 1;

    g.ProgressBar.Left = kStBarFirstPanelWidth + 1;
    g.ProgressBar.Width = g.StBar.Width - g.ProgressBar.Left - 2;
    g.ProgressBar.Top = 4;
    g.ProgressBar.Height = kStBarHeight - 4 - 2;

    const int32_t wh = g.WaveBottom - g.WaveTop;
    g.WaveHalf = wh / 2;
    g.WaveQuarter = wh / 4;
    g.WaveThreeQuarter = (3 * wh) / 4;

    g.MeterScale = static_cast<double>(g.MeterBottom - g.WaveTop - 2) / 32767.0;
    g.WaveScale =
        channelCount > 1 ? static_cast<double>(wh) / 131068.0 : static_cast<double>(wh) / 65534.0;
    g.PixelsPerFrame =
        frameCount == 0 ? 1.0 : static_cast<double>(g.WaveRight - g.WaveLeft - 1) / frameCount;
    return g;
}

std::string FormatRulerTime(int32_t s) {
    if (s < 0)
        s = 0;
    const int32_t h = s / 3600;
    const int32_t m = (s - 3600 * h) / 60;
    const int32_t r = s - 3600 * h - 60 * m;
    char buf[32];
    if (h == 0)
        std::snprintf(buf, sizeof buf, "%02d:%02d", m, r);
    else
        std::snprintf(buf, sizeof buf, "%d:%02d:%02d", h, m, r);
    return buf;
}

FrameMapping::FrameMapping(const ViewGeometry& g, const ProgramState& st)
    : g_(g), z_(ZoomFactor[std::clamp<int>(st.ZoomLevel, 1, 11)]), f0_(st.ViewFirstFrame),
      frameDuration_(st.FrameDuration), samplesPerFrame_(st.SamplesPerFrame),
      channelCount_(st.ChannelCount) {}

int64_t FrameMapping::FrameToColumn(int64_t f) const {
    return RoundEven(static_cast<double>(f - f0_) / z_);
}

int64_t FrameMapping::SecondToColumn(int64_t s) const {
    return RoundEven((static_cast<double>(s) / frameDuration_ - static_cast<double>(f0_)) / z_);
}

int64_t FrameMapping::FrameToStripColumn(int64_t f) const {
    return RoundEven(static_cast<double>(f) * g_.PixelsPerFrame);
}

int64_t FrameMapping::BytesToFrame(int64_t bytes) const {
    const double perFrame = static_cast<double>(samplesPerFrame_) * 2.0 * channelCount_;
    if (perFrame <= 0)
        return 0;
    return RoundEven(static_cast<double>(bytes) / perFrame);
}

int16_t StartingZoomLevel(uint32_t frameCount, int32_t cols) {
    for (int16_t level = 1; level <= 10; ++level)
        if (int64_t{frameCount} <= int64_t{ZoomFactor[level]} * cols)
            return level;
    return 10;
}

} // namespace tessivo
