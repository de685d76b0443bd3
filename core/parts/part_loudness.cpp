#include "core/parts/part_loudness.h"

#include "core/analysis/time_base.h"
#include "core/parts/part_access.h"
#include "core/parts/part_times.h"

#include <algorithm>

namespace tessivo {

namespace {

// The time-base samples a written part holds: a gapless part's exact cut, a
// plain part's whole frames, within the audio.
std::pair<int64_t, int64_t> WrittenSamples(const AnalysedFile& file, const PartTable& parts, int k,
                                           bool gapless) {
    if (gapless)
        return {PartStartSample(file, parts, k), PartEndSample(file, parts, k)};
    const TimeBase tb = TimeBaseOf(file);
    int64_t to = FrameStartSample(tb, int64_t{PartLastFrame(file, parts, k)} + 1);
    if (tb.samples > 0)
        to = std::min(to, tb.samples);
    return {std::max<int64_t>(0, FrameStartSample(tb, PartFirstFrame(parts, k))), to};
}

} // namespace

FrameSpan WrittenSpan(const AnalysedFile& file, const PartTable& parts, int k, bool gapless) {
    FrameSpan span{PartFirstFrame(parts, k), PartLastFrame(file, parts, k), !gapless, 0, -1, true};
    const TimeBase tb = TimeBaseOf(file);
    const auto [start, end] = WrittenSamples(file, parts, k, gapless);
    const int64_t from = tb.zeroSample + start;
    const int64_t to = tb.zeroSample + end;
    const int64_t spf = tb.samplesPerFrame;
    if (spf <= 0 || to <= from || from < 0)
        return span;
    // A gapless part starts and ends inside the frames holding its cuts.
    if (gapless) {
        span.first = static_cast<int32_t>(from / spf);
        span.last = static_cast<int32_t>((to - 1) / spf);
    }
    if (from < int64_t{span.first} * spf)
        return span;
    span.skip = from - int64_t{span.first} * spf;
    span.samples = to - from;
    return span;
}

Loudness PartLoudness(const AnalysedFile& file, const PartTable& parts, int k) {
    return SpansLoudness(file,
                         {FrameSpan{PartFirstFrame(parts, k), PartLastFrame(file, parts, k)}});
}

Loudness TickedPartsLoudness(const AnalysedFile& file, const PartTable& parts) {
    std::vector<FrameSpan> spans;
    for (int k = 1; k <= PartCount(parts); ++k)
        if (PartTicked(parts, k))
            spans.push_back({PartFirstFrame(parts, k), PartLastFrame(file, parts, k)});
    return SpansLoudness(file, spans);
}

} // namespace tessivo
