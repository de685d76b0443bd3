#include "core/output/edge_fades.h"

#include "core/analysis/time_base.h"

#include <algorithm>
#include <cmath>

namespace tessivo {

int FadeGranules(double ms, int sampleRate) {
    if (!(ms > 0.0) || sampleRate <= 0)
        return 0;
    const double granules = ms / 1000.0 * sampleRate / mp3::kGranuleSamples;
    return std::max(1, static_cast<int>(std::lround(std::min(granules, 1e9))));
}

int RampSteps(double x, int n) {
    if (n <= 0 || x >= n)
        return 0;
    if (x <= 0.0)
        return kSilentSteps;
    // Amplitude x / n; a step is 2^(1/4).
    const long steps = std::lround(4.0 * std::log2(n / x));
    return static_cast<int>(std::min<long>(steps, kSilentSteps));
}

int EdgeSteps(const EdgeRamp& edge, int64_t j) {
    int steps = RampSteps(static_cast<double>(j) + 0.5, edge.granules);
    if (edge.seam && j >= 0 && j < static_cast<int64_t>(kSeamRampSteps.size()))
        steps = std::max(steps, kSeamRampSteps[static_cast<size_t>(j)]);
    return steps;
}

int PieceGranuleSteps(const PieceRamps& ramps, int64_t g, int64_t total) {
    return std::max(EdgeSteps(ramps.in, g), EdgeSteps(ramps.out, total - 1 - g));
}

mp3::GranuleSteps PartFade(const std::vector<uint8_t>& part, double fadeMs) {
    const mp3::StreamShape shape = mp3::ReadStreamShape(part.data(), part.size());
    const int n = FadeGranules(fadeMs, shape.sampleRate);
    const double start = static_cast<double>(shape.delay) / mp3::kGranuleSamples;
    const double end = static_cast<double>(shape.granules) -
                       static_cast<double>(shape.padding) / mp3::kGranuleSamples;
    return [n, start, end](int64_t g) {
        const double middle = static_cast<double>(g) + 0.5;
        return -std::max(RampSteps(middle - start, n), RampSteps(end - middle, n));
    };
}

GranuleSpan MutedGranules(const StreamFacts& source, const MuteRange& range) {
    const TimeBase tb = TimeBaseOf(source);
    // A decoded sample lags the granule grid by the decoder's delay.
    const auto boundary = [&tb](double seconds) {
        const double grid = static_cast<double>(tb.zeroSample - kDecoderDelay) + seconds * tb.rate;
        return static_cast<int64_t>(std::llround(grid / mp3::kGranuleSamples));
    };
    GranuleSpan span{boundary(range.from), boundary(range.to)};
    span.end = std::max(span.first, span.end);
    return span;
}

std::vector<GranuleSpan> MutedGranules(const StreamFacts& source,
                                       const std::vector<MuteRange>& ranges) {
    std::vector<GranuleSpan> spans;
    for (const MuteRange& r : ranges)
        spans.push_back(MutedGranules(source, r));
    return spans;
}

std::vector<GranuleSpan> MutedGranules(const StreamFacts& stream, const PartTable& parts) {
    std::vector<MuteRange> ranges;
    for (const MutedStretch& m : parts.Muted)
        ranges.push_back({FrameSeconds(stream, m.first), FrameSeconds(stream, m.end)});
    return MutedGranules(stream, ranges);
}

int MuteRampGranules(int sampleRate) {
    if (sampleRate <= 0)
        return 0;
    // The ramp and half a granule of the decoder's overlap within 50 ms.
    const double granuleMs = 1000.0 * mp3::kGranuleSamples / sampleRate;
    return std::max(0, static_cast<int>(std::floor(50.0 / granuleMs - 1.0)));
}

int MuteSteps(const std::vector<GranuleSpan>& muted, int64_t k, int rampGranules) {
    int steps = 0;
    for (const GranuleSpan& m : muted) {
        if (k < m.first || k >= m.end)
            continue;
        const int64_t inside = std::min(k - m.first, m.end - 1 - k);
        steps = std::max(steps, inside >= rampGranules
                                    ? kSilentSteps
                                    : RampSteps(rampGranules - inside - 0.5, rampGranules));
    }
    return steps;
}

StreamFader::StreamFader(const FadeChoice& choice, int sampleRate, size_t pieces)
    : choice_(choice), fadeGranules_(FadeGranules(choice.fadeMs, sampleRate)), pieces_(pieces),
      muteRamp_(MuteRampGranules(sampleRate)) {}

void StreamFader::AddPiece(int64_t granules, int64_t sourceFirst) {
    lengths_.push_back(granules);
    firsts_.push_back(sourceFirst);
}

int StreamFader::Next() {
    while (piece_ < lengths_.size() && inPiece_ >= lengths_[piece_]) {
        ++piece_;
        inPiece_ = 0;
    }
    if (piece_ >= lengths_.size())
        return 0;
    PieceRamps ramps;
    ramps.in = {fadeGranules_, choice_.seams && piece_ > 0};
    ramps.out = {fadeGranules_, choice_.seams && piece_ + 1 < pieces_};
    const int64_t g = inPiece_++;
    return std::max(PieceGranuleSteps(ramps, g, lengths_[piece_]),
                    MuteSteps(choice_.muted, firsts_[piece_] + g, muteRamp_));
}

} // namespace tessivo
