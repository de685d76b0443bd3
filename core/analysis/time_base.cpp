#include "core/analysis/time_base.h"

#include "core/util/round_even.h"
#include "mp3/info_frame.h"

#include <algorithm>
#include <cmath>

namespace tessivo {

namespace {

bool HasSamples(const TimeBase& tb) {
    return tb.rate > 0 && tb.samplesPerFrame > 0 && tb.samples > 0;
}

int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

TimeBase TimeBaseOf(const StreamFacts& s) {
    TimeBase tb;
    tb.rate = static_cast<int32_t>(s.SampleRate);
    tb.samplesPerFrame = s.SamplesPerFrame;
    tb.zeroSample = s.TimeZeroSample;
    tb.samples = s.AudioSamples;
    tb.frameDuration = s.FrameDuration;
    return tb;
}

void SetTimeBase(AnalysedFile& file) {
    file.TimeZeroSample = 0;
    file.AudioSamples = 0;
    if (file.ChannelCount <= 0 || file.SampleRate == 0 || file.IndexedFrames <= 0)
        return;
    const int64_t total =
        static_cast<int64_t>(file.DecodedLength / (2u * static_cast<uint64_t>(file.ChannelCount)));
    const size_t at = static_cast<size_t>(file.FramePos[0]);
    const mp3::SourceInfoTag tag =
        at < file.FileBuffer.size()
            ? mp3::ReadInfoTag(file.FileBuffer.data() + at, file.FileBuffer.size() - at)
            : mp3::SourceInfoTag{};
    using Kind = mp3::SourceInfoTag::Kind;
    int64_t zero = 0, end = total;
    // A gapless decoder plays no Xing/Info frame; the delay and padding of the
    // LAME tag's fields count whatever encoder wrote them (libmpg123 reads
    // them so, zeros included).
    if (tag.kind == Kind::Xing || tag.kind == Kind::Info) {
        zero = file.SamplesPerFrame;
        if (tag.hasDelayFields) {
            zero += tag.delay + kDecoderDelay;
            end -= std::max(0, tag.padding - kDecoderDelay);
        }
    }
    file.TimeZeroSample = zero;
    file.AudioSamples = std::max<int64_t>(0, end - zero);
    file.Duration = static_cast<double>(file.AudioSamples) / file.SampleRate;
}

double AudioSeconds(const TimeBase& tb) {
    return HasSamples(tb) ? static_cast<double>(tb.samples) / tb.rate : 0.0;
}

double DecodedSampleSeconds(const TimeBase& tb, int64_t decoded) {
    if (!HasSamples(tb))
        return std::max(0.0, SampleSeconds(tb, decoded));
    return SampleSeconds(tb, std::clamp<int64_t>(decoded - tb.zeroSample, 0, tb.samples));
}

double FramePositionAt(const TimeBase& tb, double seconds) {
    if (!HasSamples(tb))
        return tb.frameDuration > 0.0 ? seconds / tb.frameDuration : 0.0;
    return (seconds * tb.rate + static_cast<double>(tb.zeroSample)) / tb.samplesPerFrame;
}

double FrameSeconds(const TimeBase& tb, int64_t frame) {
    if (!HasSamples(tb))
        return std::max(0.0, static_cast<double>(frame) * tb.frameDuration);
    return DecodedSampleSeconds(tb, frame * tb.samplesPerFrame);
}

double FrameSeconds(const StreamFacts& s, int64_t frame) {
    return FrameSeconds(TimeBaseOf(s), frame);
}

int64_t NearestFrameAt(const TimeBase& tb, double seconds) {
    if (!std::isfinite(seconds))
        return -1;
    if (seconds == 0.0)
        return 0; // the file's start, Info frame and delay included
    if (!HasSamples(tb) && !(tb.frameDuration > 0.0))
        return -1;
    return RoundEven(FramePositionAt(tb, seconds));
}

int64_t NearestFrameAt(const StreamFacts& s, double seconds) {
    return NearestFrameAt(TimeBaseOf(s), seconds);
}

int64_t NearestSampleAt(const TimeBase& tb, double seconds) {
    if (!std::isfinite(seconds) || tb.rate <= 0 || std::fabs(seconds) > 1e12)
        return -1;
    return RoundEven(seconds * tb.rate);
}

double SampleSeconds(const TimeBase& tb, int64_t sample) {
    return tb.rate > 0 ? static_cast<double>(sample) / tb.rate : 0.0;
}

int64_t FrameStartSample(const TimeBase& tb, int64_t frame) {
    return frame * tb.samplesPerFrame - tb.zeroSample;
}

int64_t FrameHoldingSample(const TimeBase& tb, int64_t sample) {
    return tb.samplesPerFrame > 0 ? FloorDiv(sample + tb.zeroSample, tb.samplesPerFrame) : 0;
}

int64_t NearestFrameToSample(const TimeBase& tb, int64_t sample) {
    if (tb.samplesPerFrame <= 0)
        return 0;
    const int64_t u = sample + tb.zeroSample;
    const int64_t q = FloorDiv(u, tb.samplesPerFrame);
    const int64_t r2 = (u - q * tb.samplesPerFrame) * 2;
    return (r2 > tb.samplesPerFrame || (r2 == tb.samplesPerFrame && (q & 1))) ? q + 1 : q;
}

} // namespace tessivo
