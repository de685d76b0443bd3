// Writing pieces as one file from the command line (split --one-file and
// join): the warnings, the line naming the file, the exit status.
#pragma once

#include "core/analysis/open_file.h"
#include "core/output/one_file.h"

#include <span>
#include <string>

namespace tessivo::cli {

// Writes `pieces` as `path`; warnings go to stderr after "tessivo-cli
// COMMAND: warning: ", the path to stdout (neither with `quiet`). Returns the
// exit status.
int WriteJoinedFile(std::span<const FilePiece> pieces, const std::string& path,
                    const OneFileOptions& options, bool quiet, const std::string& command,
                    const ProgressFn& progress);
// The writing's share of `progress` ("Writing"); empty when it is.
SplitProgressFn WritingProgress(const ProgressFn& progress);
// Reports a one-file write as WriteJoinedFile does; returns the exit status.
int ReportJoinedFile(const OneFileResult& result, const std::string& path, bool quiet,
                     const std::string& command);

} // namespace tessivo::cli
