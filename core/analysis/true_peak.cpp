#include "core/analysis/true_peak.h"

#include "core/util/run_on_threads.h"

#include "core/decode/mpg123_decoder.h"

#include <ebur128.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

namespace tessivo {

namespace {

// The most a true peak can lie above the sample peaks around it: 6 dB, more
// than the BS.1770 interpolator can reach on any signal.
constexpr double kMostOvershoot = 2.0;

// Frames around a candidate decoded with it, so the interpolator sees the
// samples on both sides of the candidate's edges.
constexpr int32_t kContextFrames = 1;

double SamplePeakOf(const AnalysedFile& file, int32_t f) {
    const auto j = static_cast<size_t>(f);
    const int p = std::max({std::abs(int{file.PeakMaxL[j]}), std::abs(int{file.PeakMinL[j]}),
                            std::abs(int{file.PeakMaxR[j]}), std::abs(int{file.PeakMinR[j]})});
    return p / 32768.0;
}

// The true peak of frames [from, to], decoded with the warm-up the decoder
// needs for its bit reservoir. Unless the run starts where the part does,
// the frame before it goes into the meter first and is not counted: a meter
// starting on a loud sample would see a step from silence that the part
// does not hold.
double RunTruePeak(const AnalysedFile& file, int32_t from, int32_t to, const SampleWindow& window) {
    const int64_t spf = std::max(file.SamplesPerFrame, 1);
    const int32_t context = int64_t{from} * spf > window.from ? from - 1 : from;
    Mpg123Decoder dec;
    if (!dec.OpenAtFrame(file.FileBuffer.data(), file.FileBuffer.size(), file.FramePos.data(),
                         static_cast<uint32_t>(file.IndexedFrames), static_cast<uint32_t>(context)))
        return 0.0;
    TruePeakMeter meter(static_cast<int>(file.SampleRate), file.ChannelCount);
    const auto channels = static_cast<size_t>(file.ChannelCount);
    double best = 0.0;
    for (int32_t f = context; f <= to; ++f) {
        const int16_t* pcm = nullptr;
        size_t bytes = 0;
        if (!dec.NextFrame(pcm, bytes))
            break;
        meter.AddFrame(file, f, pcm, bytes / 2 / channels, window);
        if (f >= from)
            best = std::max(best, meter.LastPeak());
    }
    return best;
}

} // namespace

struct TruePeakMeter::State {
    ebur128_state* meter = nullptr;
    ~State() {
        if (meter)
            ebur128_destroy(&meter);
    }
};

TruePeakMeter::TruePeakMeter(int sampleRate, int channels)
    : state_(std::make_unique<State>()), channels_(std::clamp(channels, 1, 2)) {
    state_->meter =
        ebur128_init(static_cast<unsigned>(channels_),
                     static_cast<unsigned long>(std::max(sampleRate, 1)), EBUR128_MODE_TRUE_PEAK);
}

TruePeakMeter::~TruePeakMeter() = default;

void TruePeakMeter::Add(const int16_t* pcm, size_t samples) {
    if (state_->meter && samples > 0)
        ebur128_add_frames_short(state_->meter, pcm, samples);
}

void TruePeakMeter::AddFrame(const AnalysedFile& file, int32_t frame, const int16_t* pcm,
                             size_t samples, const SampleWindow& window) {
    const int64_t spf = file.SamplesPerFrame;
    const int64_t start = int64_t{frame} * spf;
    const int64_t from = std::clamp<int64_t>(window.from - start, 0, spf);
    const int64_t to = std::clamp<int64_t>(window.to - start, from, spf);
    const auto end = std::min(static_cast<size_t>(to), samples);
    const auto begin = std::min(static_cast<size_t>(from), end);
    Add(pcm + begin * static_cast<size_t>(channels_), end - begin);
}

namespace {

// The largest of a meter's per-channel peaks, read with `peakOf`.
using ChannelPeakFn = int (*)(ebur128_state*, unsigned int, double*);
double LargestOfChannels(ebur128_state* meter, int channels, ChannelPeakFn peakOf) {
    double most = 0.0;
    for (int c = 0; meter && c < channels; ++c) {
        double p = 0.0;
        if (peakOf(meter, static_cast<unsigned>(c), &p) == EBUR128_SUCCESS)
            most = std::max(most, p);
    }
    return most;
}

} // namespace

double TruePeakMeter::LastPeak() const {
    return LargestOfChannels(state_->meter, channels_, &ebur128_prev_true_peak);
}

double TruePeakMeter::Peak() const {
    return LargestOfChannels(state_->meter, channels_, &ebur128_true_peak);
}

namespace {

// Frames [first, last] with the largest sample peak around each, loudest
// first.
std::vector<std::pair<double, int32_t>> LoudestFirst(const AnalysedFile& file, int32_t first,
                                                     int32_t last) {
    std::vector<std::pair<double, int32_t>> order;
    for (int32_t f = first; f <= last; ++f) {
        double around = 0.0;
        for (int32_t g = std::max(first, f - 1); g <= std::min(last, f + 1); ++g)
            around = std::max(around, SamplePeakOf(file, g));
        order.emplace_back(around, f);
    }
    std::sort(order.begin(), order.end(), std::greater<>());
    return order;
}

// Runs of frames to decode: every frame that may still exceed `best`, with
// its context; runs closer than a decoder's warm-up are joined, since
// decoding the gap costs less than starting again.
std::vector<std::pair<int32_t, int32_t>>
RunsToDecode(const std::vector<std::pair<double, int32_t>>& order, double best, int32_t first,
             int32_t last) {
    std::vector<int32_t> frames;
    for (const auto& [around, f] : order) {
        if (around * kMostOvershoot <= best)
            break;
        frames.push_back(f);
    }
    std::sort(frames.begin(), frames.end());
    constexpr int32_t kJoinGap = 16;
    constexpr int32_t kLongestRun = 2048; // longer runs are split, to share them among cores
    std::vector<std::pair<int32_t, int32_t>> runs;
    for (int32_t f : frames) {
        const int32_t from = std::max(first, f - kContextFrames);
        const int32_t to = std::min(last, f + kContextFrames);
        if (!runs.empty() && from <= runs.back().second + kJoinGap &&
            runs.back().second - runs.back().first < kLongestRun)
            runs.back().second = std::max(runs.back().second, to);
        else
            runs.emplace_back(from, to);
    }
    return runs;
}

// The largest true peak of `runs`, decoded on all cores: each run has a
// decoder and a meter of its own.
double RunsTruePeak(const AnalysedFile& file, const std::vector<std::pair<int32_t, int32_t>>& runs,
                    const SampleWindow& window) {
    const size_t threads =
        std::min<size_t>(runs.size(), std::max(1u, std::thread::hardware_concurrency()));
    std::atomic<size_t> next{0};
    std::vector<double> best(threads, 0.0);
    const auto work = [&](size_t t) {
        for (size_t i = next++; i < runs.size(); i = next++)
            best[t] = std::max(best[t], RunTruePeak(file, runs[i].first, runs[i].second, window));
    };
    if (threads > 0)
        RunOnThreads(threads, work);
    return best.empty() ? 0.0 : *std::max_element(best.begin(), best.end());
}

} // namespace

double FramesTruePeak(const AnalysedFile& file, int32_t first, int32_t last,
                      const SampleWindow& window, double floor) {
    const auto frames = static_cast<int32_t>(
        std::min<size_t>(file.PeakMaxL.size(), static_cast<size_t>(file.IndexedFrames)));
    first = std::max(first, 0);
    last = std::min(last, frames - 1);
    if (last < first || file.ChannelCount < 1 || file.SampleRate <= 0)
        return floor;
    // The loudest neighbourhood first gives a peak to beat; then only the
    // frames whose sample peaks could still beat it are decoded.
    const std::vector<std::pair<double, int32_t>> order = LoudestFirst(file, first, last);
    const int32_t loudest = order.front().second;
    double best = std::max(floor, RunTruePeak(file, std::max(first, loudest - kContextFrames),
                                              std::min(last, loudest + kContextFrames), window));
    return std::max(best, RunsTruePeak(file, RunsToDecode(order, best, first, last), window));
}

} // namespace tessivo
