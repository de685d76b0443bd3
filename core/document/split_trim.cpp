// The edge trim of a split from the window: the table is trimmed for the
// writing only, and FinishSplit puts it back with the files written.
#include "core/batch/part_writing.h"
#include "core/document/document.h"
#include "core/parts/edge_trim.h"
#include "core/parts/pause_snap.h"

namespace tessivo {

void Document::TrimForWindowSplit(PartTags* tags) {
    untrimmed_.reset();
    trimOrigin_.clear();
    if (!st_.TrimSilence)
        return;
    untrimmed_ = std::make_unique<PartTable>(st_);
    PartWriting w;
    w.trimKeepSeconds = kDefaultTrimKeepSeconds;
    PartTags none;
    PlacedNotes notes;
    // Gapless parts trim at the sample, plain ones at the frame.
    TrimForSplit(st_, st_, st_, w, st_.IsGapless, tags ? *tags : none, notes, &trimOrigin_);
    silentSkipped_ = notes.silentParts;
}

} // namespace tessivo
