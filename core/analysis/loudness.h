// Loudness after ITU-R BS.1770 from what the peak decode keeps per frame: the
// K-weighted energy of every frame (both channels summed). A part's
// integrated loudness gates 400 ms blocks (100 ms apart) built from the
// energies of its frames, so any set of parts is measured without decoding
// again.
#pragma once

#include "core/state/program_state.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessivo {

// The K-weighted energies of one frame's slices.
using FrameEnergy = std::array<float, kLoudnessSlices>;

// The K-weighting filter (high shelf, then high pass) of one decoder run,
// designed for the stream's sampling rate.
class KWeighting {
public:
    KWeighting(int sampleRate, int channels);
    // Filters the interleaved 16-bit samples of one frame of `frameSamples`
    // samples per channel, of which the decoder gave `samples` (the rest
    // count as silence), and stores the sums of their squares over both
    // channels, in full-scale units, one per equal slice of the frame.
    FrameEnergy FrameEnergies(const int16_t* pcm, size_t samples, size_t frameSamples);

private:
    // Filters `count` interleaved samples and returns the sum of their
    // squares (unscaled).
    double Run(const int16_t* pcm, size_t count);
    // The same for `count` samples of silence.
    double RunSilence(size_t count);
    struct Biquad {
        double b0, b1, b2, a1, a2;
    };
    Biquad shelf_{}, highPass_{};
    int channels_;
    // Past inputs, shelf outputs and high-pass outputs (two each), per channel.
    double state_[6][2]{};
};

// Loudness of a run of frames: integrated (LUFS, gated) and the peak (full
// scale 1.0): the true peak when `truePeak`, else the sample peak.
// `measured` is false when the peak decode kept no energies, `silent` when
// every block fell under the gate.
struct Loudness {
    bool measured = false;
    bool silent = true;
    double lufs = -70.0;
    double peak = 0.0;
    bool truePeak = false;
};

// Frames [first, last] inclusive of one part. `onItsOwn`: measured as the
// frames play in a file of their own (a plain part): the first ones decode
// afresh, without the bytes they borrow from frames before the part.
// `skip` and `samples` narrow it to the samples a gapless part holds: from
// `skip` samples into frame `first`, that many (-1: to the end of `last`).
// `truePeak`: measured as written, with the true peak (decoding where it
// may lie).
struct FrameSpan {
    int32_t first = 0, last = -1;
    bool onItsOwn = false;
    int64_t skip = 0, samples = -1;
    bool truePeak = false;
};

// The loudness of the frames of all `spans` together (one span: a part;
// several: an album of parts, every block of each gated together). The peak
// is a true peak when every span asks for one.
Loudness SpansLoudness(const AnalysedFile& file, const std::vector<FrameSpan>& spans);

// The same, and each span on its own, every span measured once.
struct SpansMeasure {
    std::vector<Loudness> each;
    Loudness together;
};
SpansMeasure SpansLoudnessEach(const AnalysedFile& file, const std::vector<FrameSpan>& spans);

} // namespace tessivo
