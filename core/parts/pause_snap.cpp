#include "core/parts/pause_snap.h"

#include "core/analysis/time_base.h"

#include <algorithm>
#include <cmath>

namespace tessivo {

std::vector<Pause> PausesOf(const AnalysedFile& file, const PauseRules& rules) {
    std::vector<Pause> pauses;
    const size_t frames = PeakFrames(file.PeakMaxL, file.PeakMaxR, file.FrameCount);
    ForEachPause(file.PeakMaxL, file.PeakMaxR, frames, rules, [&](const Pause& p) {
        if (p.first > 0)
            pauses.push_back(p);
        return true;
    });
    return pauses;
}

PauseRules SilenceRulesOf(const StreamFacts& stream, const SettingsValues& settings) {
    return PauseRulesFor(settings.SilenceThreshold, settings.SilenceRelease, stream.FrameDuration);
}

PauseSpan SpanOf(const StreamFacts& stream, const Pause& p) {
    const TimeBase tb = TimeBaseOf(stream);
    return {FrameSeconds(tb, p.first), FrameSeconds(tb, int64_t{p.last} + 1)};
}

std::optional<PauseSpan> PauseAtCut(const AnalysedFile& file, const SettingsValues& settings,
                                    int32_t frame) {
    for (const Pause& p : PausesOf(file, SilenceRulesOf(file, settings))) {
        if (p.first > frame)
            break;
        if (frame <= p.last + 1)
            return SpanOf(file, p);
    }
    return std::nullopt;
}

namespace {

double Distance(const PauseSpan& span, double t) {
    if (t < span.start)
        return span.start - t;
    return t > span.end ? t - span.end : 0.0;
}

// The index of the pause nearest `t` within `reach`, or -1.
long NearestPause(const std::vector<PauseSpan>& spans, double t, double reach) {
    // Spans rise, so only those that end after t - reach and start before
    // t + reach can be in reach.
    const auto from = std::lower_bound(spans.begin(), spans.end(), t - reach,
                                       [](const PauseSpan& s, double v) { return s.end < v; });
    long best = -1;
    double bestDistance = 0.0, bestLength = 0.0;
    for (auto it = from; it != spans.end() && it->start <= t + reach; ++it) {
        const double d = Distance(*it, t);
        const double length = it->end - it->start;
        if (d > reach)
            continue;
        if (best < 0 || d < bestDistance || (d == bestDistance && length > bestLength)) {
            best = static_cast<long>(it - spans.begin());
            bestDistance = d;
            bestLength = length;
        }
    }
    return best;
}

} // namespace

std::vector<SnappedTime> SnapToPauses(const StreamFacts& stream, const std::vector<Pause>& pauses,
                                      const std::vector<double>& times, double reach) {
    std::vector<PauseSpan> spans;
    spans.reserve(pauses.size());
    for (const Pause& p : pauses)
        spans.push_back(SpanOf(stream, p));
    std::vector<SnappedTime> out;
    out.reserve(times.size());
    for (double t : times) {
        const long k = reach > 0.0 ? NearestPause(spans, t, reach) : -1;
        out.push_back(k < 0 ? SnappedTime{t, false}
                            : SnappedTime{spans[static_cast<size_t>(k)].Middle(), true});
    }
    return out;
}

} // namespace tessivo
