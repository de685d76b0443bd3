// tessivo-cli peaks FILE: the per-frame peak table as CSV on stdout.
#include "core/analysis/open_file.h"
#include "cli/cli_progress.h"
#include "cli/commands.h"

#include <cstdio>
#include <string>

namespace tessivo::cli {

int RunPeaks(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        std::fputs("Usage: tessivo-cli peaks FILE\n", stderr);
        return 2;
    }
    ProgramState st;
    const OpenResult r = AnalyseFile(st, args[0], true, TerminalProgress());
    EndTerminalProgress();
    if (!r.ok) {
        std::fprintf(stderr, "%s\n", r.message.c_str());
        return 1;
    }
    std::fputs("frame,maxL,minL,maxR,minR\n", stdout);
    for (uint32_t j = 0; j < st.FrameCount; ++j)
        std::printf("%u,%d,%d,%d,%d\n", j, st.PeakMaxL[j], st.PeakMinL[j], st.PeakMaxR[j],
                    st.PeakMinR[j]);
    if (std::fflush(stdout) != 0) {
        std::fputs("Cannot write the peak table to standard output\n", stderr);
        return 1;
    }
    return 0;
}

} // namespace tessivo::cli
