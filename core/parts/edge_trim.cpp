#include "core/parts/edge_trim.h"

#include "core/analysis/sample_stretch.h"
#include "core/analysis/time_base.h"
#include "core/parts/part_access.h"
#include "core/parts/part_times.h"
#include "core/parts/pause_snap.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tessivo {

namespace {

bool QuietFrame(const AnalysedFile& file, int32_t f, const PauseRules& rules) {
    const size_t frames = PeakFrames(file.PeakMaxL, file.PeakMaxR, file.FrameCount);
    return f >= 0 && static_cast<size_t>(f) < frames &&
           LevelSum(file.PeakMaxL, file.PeakMaxR, static_cast<size_t>(f)) < rules.limitSum;
}

// The first (or, with `last`, the last) sample of frame f at or above the
// threshold, as a time-base sample; the frame's edge when none is.
int64_t LoudSample(const AnalysedFile& file, int32_t f, const PauseRules& rules, bool last) {
    const TimeBase tb = TimeBaseOf(file);
    const SampleStretch s = DecodeFrameStretch(file, uint32_t(f), uint32_t(f) + 1);
    const int64_t n = s.count();
    for (int64_t j = 0; j < n; ++j) {
        const int64_t i = last ? n - 1 - j : j;
        const size_t at = static_cast<size_t>(i * s.channels);
        int32_t level = std::abs(int32_t{s.pcm[at]});
        if (s.channels > 1)
            level += std::abs(int32_t{s.pcm[at + 1]});
        if (level >= rules.limitSum)
            return s.firstSample + i;
    }
    return last ? FrameStartSample(tb, int64_t{f} + 1) - 1 : FrameStartSample(tb, f);
}

} // namespace

TrimmedRange TrimmedPartRange(const AnalysedFile& file, const PartTable& parts, int k,
                              double keepSeconds, const PauseRules& rules, bool atSample) {
    TrimmedRange r;
    const int32_t first = PartFirstFrame(parts, k), last = PartLastFrame(file, parts, k);
    int32_t a = first, b = last;
    while (a <= last && QuietFrame(file, a, rules))
        ++a;
    if (a > last) {
        r.silent = true;
        return r;
    }
    while (b > a && QuietFrame(file, b, rules))
        --b;
    const double frame = file.FrameDuration > 0.0 ? file.FrameDuration : 1.0;
    const int32_t keep = static_cast<int32_t>(std::floor(keepSeconds / frame + 1e-9));
    r.first = std::max(first, a - keep);
    r.last = std::min(last, b + keep);
    r.startSample = PartStartSample(file, parts, k);
    r.endSample = PartEndSample(file, parts, k);
    if (!atSample)
        return r;
    const TimeBase tb = TimeBaseOf(file);
    const int64_t keepSamples = std::llround(keepSeconds * tb.rate);
    r.startSample = std::max(r.startSample, LoudSample(file, a, rules, false) - keepSamples);
    r.endSample = std::min(r.endSample, LoudSample(file, b, rules, true) + 1 + keepSamples);
    return r;
}

namespace {

// Appends a record that starts at frame `start` (and, when off its frame's
// start, at `sample`), unless it would not start after the last one.
bool Append(std::vector<PartRecord>& parts, const TimeBase& tb, int32_t start, int64_t sample,
            bool ticked) {
    if (!parts.empty() && start <= parts.back().start)
        return false;
    PartRecord p;
    p.start = start;
    p.ticked = ticked;
    p.cutSample = sample >= 0 && sample != FrameStartSample(tb, start) ? sample : -1;
    parts.push_back(std::move(p));
    return true;
}

} // namespace

std::vector<int> TrimPartEdges(const AnalysedFile& file, PartTable& parts, double keepSeconds,
                               const PauseRules& rules, bool atSample, std::vector<int>& origin) {
    const TimeBase tb = TimeBaseOf(file);
    std::vector<PartRecord> kept;
    std::vector<int> silent;
    origin.clear();
    for (int k = 1; k <= PartCount(parts); ++k) {
        const PartRecord& old = PartAt(parts, k);
        const TrimmedRange r = PartTicked(parts, k)
                                   ? TrimmedPartRange(file, parts, k, keepSeconds, rules, atSample)
                                   : TrimmedRange{};
        const bool trimmed = PartTicked(parts, k) && !r.silent;
        if (r.silent)
            silent.push_back(k);
        // The part's own start, as it was: the part itself, or what is cut off.
        const bool lead = trimmed && (atSample ? r.startSample > PartStartSample(file, parts, k)
                                               : r.first > old.start);
        Append(kept, tb, old.start, old.cutSample, !lead && old.ticked && !r.silent);
        kept.back().own = old.own;
        kept.back().ownFields = old.ownFields;
        origin.push_back(lead || r.silent ? 0 : k);
        if (!trimmed)
            continue;
        const int32_t at = atSample ? int32_t(NearestFrameToSample(tb, r.startSample)) : r.first;
        if (lead && Append(kept, tb, at, atSample ? r.startSample : -1, true)) {
            kept.back().own = old.own;
            kept.back().ownFields = old.ownFields;
            origin.push_back(k);
        } else if (lead) {
            kept.back().ticked = true; // less than half a frame: kept as it was
            origin.back() = k;
        }
        const int32_t end = atSample ? int32_t(NearestFrameToSample(tb, r.endSample)) : r.last + 1;
        const bool trail = atSample ? r.endSample < PartEndSample(file, parts, k)
                                    : r.last < PartLastFrame(file, parts, k);
        const bool beforeNext = k == PartCount(parts) || end < PartFirstFrame(parts, k + 1);
        if (trail && beforeNext && end < int32_t(file.FrameCount) &&
            Append(kept, tb, end, atSample ? r.endSample : -1, false))
            origin.push_back(0);
    }
    parts.Parts = std::move(kept);
    parts.SelectedPart = 0;
    return silent;
}

double WrittenPartSeconds(const AnalysedFile& file, const PartTable& parts,
                          const SettingsValues& settings, int k) {
    const double whole = PartEndSeconds(file, parts, k) - PartStartSeconds(file, parts, k);
    if (!settings.TrimSilence || !PartTicked(parts, k))
        return whole;
    const TrimmedRange r = TrimmedPartRange(file, parts, k, kDefaultTrimKeepSeconds,
                                            SilenceRulesOf(file, settings), settings.IsGapless);
    if (r.silent)
        return 0.0;
    const TimeBase tb = TimeBaseOf(file);
    if (settings.IsGapless)
        return SampleSeconds(tb, r.endSample) - SampleSeconds(tb, r.startSample);
    return FrameSeconds(tb, int64_t{r.last} + 1) - FrameSeconds(tb, r.first);
}

} // namespace tessivo
