// The cost of measuring loudness in the open's decode: the exact peak decode
// of the 60-minute file with the per-frame loudness energies and without,
// in turns in one run (best of five each), sequential and on all cores; and
// what libebur128 fed the same frames would add, for comparison.
#include "bench/bench_files.h"
#include "core/analysis/loudness.h"
#include "core/analysis/open_file.h"
#include "core/analysis/peaks.h"
#include "core/decode/mpg123_decoder.h"

#include <ebur128.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

using namespace tessivo;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& run) {
    const auto t0 = Clock::now();
    run();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Best of `runs` for each of two ways, run in turns so both see the same load.
void Compare(const char* what, int runs, const std::function<void()>& without,
             const std::function<void()>& with) {
    double a = 1e9, b = 1e9;
    for (int r = 0; r < runs; ++r) {
        a = std::min(a, Seconds(without));
        b = std::min(b, Seconds(with));
    }
    std::printf("%-34s without %7.3f s   with %7.3f s   %+6.1f%%\n", what, a, b,
                100.0 * (b - a) / a);
}

// The sequential decode feeding every frame to a libebur128 meter.
void DecodeWithEbur128(const ProgramState& st) {
    ebur128_state* m = ebur128_init(static_cast<unsigned>(st.ChannelCount), st.SampleRate,
                                    EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK);
    Mpg123Decoder dec;
    dec.Open(st.FileBuffer.data(), st.FileBuffer.size(), static_cast<size_t>(st.FramePos[0]));
    const int16_t* pcm = nullptr;
    size_t bytes = 0;
    while (dec.NextFrame(pcm, bytes))
        ebur128_add_frames_short(m, pcm, bytes / 2 / static_cast<size_t>(st.ChannelCount));
    double l = 0.0;
    ebur128_loudness_global(m, &l);
    ebur128_destroy(&m);
}

void DecodeOnly(const ProgramState& st) {
    Mpg123Decoder dec;
    dec.Open(st.FileBuffer.data(), st.FileBuffer.size(), static_cast<size_t>(st.FramePos[0]));
    const int16_t* pcm = nullptr;
    size_t bytes = 0;
    while (dec.NextFrame(pcm, bytes)) {
    }
}

} // namespace

int main() {
    const std::string path = bench::MakeHourFile();
    ProgramState st;
    if (!AnalyseFile(st, st, path, false).ok) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    std::printf("%s: %u frames\n", path.c_str(), st.FrameCount);
    Compare(
        "peak decode, one thread", 5, [&] { CalculatePeaks(st, st, {}, nullptr, false); },
        [&] { CalculatePeaks(st, st, {}, nullptr, true); });
    Compare(
        "peak decode, all cores", 5,
        [&] { CalculatePeaksParallel(st, st, 0, {}, nullptr, 0, nullptr, false); },
        [&] { CalculatePeaksParallel(st, st, 0, {}, nullptr, 0, nullptr, true); });
    const Loudness l = SpansLoudness(st, {{0, static_cast<int32_t>(st.FrameCount) - 1}});
    std::printf("integrated loudness %.2f LUFS, sample peak %.4f\n", l.lufs, l.peak);
    Compare(
        "plain decode vs libebur128 beside", 3, [&] { DecodeOnly(st); },
        [&] { DecodeWithEbur128(st); });
    return 0;
}
