#include "core/parts/prepare.h"

#include "core/analysis/time_base.h"
#include "core/parts/cut_lines.h"
#include "core/parts/near_pauses.h"
#include "core/parts/part_access.h"
#include "core/parts/part_times.h"
#include "core/parts/pause_scan.h"
#include "core/util/round_even.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tessivo {

namespace {

// Value of a text of digits, saturated far above any bound used here; -1 when
// the text is empty or holds anything but digits.
long DigitsValue(const std::string& s) {
    if (s.empty())
        return -1;
    long v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return -1;
        v = std::min(v * 10 + (c - '0'), 100000000L);
    }
    return v;
}

// The seconds of the minute and second edits (empty ones become "00"); false
// when either is not digits below 60.
bool EditSeconds(std::string& mm, std::string& ss, long& seconds) {
    if (ss.empty())
        ss = "00";
    if (mm.empty())
        mm = "00";
    const long m = DigitsValue(mm), s = DigitsValue(ss);
    if (m < 0 || s < 0 || m >= 60 || s >= 60)
        return false;
    seconds = m * 60 + s;
    return true;
}

// Whether the audio from `cut` to the end of the file is shorter than one
// second.
bool ShortLastPart(const StreamFacts& stream, int32_t cut) {
    return stream.FrameDuration > 0.0 &&
           FrameSeconds(stream, int64_t{stream.FrameCount}) - FrameSeconds(stream, cut) < 1.0;
}

} // namespace

bool HasAudioToPrepare(const StreamFacts& stream) {
    return stream.Duration >= 2.0 && stream.FrameCount != 0;
}

void FinishPreparation(const StreamFacts& stream, PartTable& parts, std::vector<int32_t> cuts,
                       bool foldShortLastPart) {
    const int64_t lastFrame = static_cast<int64_t>(stream.FrameCount) - 1;
    const auto past =
        std::find_if(cuts.begin(), cuts.end(), [&](int32_t c) { return c >= lastFrame; });
    cuts.erase(past, cuts.end());
    if (cuts.size() >= static_cast<size_t>(kMaxParts))
        cuts.resize(kMaxParts - 1);
    // A leftover under a second is no part of its own: it joins the one before.
    while (foldShortLastPart && !cuts.empty() && ShortLastPart(stream, cuts.back()))
        cuts.pop_back();
    ReplaceParts(stream, parts, cuts);
}

void PrepareEqualParts(const StreamFacts& stream, PartTable& parts, int n) {
    n = std::clamp(n, 1, kMaxParts);
    const int64_t step = RoundEven(static_cast<double>(stream.FrameCount) / n);
    std::vector<int32_t> cuts;
    for (int k = 2; k <= n; ++k)
        cuts.push_back(static_cast<int32_t>(std::min<int64_t>(step * (k - 1), INT32_MAX)));
    // Equal parts leave no leftover: when the last is under a second, all are.
    FinishPreparation(stream, parts, cuts, false);
}

void PrepareEqualTime(const StreamFacts& stream, PartTable& parts, int seconds) {
    if (seconds < 1 || !(stream.FrameDuration > 0.0)) {
        FinishPreparation(stream, parts, {});
        return;
    }
    const double countD = std::trunc(stream.Duration / seconds) + 1.0;
    const int count = static_cast<int>(std::clamp(countD, 1.0, double(kMaxParts)));
    // Each cut on the frame nearest its own time, so no rounding adds up.
    std::vector<int32_t> cuts;
    for (int k = 2; k <= count; ++k)
        cuts.push_back(static_cast<int32_t>(
            std::min<int64_t>(NearestFrameAt(stream, double(k - 1) * seconds), INT32_MAX)));
    FinishPreparation(stream, parts, cuts);
    // Cut k lies at exactly k x the length; plain parts cut at its nearest frame.
    const TimeBase tb = TimeBaseOf(stream);
    for (int k = 2; k <= PartCount(parts); ++k)
        SetPartCutSample(stream, parts, k, int64_t{k - 1} * seconds * tb.rate);
}

void PrepareBySilence(const AnalysedFile& file, PartTable& parts, const SettingsValues& settings) {
    // One cut in every pause that follows sound, where the quiet has lasted
    // the minimum pause; at most 500 cuts.
    const PauseRules rules =
        PauseRulesFor(settings.SilenceThreshold, settings.SilenceRelease, file.FrameDuration);
    const size_t frames = PeakFrames(file.PeakMaxL, file.PeakMaxR, file.FrameCount);
    std::vector<int32_t> cuts;
    ForEachPause(file.PeakMaxL, file.PeakMaxR, frames, rules, [&](const Pause& p) {
        if (p.first > 0)
            cuts.push_back(static_cast<int32_t>(p.first + rules.minFrames - 1));
        return cuts.size() < 500;
    });
    FinishPreparation(file, parts, cuts);
}

std::string CheckEqualTime(const StreamFacts& stream, std::string& mm, std::string& ss,
                           int& seconds) {
    long t = 0;
    if (!EditSeconds(mm, ss, t))
        return "Incorrect time value!";
    std::string message = CheckPartLength(stream, t);
    if (message.empty())
        seconds = static_cast<int>(t);
    return message;
}

std::string CheckPartLength(const StreamFacts& stream, long t) {
    if (t == 0)
        return "Input time value!";
    if (t >= stream.Duration)
        return "Incorrect time value!";
    if (stream.Duration / 500.0 > t) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "Too much parts (%lld) !\nPlease, increase the time value!",
                      static_cast<long long>(RoundEven(stream.Duration / t)));
        return buf;
    }
    return "";
}

PrepareOutcome PrepareByTime(const StreamFacts& stream, PartTable& parts, long seconds) {
    PrepareOutcome out;
    if (!HasAudioToPrepare(stream))
        return out;
    out.message = CheckPartLength(stream, seconds);
    if (!out.message.empty())
        return out;
    PrepareEqualTime(stream, parts, static_cast<int>(seconds));
    parts.SelectedPart = 0;
    out.acted = true;
    return out;
}

namespace {

// Split at pauses near: the length text and tolerance checked as the command
// line checks them, the length as an equal-time length is.
std::string CheckNearPauses(const StreamFacts& stream, const PrepareInput& in,
                            NearPausesLength& length) {
    std::string message =
        ParseNearPausesText(in.nearLength + "," + std::to_string(in.nearTolerance), length);
    if (message.empty())
        message = CheckPartLength(stream, length.seconds);
    return message;
}

} // namespace

std::string CheckNearPausesInput(const StreamFacts& stream, const PrepareInput& in) {
    NearPausesLength length;
    return CheckNearPauses(stream, in, length);
}

PrepareOutcome PrepareAtPausesNear(const AnalysedFile& file, PartTable& parts,
                                   const SettingsValues& settings, const PrepareInput& in) {
    PrepareOutcome out;
    NearPausesLength length;
    out.message = CheckNearPauses(file, in, length);
    if (!out.message.empty())
        return out;
    out.noPause = PrepareNearPauses(file, parts, settings, length.seconds, length.tolerancePercent);
    parts.SelectedPart = 0;
    out.acted = true;
    return out;
}

PrepareOutcome PrepareEqualPartsInput(const StreamFacts& stream, PartTable& parts,
                                      const PrepareInput& in) {
    PrepareEqualParts(stream, parts, std::clamp(in.parts, 2, 200));
    parts.SelectedPart = 0;
    PrepareOutcome out;
    out.acted = true;
    return out;
}

PrepareOutcome PrepareEqualTimeInput(const StreamFacts& stream, PartTable& parts,
                                     PrepareInput& in) {
    if (!NormaliseEqualTime(in.timeHH, in.timeMM, in.timeSS))
        return PrepareOutcome{false, "Incorrect time value!", {}, false};
    return PrepareByTime(stream, parts,
                         DigitsValue(in.timeHH) * 3600 + DigitsValue(in.timeMM) * 60 +
                             DigitsValue(in.timeSS));
}

PrepareOutcome PrepareBySilenceInput(const AnalysedFile& file, PartTable& parts,
                                     const SettingsValues& settings) {
    PrepareBySilence(file, parts, settings);
    parts.SelectedPart = 0;
    PrepareOutcome out;
    out.acted = true;
    return out;
}

bool ShowEqualPartTimeHms(const StreamFacts& stream, int n, std::string& hh, std::string& mm,
                          std::string& ss) {
    if (n < 1)
        return false;
    const int64_t length = std::max<int64_t>(RoundEven(stream.Duration / n), 0);
    const int64_t minutes = length / 60 % 60;
    hh = std::to_string(length / 3600);
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", static_cast<int>(minutes));
    mm = buf;
    std::snprintf(buf, sizeof buf, "%02d", static_cast<int>(length % 60));
    ss = buf;
    return true;
}

bool ShowEqualPartTime(const StreamFacts& stream, int n, std::string& mm, std::string& ss) {
    std::string hh, m, s;
    if (!ShowEqualPartTimeHms(stream, n, hh, m, s) || hh != "0")
        return false;
    mm = m;
    ss = s;
    return true;
}

std::string BoundedDigitsEditText(const std::string& before, const std::string& after, long bound) {
    if (after.empty())
        return after;
    if (DigitsValue(after) < 0)
        return before;
    if (DigitsValue(after) < bound)
        return after;
    std::string cut = after.substr(0, after.size() - 1);
    if (cut.empty() || DigitsValue(cut) < bound)
        return cut;
    return before;
}

std::string TimeEditText(const std::string& before, const std::string& after) {
    if (after.empty() || (after.size() <= 5 && DigitsValue(after) >= 0))
        return after;
    return before;
}

bool NormaliseEqualTime(std::string& hh, std::string& mm, std::string& ss) {
    const long h = hh.empty() ? 0 : DigitsValue(hh);
    const long m = mm.empty() ? 0 : DigitsValue(mm);
    const long s = ss.empty() ? 0 : DigitsValue(ss);
    if (h < 0 || m < 0 || s < 0)
        return false;
    const int64_t total = int64_t{h} * 3600 + int64_t{m} * 60 + s;
    if (total >= int64_t{1000} * 3600)
        return false;
    char buf[8];
    hh = std::to_string(total / 3600);
    std::snprintf(buf, sizeof buf, "%02d", static_cast<int>(total / 60 % 60));
    mm = buf;
    std::snprintf(buf, sizeof buf, "%02d", static_cast<int>(total % 60));
    ss = buf;
    return true;
}

bool IsDigitKey(int ch) {
    return (ch >= '0' && ch <= '9') || ch == 8;
}

} // namespace tessivo
