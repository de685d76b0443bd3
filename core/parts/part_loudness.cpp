#include "core/parts/part_loudness.h"

#include "core/analysis/time_base.h"
#include "core/parts/part_access.h"
#include "core/parts/part_times.h"

#include <algorithm>

namespace tessivo {

namespace {

// The time-base samples a written part holds: a gapless part's exact cut, a
// plain part's whole frames, within the audio.
std::pair<int64_t, int64_t> WrittenSamples(const ProgramState& st, int k, bool gapless) {
    if (gapless)
        return {PartStartSample(st, st, k), PartEndSample(st, st, k)};
    const TimeBase tb = TimeBaseOf(st);
    int64_t to = FrameStartSample(tb, int64_t{PartLastFrame(st, st, k)} + 1);
    if (tb.samples > 0)
        to = std::min(to, tb.samples);
    return {std::max<int64_t>(0, FrameStartSample(tb, PartFirstFrame(st, k))), to};
}

} // namespace

FrameSpan WrittenSpan(const ProgramState& st, int k, bool gapless) {
    FrameSpan span{PartFirstFrame(st, k), PartLastFrame(st, st, k), !gapless, 0, -1, true};
    const TimeBase tb = TimeBaseOf(st);
    const auto [start, end] = WrittenSamples(st, k, gapless);
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

Loudness PartLoudness(const ProgramState& st, int k) {
    return SpansLoudness(st, {FrameSpan{PartFirstFrame(st, k), PartLastFrame(st, st, k)}});
}

Loudness TickedPartsLoudness(const ProgramState& st) {
    std::vector<FrameSpan> spans;
    for (int k = 1; k <= PartCount(st); ++k)
        if (PartTicked(st, k))
            spans.push_back({PartFirstFrame(st, k), PartLastFrame(st, st, k)});
    return SpansLoudness(st, spans);
}

} // namespace tessivo
