// CSV cut lists as LosslessCut reads and writes them: "start,end,label" in
// seconds, one segment a line, labels quoted when needed ("" for a quote).
#pragma once

#include "core/cutlist/cut_list.h"

#include <string>

namespace tessivo {

// Segments become parts as region labels do; an empty start is 0, an empty
// end (or one equal to the start) makes a cut that runs to the next one. A
// first line whose start is not a number is a header and skipped.
CutListRead ReadCsvCutList(const std::string& bytes);

// One segment per ticked part, without header, as LosslessCut writes them.
std::string WriteCsvCutList(const FrameCutList& cuts, const TimeBase& tb, uint32_t frameCount);

} // namespace tessivo
