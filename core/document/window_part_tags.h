// The tags a window split writes in ID3v2 formats: the source's tag, with
// what the tag panel changed in each part's slot on top of it.
#pragma once

#include "core/output/part_tag.h"
#include "core/state/program_state.h"

namespace tessivo {

// Every part starts from MakePartTags(st, source). A field of part k's slot
// (title, artist, album, year, comment, genre, track) replaces the part's field
// when it is not empty and differs from what the slot would hold for that
// field (its Latin-1 form cut to the slot's width): the user changed it. So
// an untouched slot keeps the source's full Unicode texts.
PartTags WindowPartTags(const ProgramState& st, SourceTag source);

} // namespace tessivo
