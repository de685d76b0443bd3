// The tags a window split writes in ID3v2 formats: the source's tag (its
// pictures and other frames) with each part's fields from the part table.
#pragma once

#include "core/output/part_tag.h"
#include "core/state/program_state.h"

namespace tessivo {

// Part k's fields are its tag's (EffectivePartTag: the file tag with the
// part's own fields), trailing spaces dropped: an empty title is "{name} - part
// {n}", a track without a number (empty, "0") is "n/N" at writing.
PartTags WindowPartTags(const PartTable& parts, SourceTag source);

} // namespace tessivo
