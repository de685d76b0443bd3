// The cut-line table and the parts derived from it.
#pragma once

#include "core/state/program_state.h"

namespace tessivo {

// PartStart/PartEnd from the cut lines; PartStart[CutCount+1] is the end marker.
void DeriveParts(ProgramState& st);

// Orders CutLine[1..CutCount] (a position of 0 or below comes out as 0), then
// DeriveParts. Marks and tags stay with their slots.
void SortCutLines(ProgramState& st);

// Appends a cut line at `frame` with fresh marks and sorts. Returns false (and
// changes nothing) when the table is full (999 cut lines) or when `frame` is
// not at least 10 frames before the end of the file (or below 0).
bool AddCutLine(ProgramState& st, int32_t frame);

// Moves cut line k (2..CutCount) to `frame`, held at FrameCount - 10 at most,
// and sorts. Returns the number the moved line has after the sort (k itself
// when it is ignored), so a drag can keep following it.
int MoveCutLine(ProgramState& st, int k, int32_t frame);

// Removes cut line k (2..CutCount): the part before it absorbs part k and keeps
// its marks; later parts move down one number with their marks; tags stay in
// their slots. Other k are ignored.
void RemoveCutLine(ProgramState& st, int k);

// The table part of deleting a cut line from the waveform: acts only for
// 2 <= k <= CutCount, then clears the selection and removes the line. Returns
// whether it acted (the caller then refreshes the part list and the view).
bool DeleteCutLine(ProgramState& st, int k);

// Back to one part spanning the file: the table part of ClearCutLines / open.
// The caller stops playback and refreshes what it shows.
void ResetToOnePart(ProgramState& st);

} // namespace tessivo
