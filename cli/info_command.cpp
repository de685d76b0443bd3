// tessivo-cli info FILE: the stream text and the frame facts of one file.
#include "core/analysis/frame_index.h"
#include "core/analysis/open_file.h"
#include "cli/cli_progress.h"
#include "cli/commands.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <string>

namespace tessivo::cli {

namespace {
bool g_progressShown = false;
std::mutex g_progressMutex;
} // namespace

ProgressFn TerminalProgress() {
    if (!::isatty(STDERR_FILENO))
        return {};
    return [](const char* stage, double percent) {
        std::lock_guard<std::mutex> lock(g_progressMutex);
        std::fprintf(stderr, "\r%s %5.1f%%", stage, percent);
        std::fflush(stderr);
        g_progressShown = true;
    };
}

void EndTerminalProgress() {
    std::lock_guard<std::mutex> lock(g_progressMutex);
    if (g_progressShown) {
        std::fputs("\r\033[K", stderr);
        g_progressShown = false;
    }
}

int RunInfo(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        std::fputs("Usage: tessivo-cli info FILE\n", stderr);
        return 2;
    }
    ProgramState st;
    const OpenResult r = AnalyseFile(st, args[0], false, TerminalProgress());
    EndTerminalProgress();
    if (!r.ok) {
        std::fprintf(stderr, "%s\n", r.message.c_str());
        return 1;
    }
    std::printf("%s\n", StreamInfoText(st).c_str());
    std::printf("file size: %u\n", st.FileSize);
    std::printf("frames: %u\n", st.FrameCount);
    std::printf("indexed frames: %d\n", st.IndexedFrames);
    std::printf("first frame offset: %d\n", st.FirstFramePos);
    std::printf("samples per frame: %d\n", st.SamplesPerFrame);
    std::printf("frame duration: %.9g\n", st.FrameDuration);
    std::printf("sample rate: %u\n", st.SampleRate);
    std::printf("channels: %d\n", st.ChannelCount);
    std::printf("decoded length: %llu\n", static_cast<unsigned long long>(st.DecodedLength));
    std::printf("duration: %.6f\n", st.Duration);
    std::printf("crc protected: %s\n", st.CrcProtected ? "yes" : "no");
    if (st.HasId3v2)
        std::printf("id3v2 size: %d\n", st.Id3v2Size);
    else
        std::printf("id3v2 size: none\n");
    std::printf("id3v1: %s\n", st.HasId3v1 ? "yes" : "no");
    std::printf("last frame end: %lld\n",
                st.IndexedFrames > 0 ? static_cast<long long>(FrameByteEnd(
                                           st, static_cast<uint32_t>(st.IndexedFrames - 1)))
                                     : 0LL);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace tessivo::cli
