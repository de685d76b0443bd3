// The cut-line table and the parts derived from it.
#pragma once

#include "state/program_state.h"

namespace tessivo {

void DeriveParts(ProgramState& st);
void SortCutLines(ProgramState& st);
// Appends a cut line at `frame` with fresh marks and sorts. Returns false (and
// changes nothing) when the table is full (999 cut lines).
bool AddCutLine(ProgramState& st, int32_t frame);
void MoveCutLine(ProgramState& st, int k, int32_t frame);
void RemoveCutLine(ProgramState& st, int k);
// Back to one part spanning the file: the table part of ClearCutLines / open.
// The caller stops playback and refreshes what it shows.
void ResetToOnePart(ProgramState& st);

} // namespace tessivo
