// Gapless part files: a part made of the source's own frame bytes, opened by
// an Info frame whose LAME tag tells a gapless decoder exactly which samples
// belong to the part, and by warm-up frames that give the part's first frame
// the bit reservoir and decoder state it has in the source.
#pragma once

#include "core/analysis/time_base.h"
#include "core/state/program_state.h"

#include <cstdint>
#include <vector>

namespace tessivo {

// Encoder delay assumed for a source without a LAME tag: what LAME-style
// encoders use (one MDCT granule of 576 samples).
constexpr int kAssumedEncoderDelay = 576;
// Frames that may come before the part's first frame: libmpg123 decodes at most
// this many ahead of its first output, and the 12-bit delay field must hold
// their samples.
constexpr int kMaxLeadFrames = 4;

struct GaplessPartReport {
    int silentFrames = 0;      // frames with zeroed side information put in front
    int warmupFrames = 0;      // source frames copied in front of the part
    int zeroedFrames = 0;      // the part's own frames that had to be silenced
    bool phaseMatched = true;  // frames decoded before the part's first frame
                               // have the source's decoding phase
    int delay = 0;             // LAME tag encoder delay written
    int padding = 0;           // LAME tag padding written
    uint32_t frames = 0;       // frames after the Info frame
    uint32_t audioSamples = 0; // samples a gapless decoder outputs for the part
};

// Builds the bytes of a gapless part file covering the frames firstFrame ..
// lastFrame of the frame index (no ID3v1 tag; the writer appends it). A part
// that ends with the source's last indexed frame also takes any complete
// frames that follow it in the file. Returns false, leaving `out` empty, when
// the source is not a layer III stream or the part holds no audio frame; the
// caller then writes the plain byte copy.
bool BuildGaplessPart(const AnalysedFile& st, int32_t firstFrame, int32_t lastFrame,
                      std::vector<uint8_t>& out, GaplessPartReport* report = nullptr);

// Builds a gapless part that plays exactly the samples [s0, s1) of the time
// base (core/analysis/time_base.h), 0 <= s0 < s1 <= its sample count. The
// frame that holds s0 is the part's first frame and the one that holds s1 - 1
// its last: a frame cut inside goes into both neighbours, and each part's
// LAME tag (delay at its start, padding at its end) trims what belongs to
// the other. False, `out` empty, when the source cannot be rebuilt so.
bool BuildGaplessSampleRange(const AnalysedFile& st, int64_t s0, int64_t s1,
                             std::vector<uint8_t>& out, GaplessPartReport* report = nullptr);

// As above with the number of silent frames forced (-1: chosen by the phase
// rule). Lets tests show what the phase rule buys.
bool BuildGaplessPartWithSilent(const AnalysedFile& st, int32_t firstFrame, int32_t lastFrame,
                                int silentFrames, std::vector<uint8_t>& out,
                                GaplessPartReport* report);

} // namespace tessivo
