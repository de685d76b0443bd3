#include "ui/view/view_geometry.h"

#include "core/parts/part_access.h"
#include "core/parts/part_times.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tessivo {

ViewGeometry ComputeWaveGeometry(int32_t width, int32_t height, int32_t channelCount,
                                 uint32_t frameCount) {
    ViewGeometry g;
    g.viewWidth = width;
    g.viewHeight = height;
    g.waveLeft = 20;
    g.waveRight = width - 40;
    g.meterLeft = width - 38;
    g.meterRight = width - 2;
    // The ruler's 31 rows lie below the waveform; the meter reaches down to it.
    g.waveTop = 0;
    g.viewBottom = height - 1;
    g.waveBottom = g.viewBottom - 31;
    g.meterBottom = g.viewBottom;

    const int32_t wh = g.waveBottom - g.waveTop;
    g.waveHalf = wh / 2;
    g.waveQuarter = wh / 4;
    g.waveThreeQuarter = (3 * wh) / 4;

    g.meterScale = static_cast<double>(g.meterBottom - g.waveTop - 2) / 32767.0;
    g.waveScale =
        channelCount > 1 ? static_cast<double>(wh) / 131068.0 : static_cast<double>(wh) / 65534.0;
    g.pixelsPerFrame =
        frameCount == 0 ? 1.0 : static_cast<double>(g.waveRight - g.waveLeft - 1) / frameCount;
    return g;
}

CutLineMarks CutLineMarksAt(const ViewGeometry& g, int64_t x) {
    const int64_t top = g.waveTop;
    const int64_t bottom = g.waveBottom;
    const int64_t half = g.waveTop + g.waveHalf;
    CutLineMarks m;
    m.number = {x + 6, top, 0, 0};
    m.useBox = {x + 1, half - 6, 13, 13};
    m.useHit = {x, half - 5, 10, 10};
    m.play = {x, bottom - 11, 10, 10};
    m.deleteMark = {x - 5, top + 1, 10, 10};
    m.grab = {x - 5, top + 11, 10, bottom - top - 22};
    m.hover = {x - 3, top + 11, 6, bottom - top - 22};
    return m;
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
    : g_(g), z_(FramesPerColumn(st)), f0_(st.ViewFirstFrame), timeBase_(TimeBaseOf(st)),
      samplesPerFrame_(st.SamplesPerFrame), channelCount_(st.ChannelCount) {}

int64_t FrameMapping::frameToColumn(int64_t f) const {
    return RoundEven(static_cast<double>(f - f0_) / z_);
}

int64_t FrameMapping::secondToColumn(int64_t s) const {
    return RoundEven(
        (FramePositionAt(timeBase_, static_cast<double>(s)) - static_cast<double>(f0_)) / z_);
}

int64_t FrameMapping::frameToStripColumn(int64_t f) const {
    return RoundEven(static_cast<double>(f) * g_.pixelsPerFrame);
}

int64_t FrameMapping::bytesToFrame(int64_t bytes) const {
    const double perFrame = static_cast<double>(samplesPerFrame_) * 2.0 * channelCount_;
    if (perFrame <= 0)
        return 0;
    return RoundEven(static_cast<double>(bytes) / perFrame);
}

int64_t FrameMapping::sampleToColumn(int64_t s) const {
    const double per = samplesPerColumn();
    return per > 0 ? RoundEven(static_cast<double>(s - firstSample()) / per) : 0;
}

int64_t FrameMapping::columnToSample(int64_t i) const {
    return firstSample() + RoundEven(static_cast<double>(i) * samplesPerColumn());
}

int64_t CutLineColumn(const FrameMapping& m, const ProgramState& st, int k) {
    const int64_t sample = PartCutSample(st, k);
    if (m.showsSamples() && sample >= 0)
        return m.sampleToColumn(sample);
    return m.frameToColumn(PartFirstFrame(st, k));
}

int16_t StartingZoomLevel(uint32_t frameCount, int32_t cols) {
    for (int16_t level = 1; level <= 10; ++level)
        if (int64_t{frameCount} <= int64_t{ZoomFactor[level]} * cols)
            return level;
    return 10;
}

int16_t LevelOfScale(double framesPerColumn) {
    for (int16_t level = 1; level <= 11; ++level)
        if (framesPerColumn <= ZoomFactor[level])
            return level;
    return 11;
}

double FitScale(uint32_t frameCount, int32_t cols) {
    if (cols <= 0)
        return 1.0;
    return std::max(1.0, static_cast<double>(frameCount) / cols);
}

} // namespace tessivo
