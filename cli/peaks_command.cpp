// tessivo-cli peaks FILE: the per-frame peak table as CSV on stdout.
#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/commands.h"
#include "core/analysis/open_file.h"

#include <cstdio>
#include <string>

namespace tessivo::cli {

CLI::App* DeclarePeaks(CLI::App& program, FileOptions& o) {
    CLI::App* peaks = program.add_subcommand("peaks", "print the per-frame peak table as CSV");
    DeclareFileAndQuiet(*peaks, o.file, o.quiet, "the MP3 file");
    return peaks;
}

int RunPeaks(const FileOptions& o) {
    ProgramState st;
    const OpenResult r = AnalyseFile(st, st, o.file, true, TerminalProgress(o.quiet));
    EndTerminalProgress();
    if (!r.ok)
        return ReportFailure(r.message);
    if (o.quiet)
        return kExitOk;
    std::fputs("frame,maxL,minL,maxR,minR\n", stdout);
    for (uint32_t j = 0; j < st.FrameCount; ++j)
        std::printf("%u,%d,%d,%d,%d\n", j, st.PeakMaxL[j], st.PeakMinL[j], st.PeakMaxR[j],
                    st.PeakMinR[j]);
    if (std::fflush(stdout) != 0)
        return ReportFailure("Cannot write the peak table to standard output");
    return kExitOk;
}

} // namespace tessivo::cli
