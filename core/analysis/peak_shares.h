// The pieces of a parallel peak decode, shared by CalculatePeaksParallel and
// BackgroundPeaks: decoding a share of frames with a decoder of its own, and
// the seam rule that makes the result equal the sequential decode.
//
// Every function reads the file image, frame index and stream facts of `in`
// and writes peaks of frames into `out` (sized to in.FrameCount), and their
// K-weighted energies when out.FrameLoudness is sized too.
#pragma once

#include "core/analysis/loudness.h"
#include "core/decode/mpg123_decoder.h"
#include "core/state/program_state.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tessivo {

// Frames compared at every seam between two shares.
constexpr uint32_t kSeamFrames = 32;

// maxL, minL, maxR, minR of one frame.
using FramePeak = std::array<int16_t, 4>;

// Fingerprint of the PCM of a run of frames: equal prints mean equal
// samples (a 64-bit hash over every frame's length and samples).
struct PcmPrint {
    uint64_t hash = 0;
    uint32_t frames = 0;
    void Add(const int16_t* pcm, size_t bytes);
    bool operator==(const PcmPrint&) const = default;
};

// One piece of a parallel decode.
struct Share {
    uint32_t from = 0, to = 0;              // frames [from, to)
    std::unique_ptr<Mpg123Decoder> decoder; // left just past the tail frames
    std::unique_ptr<KWeighting> weighting;  // the loudness filter running with it
    PcmPrint head;                          // the first frames decoded from `from`
    PcmPrint tail;                          // the frames after `to`, same decoder
    std::vector<FramePeak> tailPeaks;       // the tail frames' peaks
    std::vector<FrameEnergy> tailEnergy;    // and their K-weighted energies
    bool ended = false;                     // the stream ended inside the share
};

// Called after every frame decoded; false stops the decode.
using FrameTick = std::function<bool(uint32_t frame)>;

// True when `in` has frames the decoder can deliver peaks for.
bool CanDecode(const AnalysedFile& in);

// Decodes every frame from FramePos[0] in order (out already sized, all 0).
// False when `tick` stopped it.
bool DecodeSequential(const AnalysedFile& in, PeakTable& out, const FrameTick& tick);

// Shares of about equal size, each starting at an indexed frame; the last one
// runs to the end of the table.
std::vector<Share> PlanShares(uint32_t frames, uint32_t indexed, uint32_t shares);

// Decodes one share with a decoder of its own (started a few frames early so
// it is warm), keeping its head print and, unless it is the last share, the
// print and peaks of the frames after it.
void DecodeShare(const AnalysedFile& in, PeakTable& out, Share& sh, bool last,
                 const FrameTick& tick);

// A share whose head equals, sample for sample, the previous share's tail
// was decoded as the sequential decode would.
bool SeamHolds(const Share& prev, const Share& cur);

// Seams, in order. Share 0 decoded from the first frame, like the sequential
// decode. A later share whose seam does not hold is decoded again by the
// previous share's decoder (whose state is the sequential one), or cleared
// when the stream ended before it. Calls `changed` with every share whose
// peaks were rewritten; returns how many were decoded again.
uint32_t RepairSeams(const AnalysedFile& in, PeakTable& out, std::vector<Share>& parts,
                     const FrameTick& tick = {}, const std::function<void(size_t)>& changed = {});

} // namespace tessivo
