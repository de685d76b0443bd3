#include "core/parts/near_pauses.h"

#include "core/parts/part_access.h"
#include "core/parts/pause_scan.h"
#include "core/parts/prepare.h"
#include "core/util/time_text.h"

#include <algorithm>
#include <cmath>

namespace tessivo {

namespace {

// The pause that cut k takes in the window from..to: middle nearest to
// target, then the longer, then the earlier. `next` is the first pause whose
// middle may still lie in a window; windows only move forward, so it does too.
const Pause* NearestPause(const std::vector<Pause>& pauses, size_t& next, int64_t from, int64_t to,
                          double target) {
    while (next < pauses.size() && pauses[next].Middle() < from)
        ++next;
    const Pause* best = nullptr;
    double bestDistance = 0.0;
    for (size_t i = next; i < pauses.size() && pauses[i].Middle() <= to; ++i) {
        const double d = std::abs(pauses[i].Middle() - target);
        if (!best || d < bestDistance ||
            (d == bestDistance && pauses[i].Length() > best->Length())) {
            best = &pauses[i];
            bestDistance = d;
        }
    }
    return best;
}

// The first frame of lowest level in from..to.
int64_t QuietestFrame(std::span<const int16_t> maxL, std::span<const int16_t> maxR, int64_t from,
                      int64_t to) {
    int32_t lowest = INT32_MAX;
    for (int64_t i = from; i <= to; ++i)
        lowest = std::min(lowest, LevelSum(maxL, maxR, static_cast<size_t>(i)));
    int64_t i = from;
    while (LevelSum(maxL, maxR, static_cast<size_t>(i)) != lowest)
        ++i;
    return i;
}

} // namespace

PartLengthWindow NearPausesWindow(double lengthSeconds, int tolerancePercent,
                                  double frameDuration) {
    PartLengthWindow w;
    if (!(frameDuration > 0.0) || !(lengthSeconds > 0.0))
        return w;
    // Held far above any file (INT32_MAX frames) so the frame numbers fit.
    const double frames = std::min(lengthSeconds / frameDuration, 1e11);
    const double tol = std::clamp(tolerancePercent, 0, kMaxPauseTolerance) / 100.0;
    constexpr double eps = 1e-9; // 60 s at a 60 / n frame duration is n frames, not n + 1
    w.lo = std::max<int64_t>(1, static_cast<int64_t>(std::ceil(frames * (1.0 - tol) - eps)));
    w.hi = std::max<int64_t>(w.lo, static_cast<int64_t>(std::floor(frames * (1.0 + tol) + eps)));
    w.target = frames;
    return w;
}

NearPausesCuts FindCutsNearPauses(std::span<const int16_t> peakMaxL,
                                  std::span<const int16_t> peakMaxR, uint32_t frameCount,
                                  double frameDuration, const NearPausesSettings& settings) {
    NearPausesCuts out;
    const PartLengthWindow w =
        NearPausesWindow(settings.lengthSeconds, settings.tolerancePercent, frameDuration);
    if (w.lo == 0)
        return out;
    const auto frames = static_cast<int64_t>(PeakFrames(peakMaxL, peakMaxR, frameCount));
    const PauseRules rules =
        PauseRulesFor(settings.silenceThreshold, settings.silenceRelease, frameDuration);
    std::vector<Pause> pauses;
    ForEachPause(peakMaxL, peakMaxR, static_cast<size_t>(frames), rules, [&](const Pause& p) {
        pauses.push_back(p);
        return true;
    });
    size_t next = 0;
    int64_t prev = 0;
    while (frames - prev > w.hi && out.cuts.size() < size_t(kMaxParts - 1)) {
        const Pause* p = NearestPause(pauses, next, prev + w.lo, prev + w.hi, prev + w.target);
        prev = p ? p->Middle() : QuietestFrame(peakMaxL, peakMaxR, prev + w.lo, prev + w.hi);
        out.cuts.push_back(static_cast<int32_t>(prev));
        out.noPause.push_back(p == nullptr);
    }
    if (!out.cuts.empty() && frames - prev < w.lo) {
        out.cuts.pop_back();
        out.noPause.pop_back();
    }
    return out;
}

std::vector<bool> ApplyCutsNearPauses(const StreamFacts& stream, PartTable& parts,
                                      const NearPausesCuts& cuts) {
    FinishPreparation(stream, parts, cuts.cuts);
    std::vector<bool> flags(parts.Parts.size() + 1, false);
    for (int k = 2; k <= PartCount(parts); ++k)
        flags[k] = k - 2 < static_cast<int>(cuts.noPause.size()) && cuts.noPause[k - 2];
    return flags;
}

std::vector<bool> PrepareNearPauses(const AnalysedFile& file, PartTable& parts,
                                    const SettingsValues& settings, double lengthSeconds,
                                    int tolerancePercent) {
    NearPausesSettings s;
    s.lengthSeconds = lengthSeconds;
    s.tolerancePercent = tolerancePercent;
    s.silenceThreshold = settings.SilenceThreshold;
    s.silenceRelease = settings.SilenceRelease;
    return ApplyCutsNearPauses(
        file, parts,
        FindCutsNearPauses(file.PeakMaxL, file.PeakMaxR, file.FrameCount, file.FrameDuration, s));
}

std::string ParseNearPausesText(const std::string& text, NearPausesLength& out) {
    const size_t comma = text.find(',');
    int seconds = 0;
    if (!ParseLengthText(text.substr(0, comma), seconds))
        return "Incorrect time value!";
    int tolerance = kDefaultPauseTolerance;
    if (comma != std::string::npos) {
        std::string t = text.substr(comma + 1);
        if (!t.empty() && t.back() == '%')
            t.pop_back();
        if (t.empty() || t.size() > 2 ||
            !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return "Incorrect tolerance value!";
        tolerance = std::stoi(t);
        if (tolerance > kMaxPauseTolerance)
            return "Incorrect tolerance value!";
    }
    out.seconds = seconds;
    out.tolerancePercent = tolerance;
    return "";
}

} // namespace tessivo
