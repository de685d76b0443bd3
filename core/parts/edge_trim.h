// Trimming the silence at the edges of the parts before a split: each ticked
// part keeps its sound and a little of the quiet around it; the rest becomes
// unticked stretches of their own, so the writer leaves them out.
#pragma once

#include "core/parts/pause_scan.h"
#include "core/state/program_state.h"

#include <cstdint>
#include <vector>

namespace tessivo {

constexpr double kDefaultTrimKeepSeconds = 0.3;

// What a part keeps: frames first..last for plain parts, the samples
// [startSample, endSample) of the time base for gapless ones; nothing when
// every frame of it is quiet.
struct TrimmedRange {
    int32_t first = 0, last = -1;
    int64_t startSample = 0, endSample = 0;
    bool silent = false;
};

// Part k's range once the quiet frames (by rules.limitSum, of any number) at
// either edge are dropped but for `keepSeconds` of them: whole frames (the
// kept quiet rounded down to frames); with `atSample`, from the first to the
// last sample at or above the threshold, widened by `keepSeconds`, within the
// part.
TrimmedRange TrimmedPartRange(const AnalysedFile& file, const PartTable& parts, int k,
                              double keepSeconds, const PauseRules& rules, bool atSample);

// Part k's length as the next split writes it: with st.TrimSilence a ticked
// part's trimmed length by the silence values (0 when it is all quiet), else
// its own.
double WrittenPartSeconds(const AnalysedFile& file, const PartTable& parts,
                          const SettingsValues& settings, int k);

// Replaces the part table of a split: every ticked part by its trimmed
// range, the stretches trimmed off as unticked parts, a silent part
// unticked. Returns the numbers (as they were) of the silent parts; `origin`
// gets, for every new part, the number it had (0 for a trimmed stretch).
std::vector<int> TrimPartEdges(const AnalysedFile& file, PartTable& parts, double keepSeconds,
                               const PauseRules& rules, bool atSample, std::vector<int>& origin);

} // namespace tessivo
