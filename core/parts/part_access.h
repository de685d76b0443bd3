// Reading the parts of the part table by number (1 .. PartCount): where each
// part's audio starts and ends, and whether it is ticked. Code outside the
// part model reads parts only through these.
#pragma once

#include "core/state/program_state.h"

namespace tessivo {

// Number of parts (0 while no file is open).
int PartCount(const ProgramState& st);
// First frame of part k.
int32_t PartFirstFrame(const ProgramState& st, int k);
// Last frame of part k, inclusive (first - 1 for an empty part).
int32_t PartLastFrame(const ProgramState& st, int k);
// Whether part k goes into the next split.
bool PartTicked(const ProgramState& st, int k);
// Ticks or unticks part k (outside the window's document, which ticks
// through its own edit).
void SetPartTicked(ProgramState& st, int k, bool ticked);
// Number of ticked parts.
int TickedPartCount(const ProgramState& st);

} // namespace tessivo
