// Fades without re-encoding: every granule's global_gain lowered by a ramp
// of whole 1.5 dB steps. A fade in or out over a piece's edge follows a
// linear ramp of the amplitude from silence at the edge to the piece's own
// level; a seam between two joined pieces gets a short gentle ramp on both
// sides, so the decoder's overlap of the last granule before it with the
// first after it does not jump.
#pragma once

#include "core/state/program_state.h"
#include "mp3/frame_gain.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tessivo {

// The seam ramp: how many steps the granules nearest a seam are lowered,
// innermost first, on each side. Measured on joins of loud pink noise,
// full-scale sines and a square wave cut mid-wave: with these the decoded
// peak within 50 ms of the seam stays below the louder piece's own peak;
// three or four granules let a full-scale sine overshoot it a little.
constexpr std::array<int, 5> kSeamRampSteps{12, 8, 4, 2, 1};

// A lowering that silences any granule (the gain clamps at 0).
constexpr int kSilentSteps = 255;

// The granules of a fade of `ms` at `sampleRate`, rounded to whole granules.
int FadeGranules(double ms, int sampleRate);

// How far a granule whose middle lies `x` granules inside the edge is lowered
// by an n-granule fade: the linear amplitude ramp's value there, in whole
// steps (kSilentSteps at or outside the edge, 0 from n on or when n is 0).
int RampSteps(double x, int n);

// The lowering at one edge of a piece: a fade of `granules`, the seam ramp,
// or both (the deeper of the two at each granule).
struct EdgeRamp {
    int granules = 0;
    bool seam = false;
};
// Granule j (0 nearest the edge).
int EdgeSteps(const EdgeRamp& edge, int64_t j);

// Both edges of a piece of `total` granules: the steps granule g is lowered.
struct PieceRamps {
    EdgeRamp in, out;
};
int PieceGranuleSteps(const PieceRamps& ramps, int64_t g, int64_t total);

// The fade in and out over `fadeMs` of one part file's bytes (an Info frame,
// then its frames): the ramps start where the part's played audio starts
// and ends, after the encoder delay and before the padding its Info frame
// gives.
mp3::GranuleSteps PartFade(const std::vector<uint8_t>& part, double fadeMs);

// A stretch of the source to silence, in seconds of its time base
// (core/analysis/time_base.h).
struct MuteRange {
    double from = 0.0, to = 0.0;
};

// Granules [first, end) of a source, counted from its frame 0.
struct GranuleSpan {
    int64_t first = 0, end = 0;
};

// The source granules a range covers: each edge on the granule boundary
// nearest to it, the decoder's delay taken into account.
GranuleSpan MutedGranules(const StreamFacts& source, const MuteRange& range);
std::vector<GranuleSpan> MutedGranules(const StreamFacts& source,
                                       const std::vector<MuteRange>& ranges);

// The stretches the window muted (PartTable::Muted) as source granules, each
// from the time its frames start.
std::vector<GranuleSpan> MutedGranules(const StreamFacts& stream, const PartTable& parts);

// Granules of the ramp just inside each edge of a muted stretch: as many as
// leave the stretch silent from 50 ms after its start to 50 ms before its end.
int MuteRampGranules(int sampleRate);

// How far source granule k is lowered by the muted stretches: silent inside,
// a short fade out to silence just inside each edge; 0 outside.
int MuteSteps(const std::vector<GranuleSpan>& muted, int64_t k, int rampGranules);

// How the pieces of one file out are faded: `fadeMs` at both edges of every
// piece, the seam ramp at every join, and the muted stretches of the source
// (the pieces must then all be of that one source).
struct FadeChoice {
    double fadeMs = 0.0;
    bool seams = false;
    std::vector<GranuleSpan> muted;
    bool Any() const { return fadeMs > 0.0 || seams || !muted.empty(); }
};

// The lowering of every granule of a stream of pieces, granule by granule in
// order. Pieces are added (with their length in granules) before their
// granules are asked for.
class StreamFader {
public:
    StreamFader(const FadeChoice& choice, int sampleRate, size_t pieces);
    // A piece of `granules` that starts at granule `sourceFirst` of its source.
    void AddPiece(int64_t granules, int64_t sourceFirst);
    // The steps of the next granule of the stream.
    int Next();

private:
    FadeChoice choice_;
    int fadeGranules_ = 0;
    size_t pieces_ = 0;
    int muteRamp_ = 0;
    std::vector<int64_t> lengths_, firsts_;
    size_t piece_ = 0;
    int64_t inPiece_ = 0;
};

} // namespace tessivo
