// Shortening the long pauses of a file written as one: the frames in the
// middle of every pause longer than the most kept are left out, so the file
// plays the pause at that length; what is left of each part stays one
// chapter.
#pragma once

#include "core/output/one_file.h"
#include "core/parts/pause_scan.h"
#include "core/state/program_state.h"

#include <string>
#include <vector>

namespace tessivo {

// A stretch of frames left out, first..last inclusive.
struct DroppedStretch {
    int32_t first = 0, last = 0;
};

// For every pause by `rules` between two sounds (not one at the file's start
// or end) that lasts longer than `maxSeconds`: the frames of its middle that
// leave it as many whole frames as fit in `maxSeconds`, half of them (less
// the odd one) before the stretch. In order.
std::vector<DroppedStretch> LongPauseMiddles(const AnalysedFile& file, double maxSeconds,
                                             const PauseRules& rules);

// `pieces` of `st` with the stretches left out: a piece broken by one goes on
// as pieces of the same chapter; one wholly inside one is left out.
std::vector<FilePiece> PiecesWithout(const std::vector<FilePiece>& pieces,
                                     const std::vector<DroppedStretch>& dropped);

// "Shortened 37 pauses: 4:12.300 removed" for the stretches of a file whose
// frames last `frameSeconds`.
std::string ShortenedText(const std::vector<DroppedStretch>& dropped, double frameSeconds);

} // namespace tessivo
