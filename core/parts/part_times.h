// The times of the parts, in the file's time base (core/analysis/time_base.h):
// what the part list, the status bar and the start field show.
#pragma once

#include "core/state/program_state.h"

namespace tessivo {

// The sample of the time base at which the cut at the start of part k lies,
// or -1 when it lies on its frame's start (core/analysis/time_base.h).
int64_t PartCutSample(const PartTable& parts, int k);

// Puts the cut at the start of part k (2 .. PartCount) at `sample` of the
// time base; its frame stays the one nearest to it for plain parts. Ignored
// unless that frame is the part's first.
void SetPartCutSample(const StreamFacts& stream, PartTable& parts, int k, int64_t sample);
// The same for the part that starts at `frame`, if any.
void SetCutSampleAtFrame(const StreamFacts& stream, PartTable& parts, int32_t frame,
                         int64_t sample);

// The sample at which part k starts: its cut's sample, else its first
// frame's start (0 at most for the first part).
int64_t PartStartSample(const StreamFacts& stream, const PartTable& parts, int k);
// The sample just past part k: the next part's start, the audio's end for
// the last.
int64_t PartEndSample(const StreamFacts& stream, const PartTable& parts, int k);
// Whether part k starts or ends at a sample off the frame grid.
bool PartCutOffGrid(const PartTable& parts, int k);

// Where part k (1 .. PartCount) starts, in seconds.
double PartStartSeconds(const StreamFacts& stream, const PartTable& parts, int k);
// Where part k ends (the next part's start; the end of the audio for the last).
double PartEndSeconds(const StreamFacts& stream, const PartTable& parts, int k);

} // namespace tessivo
