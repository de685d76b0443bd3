// Cut lists and the part table: a cut list made elsewhere replaces the cut
// lines, ticks and titles; the table gives the cut list to write out.
#pragma once

#include "core/cutlist/cut_list.h"
#include "core/cutlist/cut_list_file.h"
#include "core/state/program_state.h"

namespace tessivo {

// Places `list` on the open file (PlaceCutList) and replaces the parts by
// fresh ones at its cuts with its ticks, the selection cleared. Every part
// inherits the file tag; a part with a title or performer in the list, or a
// list with an album or album artist, gets them as its own fields: title,
// artist (the part's performer, else the album artist, as ID3v1 has no album
// artist) and album. Returns the placed list, whose warnings say what was
// left out or merged.
FrameCutList ApplyCutList(const StreamFacts& stream, PartTable& parts, const CutList& list);

// The cut list of the table: its cut lines and ticks, with the titles and
// artists of the part tags in full UTF-8 (trailing spaces dropped; "" for a
// part without a tag).
FrameCutList CutListOfTable(const PartTable& parts);

// What a cue sheet says of the source: the file's name without folder, and
// the album and artist when every part's tag has the same one.
CutListSource CutListSourceOf(const LoadedFile& loaded, const PartTable& parts);

} // namespace tessivo
