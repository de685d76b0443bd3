// The loudness of the parts as they are written: measured on the analysed
// file's frames through the spans the parts cover.
#pragma once

#include "core/analysis/loudness.h"
#include "core/state/program_state.h"

namespace tessivo {

// Loudness of part k, and of all ticked parts together, as the file plays
// through them.
Loudness PartLoudness(const AnalysedFile& file, const PartTable& parts, int k);
Loudness TickedPartsLoudness(const AnalysedFile& file, const PartTable& parts);

// Part k as written: the samples a player gives (in the decode from frame 0
// of the index, as the parts' LAME tags trim them: a gapless part's exact
// cut, a plain part's whole frames); a plain part's frames decoded on their
// own, as players decode them (an Info frame in front of them is skipped
// and lends them no bytes). The peak is the true peak.
FrameSpan WrittenSpan(const AnalysedFile& file, const PartTable& parts, int k, bool gapless);

} // namespace tessivo
