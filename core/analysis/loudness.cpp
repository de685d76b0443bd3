#include "core/analysis/loudness.h"

#include "core/parts/part_access.h"

#include <algorithm>
#include <cmath>

namespace tessivo {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kAbsoluteGate = -70.0; // LUFS
constexpr double kRelativeGate = -10.0; // LU below the mean of the blocks above the absolute gate
constexpr double kLoudnessOffset = -0.691;

} // namespace

KWeighting::KWeighting(int sampleRate, int channels) : channels_(std::clamp(channels, 1, 2)) {
    const double fs = sampleRate > 0 ? sampleRate : 48000;
    // The head's acoustic effect: a high shelf of about +4 dB above 1.7 kHz.
    {
        const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
        const double k = std::tan(kPi * f0 / fs);
        const double vh = std::pow(10.0, gainDb / 20.0);
        const double vb = std::pow(vh, 0.4996667741545416);
        const double a0 = 1.0 + k / q + k * k;
        shelf_ = {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0,
                  (vh - vb * k / q + k * k) / a0, 2.0 * (k * k - 1.0) / a0,
                  (1.0 - k / q + k * k) / a0};
    }
    // The revised low-frequency B curve: a second-order high pass near 38 Hz.
    {
        const double f0 = 38.13547087602444, q = 0.5003270373238773;
        const double k = std::tan(kPi * f0 / fs);
        const double a0 = 1.0 + k / q + k * k;
        highPass_ = {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    }
}

float KWeighting::FrameEnergy(const int16_t* pcm, size_t samples) {
    // Direct form I with the two channels as two lanes of every variable:
    // the compiler turns each line into one vector operation, and each
    // stage's feedback is one multiply and one add. The high pass takes the
    // shelf's past outputs as its past inputs. Samples go in unscaled; the
    // sum is brought to full scale at the end. A mono stream runs in lane 0
    // with silence in lane 1.
    const Biquad& s = shelf_;
    const Biquad& h = highPass_;
    double x1[2], x2[2], y1[2], y2[2], w1[2], w2[2], sum[2] = {0.0, 0.0};
    for (int c = 0; c < 2; ++c) {
        x1[c] = state_[0][c], x2[c] = state_[1][c], y1[c] = state_[2][c];
        y2[c] = state_[3][c], w1[c] = state_[4][c], w2[c] = state_[5][c];
    }
    const bool stereo = channels_ == 2;
    for (size_t i = 0; i < samples; ++i) {
        const double x[2] = {double(pcm[stereo ? 2 * i : i]),
                             stereo ? double(pcm[2 * i + 1]) : 0.0};
        for (int c = 0; c < 2; ++c) {
            const double y =
                s.b0 * x[c] + s.b1 * x1[c] + s.b2 * x2[c] - s.a2 * y2[c] - s.a1 * y1[c];
            const double w = h.b0 * y + h.b1 * y1[c] + h.b2 * y2[c] - h.a2 * w2[c] - h.a1 * w1[c];
            x2[c] = x1[c], x1[c] = x[c], y2[c] = y1[c], y1[c] = y, w2[c] = w1[c], w1[c] = w;
            sum[c] += w * w;
        }
    }
    for (int c = 0; c < 2; ++c) {
        state_[0][c] = x1[c], state_[1][c] = x2[c], state_[2][c] = y1[c];
        state_[3][c] = y2[c], state_[4][c] = w1[c], state_[5][c] = w2[c];
    }
    return static_cast<float>((sum[0] + sum[1]) / (32768.0 * 32768.0));
}

namespace {

double BlockLoudness(double meanSquare) {
    return meanSquare > 0.0 ? kLoudnessOffset + 10.0 * std::log10(meanSquare) : -1000.0;
}

// Mean squares of the 400 ms blocks (100 ms apart) of one span, appended to
// `blocks`. A frame's energy counts as spread evenly over its samples.
void SpanBlocks(const AnalysedFile& file, FrameSpan span, std::vector<double>& blocks) {
    const int32_t frames = static_cast<int32_t>(file.FrameLoudness.size());
    span.first = std::max(span.first, 0);
    span.last = std::min(span.last, frames - 1);
    if (span.last < span.first || file.SampleRate <= 0 || file.SamplesPerFrame <= 0)
        return;
    const size_t n = static_cast<size_t>(span.last - span.first + 1);
    std::vector<double> prefix(n + 1, 0.0);
    for (size_t i = 0; i < n; ++i)
        prefix[i + 1] = prefix[i] + file.FrameLoudness[static_cast<size_t>(span.first) + i];
    const double spf = file.SamplesPerFrame;
    // Energy of the span's samples [0, x).
    const auto energyTo = [&](double x) {
        const size_t f = std::min(n, static_cast<size_t>(x / spf));
        const double within = f < n ? (x - static_cast<double>(f) * spf) / spf : 0.0;
        return prefix[f] + (f < n ? within * (prefix[f + 1] - prefix[f]) : 0.0);
    };
    const double hop = file.SampleRate / 10.0;
    const double total = static_cast<double>(n) * spf;
    for (double at = 0.0; at + 4.0 * hop <= total; at += hop)
        blocks.push_back((energyTo(at + 4.0 * hop) - energyTo(at)) / (4.0 * hop));
}

} // namespace

Loudness SpansLoudness(const AnalysedFile& file, const std::vector<FrameSpan>& spans) {
    Loudness out;
    if (file.FrameLoudness.empty())
        return out;
    out.measured = true;
    std::vector<double> blocks;
    for (const FrameSpan& s : spans) {
        SpanBlocks(file, s, blocks);
        for (int32_t f = std::max(s.first, 0);
             f <= s.last && static_cast<size_t>(f) < file.PeakMaxL.size(); ++f) {
            const auto j = static_cast<size_t>(f);
            const int p =
                std::max({std::abs(int{file.PeakMaxL[j]}), std::abs(int{file.PeakMinL[j]}),
                          std::abs(int{file.PeakMaxR[j]}), std::abs(int{file.PeakMinR[j]})});
            out.peak = std::max(out.peak, p / 32768.0);
        }
    }
    // The absolute gate, then the relative one below the mean of what passed.
    double sum = 0.0;
    size_t count = 0;
    for (double b : blocks)
        if (BlockLoudness(b) > kAbsoluteGate) {
            sum += b;
            ++count;
        }
    if (count == 0)
        return out;
    const double gate = std::max(kAbsoluteGate, BlockLoudness(sum / count) + kRelativeGate);
    sum = 0.0;
    count = 0;
    for (double b : blocks)
        if (BlockLoudness(b) > gate) {
            sum += b;
            ++count;
        }
    if (count == 0)
        return out;
    out.silent = false;
    out.lufs = BlockLoudness(sum / count);
    return out;
}

Loudness PartLoudness(const ProgramState& st, int k) {
    return SpansLoudness(st, {FrameSpan{PartFirstFrame(st, k), PartLastFrame(st, k)}});
}

Loudness TickedPartsLoudness(const ProgramState& st) {
    std::vector<FrameSpan> spans;
    for (int k = 1; k <= PartCount(st); ++k)
        if (PartTicked(st, k))
            spans.push_back({PartFirstFrame(st, k), PartLastFrame(st, k)});
    return SpansLoudness(st, spans);
}

} // namespace tessivo
