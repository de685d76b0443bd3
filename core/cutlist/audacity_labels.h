// Audacity label files: "start<TAB>end<TAB>label" lines, seconds with a
// decimal point.
#pragma once

#include "core/cutlist/cut_list.h"

#include <string>

namespace tessivo {

// A point label (start = end) is a cut; a region label a part titled by its
// label (its end opens an unticked gap). Audacity's frequency lines (they
// begin with a backslash) and blank lines are skipped.
CutListRead ReadAudacityLabels(const std::string& bytes);

// One region label per ticked part, titled by the part's title; unticked
// parts are the gaps between regions. Performers are not written.
std::string WriteAudacityLabels(const FrameCutList& cuts, const TimeBase& tb, uint32_t frameCount);

} // namespace tessivo
