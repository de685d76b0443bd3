// Loudness after ITU-R BS.1770 from what the peak decode keeps per frame: the
// K-weighted energy of every frame (both channels summed). A part's
// integrated loudness gates 400 ms blocks (100 ms apart) built from the
// energies of its frames, so any set of parts is measured without decoding
// again.
#pragma once

#include "core/state/program_state.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessivo {

// The K-weighting filter (high shelf, then high pass) of one decoder run,
// designed for the stream's sampling rate.
class KWeighting {
public:
    KWeighting(int sampleRate, int channels);
    // Filters the interleaved 16-bit samples of one frame (`samples` per
    // channel) and returns the sum of their squares over both channels, in
    // full-scale units.
    float FrameEnergy(const int16_t* pcm, size_t samples);

private:
    struct Biquad {
        double b0, b1, b2, a1, a2;
    };
    Biquad shelf_{}, highPass_{};
    int channels_;
    // Past inputs, shelf outputs and high-pass outputs (two each), per channel.
    double state_[6][2]{};
};

// Loudness of a run of frames: integrated (LUFS, gated) and the sample peak
// (full scale 1.0). `measured` is false when the peak decode kept no
// energies, `silent` when every block fell under the gate.
struct Loudness {
    bool measured = false;
    bool silent = true;
    double lufs = -70.0;
    double peak = 0.0;
};

// Frames [first, last] inclusive of one part.
struct FrameSpan {
    int32_t first = 0, last = -1;
};

// The loudness of the frames of all `spans` together (one span: a part;
// several: an album of parts, every block of each gated together).
Loudness SpansLoudness(const AnalysedFile& file, const std::vector<FrameSpan>& spans);

// Loudness of part k, and of all ticked parts together.
Loudness PartLoudness(const ProgramState& st, int k);
Loudness TickedPartsLoudness(const ProgramState& st);

} // namespace tessivo
