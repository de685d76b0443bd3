// Where everything sits in the main window's client area, and the mapping
// between window x, bitmap column, frame index and seconds at every zoom level.
// Plain arithmetic, no widgets: the window, the renderer, scrolling and the
// mouse all use these same functions.
#pragma once

#include "core/state/program_state.h"
#include "core/util/round_even.h"

#include <array>
#include <cstdint>
#include <string>

namespace tessivo {

struct LayoutRect {
    int32_t Left = 0, Top = 0, Width = 0, Height = 0;
};

// Design sizes of the panels and controls below the waveform; never changed.
constexpr int32_t kStBarHeight = 19;
constexpr int32_t kPanelHeight = 239; // PanelLeft, PanelList, PanelTags
constexpr int32_t kPanelControlHeight = 43;
constexpr int32_t kScrollBarHeight = 16;
constexpr int32_t kPanelLeftWidth = 207;
constexpr int32_t kPanelTagsWidth = 260;
constexpr int32_t kZoomButtonWidth = 25;
constexpr int32_t kStBarFirstPanelWidth = 400;
constexpr int32_t kMeterWidth = 36;

// Every value LayoutView derives from the client size, ChannelCount and
// FrameCount.
struct ViewGeometry {
    int32_t ClientWidth = 0, ClientHeight = 0;
    int32_t WaveLeft = 20, WaveRight = 0;
    int32_t MeterLeft = 0, MeterRight = 0;
    int32_t WaveTop = 0, WaveBottom = 0, ViewBottom = 0, MeterBottom = 0;
    int32_t WaveHalf = 0, WaveQuarter = 0, WaveThreeQuarter = 0;
    double WaveScale = 0.0, MeterScale = 0.0, PixelsPerFrame = 1.0;

    // Controls placed by the layout (client coordinates; the zoom buttons are
    // relative to PanelControl, the progress bar to StBar).
    LayoutRect StBar, PanelLeft, PanelTags, PanelList, PanelControl, ScrollBar;
    LayoutRect SpdBtnInc, SpdBtnDec, ProgressBar;

    // Sizes of the two off-screen pictures.
    int32_t WaveBitmapWidth() const { return WaveRight - WaveLeft; }
    int32_t WaveBitmapHeight() const { return ViewBottom - WaveTop; }
    int32_t MeterBitmapWidth() const { return MeterRight - MeterLeft; }
    int32_t MeterBitmapHeight() const { return MeterBottom - WaveTop; }
    // Columns that count for fitting a file into the view.
    int32_t Cols() const { return WaveRight - WaveLeft - 1; }
};

ViewGeometry ComputeLayout(int32_t clientWidth, int32_t clientHeight, int32_t channelCount,
                           uint32_t frameCount);

// Seconds between ruler labels and ruler ticks per zoom level (index 0 unused).
constexpr std::array<int32_t, 12> RulerLabelStep = {0,  5,   10,  10,  20,   60,
                                                    60, 120, 300, 600, 1200, 2400};
constexpr std::array<int32_t, 12> RulerTickStep = {0, 1, 1, 1, 2, 5, 10, 10, 30, 60, 120, 240};

// "mm:ss" below an hour, "h:mm:ss" from one hour on.
std::string FormatRulerTime(int32_t seconds);

// x <-> frame <-> time at the current zoom level and scroll offset.
class FrameMapping {
public:
    FrameMapping(const ViewGeometry& g, const ProgramState& st);

    int32_t Z() const { return z_; }
    int64_t F0() const { return f0_; }
    // Bitmap column of frame f: round((f - F0) / Z).
    int64_t FrameToColumn(int64_t f) const;
    // Client x of frame f.
    int64_t FrameToX(int64_t f) const { return g_.WaveLeft + FrameToColumn(f); }
    // Frame under client x (exact integer arithmetic).
    int64_t XToFrame(int64_t x) const { return f0_ + int64_t{z_} * (x - g_.WaveLeft); }
    // Frame shown by bitmap column i.
    int64_t ColumnToFrame(int64_t i) const { return f0_ + i * z_; }
    double FrameToSeconds(int64_t f) const { return static_cast<double>(f) * frameDuration_; }
    // Bitmap column of a whole second on the ruler.
    int64_t SecondToColumn(int64_t s) const;
    // Column of frame f on the overview strip (whole file).
    int64_t FrameToStripColumn(int64_t f) const;
    // Frame at a byte offset of the decoded 16-bit PCM.
    int64_t BytesToFrame(int64_t bytes) const;

private:
    const ViewGeometry& g_;
    int32_t z_;
    int64_t f0_;
    double frameDuration_;
    int32_t samplesPerFrame_;
    int32_t channelCount_;
};

// Smallest zoom level 1..10 at which frameCount frames fit into cols columns;
// 10 when none does.
int16_t StartingZoomLevel(uint32_t frameCount, int32_t cols);

} // namespace tessivo
