// Where the waveform, its ruler and the level meter sit in the wave view, and
// the mapping between view x, bitmap column, frame index and seconds at every
// zoom level. Plain arithmetic, no widgets: the window, the renderer,
// scrolling and the mouse all use these same functions.
#pragma once

#include "core/analysis/time_base.h"
#include "core/state/program_state.h"
#include "core/util/round_even.h"

#include <array>
#include <cstdint>
#include <string>

namespace tessivo {

// Width of each zoom button in the control panel.
constexpr int32_t kZoomButtonWidth = 25;

// Every value the drawing derives from the wave view's size, ChannelCount and
// FrameCount: the waveform's columns, the ruler below it and the level meter
// at the right edge, in the view's own coordinates.
struct ViewGeometry {
    int32_t viewWidth = 0, viewHeight = 0;
    int32_t waveLeft = 20, waveRight = 0;
    int32_t meterLeft = 0, meterRight = 0;
    int32_t waveTop = 0, waveBottom = 0, viewBottom = 0, meterBottom = 0;
    int32_t waveHalf = 0, waveQuarter = 0, waveThreeQuarter = 0;
    double waveScale = 0.0, meterScale = 0.0, pixelsPerFrame = 1.0;

    // Sizes of the two off-screen pictures.
    int32_t waveBitmapWidth() const { return waveRight - waveLeft; }
    int32_t waveBitmapHeight() const { return viewBottom - waveTop; }
    int32_t meterBitmapWidth() const { return meterRight - meterLeft; }
    int32_t meterBitmapHeight() const { return meterBottom - waveTop; }
    // Columns that count for fitting a file into the view.
    int32_t cols() const { return waveRight - waveLeft - 1; }
};

// The geometry of a wave view `width` x `height` pixels large.
ViewGeometry ComputeWaveGeometry(int32_t width, int32_t height, int32_t channelCount,
                                 uint32_t frameCount);

// A rectangle on the waveform. Its hit test counts the pixel row and column
// just past the right and bottom edge as inside, as the mouse code always has.
struct MarkRect {
    int64_t left = 0, top = 0, width = 0, height = 0;
    bool hit(int64_t x, int64_t y) const {
        return x >= left && x <= left + width && y >= top && y <= top + height;
    }
};

// Where the marks of one cut line sit, from the line's x: a bitmap column when
// drawing, a client x when testing a click (the picture's rows are the client
// area's rows). Drawing and hit tests both use this one table.
struct CutLineMarks {
    MarkRect number;     // top-left corner of the line's number
    MarkRect useBox;     // the use check box picture
    MarkRect useHit;     // where a click ticks or unticks the part
    MarkRect play;       // the play picture; a click on it plays the part
    MarkRect deleteMark; // the delete picture and its click (not on line 1)
    MarkRect grab;       // where a press grabs the line to drag it (not on line 1)
    MarkRect hover;      // where the pointer becomes the resize arrow
};
CutLineMarks CutLineMarksAt(const ViewGeometry& g, int64_t lineX);

// Top and bottom row of the overview strip below the waveform.
inline int64_t StripTop(const ViewGeometry& g) {
    return g.viewBottom - 14;
}
inline int64_t StripBottom(const ViewGeometry& g) {
    return g.viewBottom - 2;
}

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

    // Frames per column: a power of two, or any scale while zoomed to fit.
    double z() const { return z_; }
    int64_t f0() const { return f0_; }
    // Bitmap column of frame f: round((f - F0) / Z).
    int64_t frameToColumn(int64_t f) const;
    // Client x of frame f.
    int64_t frameToX(int64_t f) const { return g_.waveLeft + frameToColumn(f); }
    // Frame under client x (exact for the whole-number zoom levels).
    int64_t xToFrame(int64_t x) const { return columnToFrame(x - g_.waveLeft); }
    // Frame shown by bitmap column i.
    int64_t columnToFrame(int64_t i) const { return f0_ + RoundEven(static_cast<double>(i) * z_); }
    double frameToSeconds(int64_t f) const { return FrameSeconds(timeBase_, f); }
    // Bitmap column of a whole second on the ruler.
    int64_t secondToColumn(int64_t s) const;
    // Column of frame f on the overview strip (whole file).
    int64_t frameToStripColumn(int64_t f) const;
    // Frame at a byte offset of the decoded 16-bit PCM.
    int64_t bytesToFrame(int64_t bytes) const;

    // Below one frame per column the view shows the decoded samples; these
    // map columns to the samples of the time base (core/analysis/time_base.h).
    bool showsSamples() const { return z_ < 1.0; }
    double samplesPerColumn() const { return z_ * samplesPerFrame_; }
    // The sample at the left edge: the start of frame F0.
    int64_t firstSample() const { return FrameStartSample(timeBase_, f0_); }
    // Bitmap column of sample s: round((s - first sample) / samples per column).
    int64_t sampleToColumn(int64_t s) const;
    // First sample column i stands for.
    int64_t columnToSample(int64_t i) const;
    // Sample under client x.
    int64_t xToSample(int64_t x) const { return columnToSample(x - g_.waveLeft); }

private:
    const ViewGeometry& g_;
    double z_;
    int64_t f0_;
    TimeBase timeBase_;
    int32_t samplesPerFrame_;
    int32_t channelCount_;
};

// Bitmap column of cut line k (the start of part k): at its exact sample
// while the view shows samples, else at its frame.
int64_t CutLineColumn(const FrameMapping& m, const ProgramState& st, int k);

// Smallest zoom level 1..10 at which frameCount frames fit into cols columns;
// 10 when none does.
int16_t StartingZoomLevel(uint32_t frameCount, int32_t cols);

// The zoom level of a scale: the smallest level 1..11 whose factor reaches
// `framesPerColumn` (11 beyond). The ruler takes its steps from it.
int16_t LevelOfScale(double framesPerColumn);

// The scale that shows frameCount frames across cols columns, never below one
// frame per column.
double FitScale(uint32_t frameCount, int32_t cols);

} // namespace tessivo
