// The true peak (ITU-R BS.1770: the peak between the samples, found by
// oversampling) of the frames of a part. Measured when parts are written,
// not in the open's decode: only the frames whose sample peaks could hold
// the largest true peak are decoded.
#pragma once

#include "core/state/program_state.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tessivo {

// Samples [from, to) of the decode from frame 0 of the index: what a part
// holds once its LAME tag trims it.
struct SampleWindow {
    int64_t from = 0;
    int64_t to = INT64_MAX;
};

// A libebur128 true-peak meter over interleaved 16-bit samples.
class TruePeakMeter {
public:
    TruePeakMeter(int sampleRate, int channels);
    ~TruePeakMeter();
    TruePeakMeter(const TruePeakMeter&) = delete;
    TruePeakMeter& operator=(const TruePeakMeter&) = delete;
    void Add(const int16_t* pcm, size_t samples);
    // Adds the samples of frame `frame` (decoded: `samples` of `file`'s
    // frame length) that lie in `window`.
    void AddFrame(const AnalysedFile& file, int32_t frame, const int16_t* pcm, size_t samples,
                  const SampleWindow& window);
    // The largest true peak of everything added (full scale 1.0).
    double Peak() const;
    // The largest true peak of the samples of the last Add.
    double LastPeak() const;

private:
    struct State; // the library's meter
    std::unique_ptr<State> state_;
    int channels_;
};

// The true peak of the samples of frames [first, last] within `window` as
// the file plays through them, at least `floor` (a peak already known, such
// as the sample peak): frames whose neighbourhood's sample peak is too low
// to exceed what was found are not decoded.
double FramesTruePeak(const AnalysedFile& file, int32_t first, int32_t last,
                      const SampleWindow& window, double floor);

} // namespace tessivo
