// The decoded samples of a few frames, for the waveform's finest zoom levels,
// where a screen column stands for less than a frame and the per-frame peak
// table says too little. Counted in the samples of the time base
// (core/analysis/time_base.h), so a column, a cut line and a typed time all
// meet at the same sample.
#pragma once

#include "core/state/program_state.h"

#include <cstdint>
#include <vector>

namespace tessivo {

struct SampleStretch {
    const uint8_t* file = nullptr; // the file image decoded (identity only)
    uint32_t firstFrame = 0;       // frames [firstFrame, endFrame) decoded
    uint32_t endFrame = 0;
    int64_t firstSample = 0; // time-base sample of the first decoded one
    int channels = 0;
    std::vector<int16_t> pcm; // interleaved, channel 1 first

    int64_t count() const { return channels > 0 ? static_cast<int64_t>(pcm.size()) / channels : 0; }
};

// Decodes frames [first, end) of the open file (clipped to its frames), with
// the decoder's warm-up before them so they sound as in a decode from the
// start. Empty (no samples) when nothing can be decoded.
SampleStretch DecodeFrameStretch(const AnalysedFile& file, uint32_t first, uint32_t end);

// Whether `s` holds frames [first, end) of `file`.
bool StretchHolds(const SampleStretch& s, const LoadedFile& file, uint32_t first, uint32_t end);

// The smallest and largest sample of channel `channel` among time-base
// samples [from, to) that `s` holds; false when it holds none of them.
bool SampleExtremes(const SampleStretch& s, int64_t from, int64_t to, int channel, int16_t& lo,
                    int16_t& hi);

} // namespace tessivo
