#include "core/analysis/sample_stretch.h"

#include "core/analysis/time_base.h"
#include "core/decode/mpg123_decoder.h"

#include <algorithm>

namespace tessivo {

SampleStretch DecodeFrameStretch(const AnalysedFile& file, uint32_t first, uint32_t end) {
    SampleStretch out;
    const uint32_t frames = std::min<uint32_t>(file.FrameCount, file.FramePos.size());
    end = std::min(end, frames);
    if (first >= end || file.FileBuffer.empty() || file.SamplesPerFrame <= 0)
        return out;
    Mpg123Decoder dec;
    if (!dec.OpenAtFrame(file.FileBuffer.data(), file.FileBuffer.size(), file.FramePos.data(),
                         frames, first))
        return out;
    out.file = file.FileBuffer.data();
    out.firstFrame = first;
    out.firstSample = FrameStartSample(TimeBaseOf(file), first);
    out.channels = dec.Channels() > 0 ? dec.Channels() : std::max(1, file.ChannelCount);
    out.pcm.reserve(static_cast<size_t>(end - first) * file.SamplesPerFrame * out.channels);
    uint32_t f = first;
    for (; f < end; ++f) {
        const int16_t* pcm = nullptr;
        size_t bytes = 0;
        if (!dec.NextFrame(pcm, bytes))
            break;
        out.pcm.insert(out.pcm.end(), pcm, pcm + bytes / sizeof(int16_t));
    }
    out.endFrame = f;
    return out;
}

bool StretchHolds(const SampleStretch& s, const LoadedFile& file, uint32_t first, uint32_t end) {
    return s.file != nullptr && s.file == file.FileBuffer.data() && s.firstFrame <= first &&
           end <= s.endFrame;
}

bool SampleExtremes(const SampleStretch& s, int64_t from, int64_t to, int channel, int16_t& lo,
                    int16_t& hi) {
    const int64_t a = std::max<int64_t>(from - s.firstSample, 0);
    const int64_t b = std::min<int64_t>(to - s.firstSample, s.count());
    if (a >= b || channel < 0 || channel >= s.channels)
        return false;
    lo = INT16_MAX;
    hi = INT16_MIN;
    for (int64_t i = a; i < b; ++i) {
        const int16_t v = s.pcm[static_cast<size_t>(i * s.channels + channel)];
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    return true;
}

} // namespace tessivo
