// tessivo-cli info FILE: the stream text and the frame facts of one file.
#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/commands.h"
#include "core/analysis/frame_index.h"
#include "core/analysis/frame_viewer_data.h"
#include "core/analysis/open_file.h"
#include "mp3/frame_header.h"

#include <algorithm>

#include <cstdio>
#include <string>

namespace tessivo::cli {

namespace {

void PrintFacts(const ProgramState& st) {
    std::printf("%s\n", StreamInfoText(st).c_str());
    std::printf("file size: %llu\n", static_cast<unsigned long long>(st.FileSize));
    std::printf("frames: %u\n", st.FrameCount);
    std::printf("indexed frames: %d\n", st.IndexedFrames);
    std::printf("first frame offset: %lld\n", static_cast<long long>(st.FirstFramePos));
    std::printf("samples per frame: %d\n", st.SamplesPerFrame);
    std::printf("frame duration: %.9g\n", st.FrameDuration);
    std::printf("sample rate: %u\n", st.SampleRate);
    std::printf("channels: %d\n", st.ChannelCount);
    std::printf("decoded length: %llu\n", static_cast<unsigned long long>(st.DecodedLength));
    std::printf("duration: %.6f\n", st.Duration);
    std::printf("samples: %lld\n", static_cast<long long>(st.AudioSamples));
    std::printf("first sample at: %lld\n", static_cast<long long>(st.TimeZeroSample));
    std::printf("crc protected: %s\n", st.CrcProtected ? "yes" : "no");
    if (st.HasId3v2)
        std::printf("id3v2 size: %d\n", st.Id3v2Size);
    else
        std::printf("id3v2 size: none\n");
    std::printf("id3v1: %s\n", st.HasId3v1 ? "yes" : "no");
    std::printf("last frame end: %lld\n",
                st.IndexedFrames > 0 ? static_cast<long long>(FrameByteEnd(
                                           st, st, static_cast<uint32_t>(st.IndexedFrames - 1)))
                                     : 0LL);
}

// One line per indexed frame: number, offset, length, and each granule's
// global gain per channel ("210/208"; one granule in MPEG-2 and 2.5).
void PrintFrameGains(const ProgramState& st) {
    std::printf("frame,offset,bytes,gain1,gain2\n");
    const int32_t frames = std::min<int32_t>(st.IndexedFrames, int32_t(st.FramePos.size()));
    for (int32_t f = 0; f < frames; ++f) {
        const std::vector<std::string> gains = GranuleGainTexts(st, st, f);
        if (gains.empty())
            continue;
        const size_t at = static_cast<size_t>(st.FramePos[static_cast<size_t>(f)]);
        mp3::Layer3Header h;
        mp3::ParseLayer3Header(st.FileBuffer.data() + at, st.FileBuffer.size() - at, h);
        std::printf("%d,%zu,%d,%s,%s\n", f, at, h.length, gains[0].c_str(),
                    gains.size() > 1 ? gains[1].c_str() : "");
    }
}

} // namespace

void DeclareFileAndQuiet(CLI::App& command, std::string& file, bool& quiet,
                         const std::string& fileHelp, const std::string& quietHelp) {
    command.add_option("FILE", file, fileHelp)->required()->type_name("");
    DeclareQuiet(command, quiet, quietHelp);
}

void DeclareQuiet(CLI::App& command, bool& quiet, const std::string& quietHelp) {
    command.add_flag("-q,--quiet", quiet, quietHelp)->disable_flag_override();
}

CLI::App* DeclareInfo(CLI::App& program, FileOptions& o) {
    CLI::App* info =
        program.add_subcommand("info", "print the stream text and the file's frame facts");
    DeclareFileAndQuiet(*info, o.file, o.quiet, "the MP3 file");
    info->add_flag("--frames", o.frames,
                   "after the facts, one line per frame: number, offset, bytes and\n"
                   "each granule's global gain per channel (1.5 dB a step), so a fade\n"
                   "can be seen")
        ->disable_flag_override();
    return info;
}

int RunInfo(const FileOptions& o) {
    ProgramState st;
    const OpenResult r = AnalyseFile(st, st, o.file, false, TerminalProgress(o.quiet));
    EndTerminalProgress();
    if (!r.ok)
        return ReportFailure(r.message);
    if (!o.quiet) {
        PrintFacts(st);
        if (o.frames)
            PrintFrameGains(st);
    }
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

} // namespace tessivo::cli
