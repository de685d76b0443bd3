#include "cli/one_file_output.h"

#include "cli/cli_messages.h"
#include "cli/cli_progress.h"

#include <cstdio>

namespace tessivo::cli {

SplitProgressFn WritingProgress(const ProgressFn& progress) {
    if (!progress)
        return {};
    return [progress](uint64_t done, uint64_t total) {
        progress("Writing", total ? 100.0 * double(done) / double(total) : 100.0);
    };
}

int WriteJoinedFile(std::span<const FilePiece> pieces, const std::string& path,
                    const OneFileOptions& options, bool quiet, const std::string& command,
                    const ProgressFn& progress) {
    const OneFileResult result =
        WriteOneFile(pieces, path, options, DefaultPartFileSystem(), WritingProgress(progress));
    return ReportJoinedFile(result, path, quiet, command);
}

int ReportJoinedFile(const OneFileResult& result, const std::string& path, bool quiet,
                     const std::string& command) {
    EndTerminalProgress();
    if (!result.ok)
        return ReportFailure(result.error);
    if (!quiet) {
        for (const std::string& w : result.warnings)
            std::fprintf(stderr, "tessivo-cli %s: warning: %s\n", command.c_str(), w.c_str());
        std::printf("%s\n", path.c_str());
        std::fflush(stdout);
    }
    return kExitOk;
}

} // namespace tessivo::cli
