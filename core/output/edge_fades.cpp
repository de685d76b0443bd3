#include "core/output/edge_fades.h"

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

StreamFader::StreamFader(const FadeChoice& choice, int sampleRate, size_t pieces)
    : choice_(choice), fadeGranules_(FadeGranules(choice.fadeMs, sampleRate)), pieces_(pieces) {}

void StreamFader::AddPiece(int64_t granules) {
    lengths_.push_back(granules);
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
    return PieceGranuleSteps(ramps, inPiece_++, lengths_[piece_]);
}

} // namespace tessivo
