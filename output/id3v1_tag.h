// ID3v1 tag records and the genre table.
#pragma once

#include "state/program_state.h"

#include <string>
#include <vector>

namespace tessivo {

extern const std::vector<std::string> GenreNames; // 148 names by genre byte

// Fills every part tag slot with the source file's ID3v1 tag, or empties them
// when the file has none.
void CopySourceTag(ProgramState& st);

} // namespace tessivo
