// Progress of long operations on stderr, only when stderr is a terminal.
#pragma once

#include "core/analysis/open_file.h"

namespace tessivo::cli {

// A progress function that redraws one stderr line ("Opening file 42%"), or
// an empty function when stderr is not a terminal or `quiet` is set.
ProgressFn TerminalProgress(bool quiet);
// Ends the progress line (when one was drawn).
void EndTerminalProgress();

} // namespace tessivo::cli
