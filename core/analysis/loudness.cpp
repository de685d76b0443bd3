#include "core/analysis/loudness.h"

#include "core/analysis/time_base.h"
#include "core/analysis/true_peak.h"
#include "core/decode/mpg123_decoder.h"

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

double KWeighting::Run(const int16_t* pcm, size_t count) {
    // Direct form I with the two channels as two lanes of every variable:
    // the compiler turns each line into one vector operation, and each
    // stage's feedback is one multiply and one add. The high pass takes the
    // shelf's past outputs as its past inputs. A mono stream runs in lane 0
    // with silence in lane 1.
    const Biquad& s = shelf_;
    const Biquad& h = highPass_;
    double x1[2], x2[2], y1[2], y2[2], w1[2], w2[2], sum[2] = {0.0, 0.0};
    for (int c = 0; c < 2; ++c) {
        x1[c] = state_[0][c], x2[c] = state_[1][c], y1[c] = state_[2][c];
        y2[c] = state_[3][c], w1[c] = state_[4][c], w2[c] = state_[5][c];
    }
    const bool stereo = channels_ == 2;
    for (size_t i = 0; i < count; ++i) {
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
    return sum[0] + sum[1];
}

double KWeighting::RunSilence(size_t count) {
    static const int16_t kSilence[2 * 256] = {};
    double sum = 0.0;
    for (size_t done = 0; done < count; done += 256)
        sum += Run(kSilence, std::min<size_t>(256, count - done));
    return sum;
}

FrameEnergy KWeighting::FrameEnergies(const int16_t* pcm, size_t samples, size_t frameSamples) {
    FrameEnergy out{};
    // Samples go in unscaled; each sum is brought to full scale at the end.
    const size_t have = std::min(samples, frameSamples);
    for (size_t i = 0; i < kLoudnessSlices; ++i) {
        const size_t from = frameSamples * i / kLoudnessSlices;
        const size_t to = frameSamples * (i + 1) / kLoudnessSlices;
        const size_t given = std::clamp(have, from, to);
        const double sum =
            Run(pcm + from * static_cast<size_t>(channels_), given - from) + RunSilence(to - given);
        out[i] = static_cast<float>(sum / (32768.0 * 32768.0));
    }
    return out;
}

namespace {

double BlockLoudness(double meanSquare) {
    return meanSquare > 0.0 ? kLoudnessOffset + 10.0 * std::log10(meanSquare) : -1000.0;
}

// Frames of a part decoded afresh when it is measured as written: enough
// for the decoder to hold every byte the frames borrow from those before
// them (at most 511) and for the filter to settle.
constexpr int32_t kColdFrames = 16;

// The slice energies and the sample peak of one span, as the file plays
// through it or, `onItsOwn`, as its first frames play in a file of their own.
struct SpanMeasure {
    std::vector<double> slices;
    double peak = 0.0;
};

double FramePeak(const AnalysedFile& file, size_t j) {
    const int p = std::max({std::abs(int{file.PeakMaxL[j]}), std::abs(int{file.PeakMinL[j]}),
                            std::abs(int{file.PeakMaxR[j]}), std::abs(int{file.PeakMinR[j]})});
    return p / 32768.0;
}

double PcmPeak(const int16_t* pcm, size_t values) {
    int p = 0;
    for (size_t i = 0; i < values; ++i)
        p = std::max(p, std::abs(int{pcm[i]}));
    return p / 32768.0;
}

// The first frames of `span` decoded by a fresh decoder and filter, over the
// stored measure of those frames.
// The samples a span holds, in the decode from frame 0 of the index.
SampleWindow WindowOf(const AnalysedFile& file, const FrameSpan& span) {
    SampleWindow w;
    w.from = int64_t{span.first} * file.SamplesPerFrame + std::max<int64_t>(span.skip, 0);
    if (span.samples >= 0)
        w.to = w.from + span.samples;
    return w;
}

// A decoder over the first frames of the part as written, past the frames
// the source does not have: a fresh one for a part on its own, else one
// warmed up to give the samples the file gives there.
bool OpenColdHead(const AnalysedFile& file, const FrameSpan& span, Mpg123Decoder& dec) {
    if (!span.onItsOwn)
        return dec.OpenAtFrame(file.FileBuffer.data(), file.FileBuffer.size(), file.FramePos.data(),
                               static_cast<uint32_t>(file.IndexedFrames),
                               static_cast<uint32_t>(span.first));
    return dec.Open(file.FileBuffer.data(), file.FileBuffer.size(),
                    static_cast<size_t>(file.FramePos[static_cast<size_t>(span.first)]));
}

// The samples of frame `f` (its `samples` decoded ones) with those before
// the window's start silenced: a filter at rest stays at rest over them, so
// it starts where the part does.
const int16_t* FromWindowStart(const AnalysedFile& file, int32_t f, const int16_t* pcm,
                               size_t samples, const SampleWindow& w, std::vector<int16_t>& buf) {
    const int64_t before = w.from - int64_t{f} * file.SamplesPerFrame;
    if (before <= 0)
        return pcm;
    const auto channels = static_cast<size_t>(file.ChannelCount);
    buf.assign(pcm, pcm + samples * channels);
    std::fill_n(buf.begin(), std::min(samples, static_cast<size_t>(before)) * channels, 0);
    return buf.data();
}

// The first frames of a part as it plays written: decoded as the part file
// decodes them, through a filter that starts at rest where the part starts.
int32_t MeasureColdHead(const AnalysedFile& file, FrameSpan span, SpanMeasure& m) {
    Mpg123Decoder dec;
    if (!OpenColdHead(file, span, dec))
        return 0;
    std::vector<int16_t> buf;
    KWeighting k(static_cast<int>(file.SampleRate), file.ChannelCount);
    TruePeakMeter meter(static_cast<int>(file.SampleRate), file.ChannelCount);
    const int32_t frames = std::min(kColdFrames, span.last - span.first + 1);
    const auto channels = static_cast<size_t>(file.ChannelCount);
    m.peak = 0.0;
    for (int32_t f = 0; f < frames; ++f) {
        const int16_t* pcm = nullptr;
        size_t bytes = 0;
        if (!dec.NextFrame(pcm, bytes))
            break;
        const size_t samples = std::min(bytes / 2 / channels, size_t(file.SamplesPerFrame));
        const int16_t* in =
            FromWindowStart(file, span.first + f, pcm, samples, WindowOf(file, span), buf);
        const FrameEnergy e =
            k.FrameEnergies(in, samples, static_cast<size_t>(file.SamplesPerFrame));
        std::copy(e.begin(), e.end(), m.slices.begin() + f * ptrdiff_t{kLoudnessSlices});
        m.peak = std::max(m.peak, PcmPeak(pcm, samples * channels));
        meter.AddFrame(file, span.first + f, pcm, samples, WindowOf(file, span));
    }
    for (int32_t f = span.first + frames; f <= span.last; ++f)
        m.peak = std::max(m.peak, FramePeak(file, static_cast<size_t>(f)));
    if (span.truePeak) // of the samples the part holds only
        m.peak = meter.Peak();
    return frames;
}

SpanMeasure MeasureSpan(const AnalysedFile& file, FrameSpan span) {
    SpanMeasure m;
    const size_t first = static_cast<size_t>(span.first) * kLoudnessSlices;
    const size_t end = static_cast<size_t>(span.last + 1) * kLoudnessSlices;
    m.slices.assign(file.FrameLoudness.begin() + static_cast<ptrdiff_t>(first),
                    file.FrameLoudness.begin() + static_cast<ptrdiff_t>(end));
    for (int32_t f = span.first; f <= span.last; ++f)
        m.peak = std::max(m.peak, FramePeak(file, static_cast<size_t>(f)));
    int32_t cold = 0;
    if ((span.onItsOwn || span.truePeak) && static_cast<size_t>(span.last) < file.FramePos.size())
        cold = MeasureColdHead(file, span, m);
    if (span.truePeak) // past the frames decoded afresh, as the file plays through them
        m.peak = FramesTruePeak(file, span.first + cold, span.last, WindowOf(file, span),
                                cold > 0 ? m.peak : 0.0);
    return m;
}

// Mean squares of the 400 ms blocks (100 ms apart) of one span's samples,
// appended to `blocks`. A slice's energy counts as spread evenly over its
// samples.
void SpanBlocks(const AnalysedFile& file, const std::vector<double>& slices, const FrameSpan& span,
                std::vector<double>& blocks) {
    const size_t n = slices.size();
    std::vector<double> prefix(n + 1, 0.0);
    for (size_t i = 0; i < n; ++i)
        prefix[i + 1] = prefix[i] + slices[i];
    const double len = static_cast<double>(file.SamplesPerFrame) / kLoudnessSlices;
    // Energy of the slices' samples [0, x).
    const auto energyTo = [&](double x) {
        const size_t f = std::min(n, static_cast<size_t>(x / len));
        const double within = f < n ? (x - static_cast<double>(f) * len) / len : 0.0;
        return prefix[f] + (f < n ? within * (prefix[f + 1] - prefix[f]) : 0.0);
    };
    const double hop = file.SampleRate / 10.0;
    const double skip = static_cast<double>(std::max<int64_t>(span.skip, 0));
    const double whole = static_cast<double>(n) * len - skip;
    const double total =
        span.samples < 0 ? whole : std::min(whole, static_cast<double>(span.samples));
    for (double at = 0.0; at + 4.0 * hop <= total; at += hop)
        blocks.push_back((energyTo(skip + at + 4.0 * hop) - energyTo(skip + at)) / (4.0 * hop));
}

// The integrated loudness of blocks: the absolute gate, then the relative
// one below the mean of what passed. False when every block fell under.
bool GatedLoudness(const std::vector<double>& blocks, double& lufs) {
    double gate = kAbsoluteGate;
    for (int pass = 0; pass < 2; ++pass) {
        double sum = 0.0;
        size_t count = 0;
        for (double b : blocks)
            if (BlockLoudness(b) > gate) {
                sum += b;
                ++count;
            }
        if (count == 0)
            return false;
        lufs = BlockLoudness(sum / static_cast<double>(count));
        gate = std::max(kAbsoluteGate, lufs + kRelativeGate);
    }
    return true;
}

} // namespace

namespace {

// The loudness of `blocks` with peak `peak`.
Loudness OfBlocks(const std::vector<double>& blocks, double peak, bool truePeak) {
    Loudness out;
    out.measured = true;
    out.peak = peak;
    out.truePeak = truePeak;
    out.silent = !GatedLoudness(blocks, out.lufs);
    if (out.silent)
        out.lufs = Loudness{}.lufs;
    return out;
}

} // namespace

SpansMeasure SpansLoudnessEach(const AnalysedFile& file, const std::vector<FrameSpan>& spans) {
    SpansMeasure out;
    out.each.resize(spans.size());
    if (file.FrameLoudness.empty() || file.SampleRate <= 0 || file.SamplesPerFrame <= 0)
        return out;
    const bool truePeak =
        !spans.empty() &&
        std::all_of(spans.begin(), spans.end(), [](const FrameSpan& s) { return s.truePeak; });
    const auto frames = static_cast<int32_t>(
        std::min(file.FrameLoudness.size() / kLoudnessSlices, file.PeakMaxL.size()));
    std::vector<double> all;
    double peak = 0.0;
    for (size_t i = 0; i < spans.size(); ++i) {
        FrameSpan s = spans[i];
        s.first = std::max(s.first, 0);
        s.last = std::min(s.last, frames - 1);
        std::vector<double> blocks;
        SpanMeasure m;
        if (s.last >= s.first) {
            m = MeasureSpan(file, s);
            SpanBlocks(file, m.slices, s, blocks);
        }
        out.each[i] = OfBlocks(blocks, m.peak, s.truePeak);
        all.insert(all.end(), blocks.begin(), blocks.end());
        peak = std::max(peak, m.peak);
    }
    out.together = OfBlocks(all, peak, truePeak);
    return out;
}

Loudness SpansLoudness(const AnalysedFile& file, const std::vector<FrameSpan>& spans) {
    return SpansLoudnessEach(file, spans).together;
}

} // namespace tessivo
