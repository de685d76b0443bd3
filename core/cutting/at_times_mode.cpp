// At times: a cut on the frame nearest each time given.
#include "core/cutting/cutting_mode.h"

#include "core/analysis/time_base.h"
#include "core/parts/cut_lines.h"
#include "core/parts/part_times.h"

#include <algorithm>

namespace tessivo {

namespace {

// The frame where a cut at `t` seconds goes (the frame boundary nearest its
// sample), or a message why it cannot.
std::string AtFrame(const StreamFacts& stream, double t, const std::vector<int32_t>& earlier,
                    int32_t& frame) {
    const std::string at = "--at " + ShortSecondsText(t) + " s ";
    if (t > stream.Duration)
        return at + "is outside the file (" + ShortSecondsText(stream.Duration) + " s long).";
    const TimeBase tb = TimeBaseOf(stream);
    const int64_t f = NearestFrameToSample(tb, NearestSampleAt(tb, t));
    if (f + 10 >= stream.FrameCount)
        return at + "is within the last 10 frames of the file; a cut must leave more.";
    if (f < 1)
        return at + "is the start of the file, where the first part begins anyway.";
    frame = static_cast<int32_t>(f);
    if (std::find(earlier.begin(), earlier.end(), frame) != earlier.end())
        return at + "falls on the same frame as an earlier time.";
    return "";
}

StepOutcome Place(const AnalysedFile& file, PartTable& parts, SettingsValues&,
                  const CuttingRule& rule, const CutList&, PlacedNotes&) {
    const std::vector<double> times = rule.at.value_or(std::vector<double>{});
    std::vector<int32_t> frames;
    for (double t : times) {
        int32_t frame = 0;
        const std::string refusal = AtFrame(file, t, frames, frame);
        if (!refusal.empty())
            return {StepStatus::usage, refusal};
        frames.push_back(frame);
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        if (!AddCutLine(file, parts, frames[i]))
            return {StepStatus::usage,
                    "Too many cut lines: at most " + std::to_string(kMaxParts) + "."};
        SetCutSampleAtFrame(file, parts, frames[i], NearestSampleAt(TimeBaseOf(file), times[i]));
    }
    return {};
}

} // namespace

const CuttingMode& AtTimesMode() {
    static const CuttingMode mode{
        .key = "at", .takes = kTakesTimes, .offered = kOnCommandLine, .place = Place};
    return mode;
}

} // namespace tessivo
