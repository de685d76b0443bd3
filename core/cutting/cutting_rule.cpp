#include "core/cutting/cutting_rule.h"

#include "core/cutting/cutting_mode.h"

#include "core/analysis/time_base.h"
#include "core/cutlist/apply_cut_list.h"
#include "core/output/id3v1_tag.h"
#include "core/output/part_tag.h"
#include "core/parts/cut_lines.h"
#include "core/parts/part_access.h"
#include "core/parts/part_times.h"
#include "core/parts/prepare.h"
#include "core/util/time_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace tessivo {

namespace {

constexpr const char* kNoParts = "No parts prepared to split.";

StepOutcome Usage(std::string message) {
    return {StepStatus::usage, std::move(message)};
}

StepOutcome Failed(std::string message) {
    return {StepStatus::failed, std::move(message)};
}

} // namespace

StepOutcome OpenForCutting(ProgramState& st, const std::string& file, const CuttingRule& rule,
                           const ProgressFn& progress, unsigned peakThreads) {
    const OpenResult opened =
        AnalyseFile(st, st, file, rule.NeedsPeaks(), progress, nullptr, peakThreads);
    if (!opened.ok)
        return Failed(opened.message);
    st.FileName = file;
    st.FileLoaded = true;
    st.SplitFileCount = 0;
    // What counts as a pause, for the mode and for snapping, trimming and shortening.
    if (rule.silencePercent) {
        st.SilenceThreshold = *rule.silencePercent;
        st.SilenceRelease = *rule.silenceMs;
    }
    ResetToOnePart(st, st);
    SetFileTag(st, st, ReadSourceTag(st));
    if (st.Duration < 2.0 || st.FrameCount == 0)
        return Failed(std::string(kNoParts) + " The file is shorter than 2 seconds.");
    return {};
}

namespace {

// The parts named are unticked; a number past the last part is a bad value.
StepOutcome SkipParts(PartTable& parts, const std::vector<int>& skip) {
    for (int k : skip)
        if (k > PartCount(parts))
            return Usage("--skip " + std::to_string(k) + ": the cut lines leave " +
                         std::to_string(PartCount(parts)) + " parts.");
    for (int k : skip)
        if (IsPartNumber(parts, k))
            parts.Parts[static_cast<size_t>(k - 1)].ticked = false;
    return {};
}

StepOutcome PlaceCutLines(const AnalysedFile& file, PartTable& parts, SettingsValues& settings,
                          const CuttingRule& rule, const CutList& list, PlacedNotes& notes) {
    if (!rule.mode || !rule.mode->place)
        return {}; // no way of cutting: the file stays one part
    return rule.mode->place(file, parts, settings, rule, list, notes);
}

} // namespace

namespace {

// A cut line at the frame nearest `seconds` unless one is there or the time
// is the file's start or end; the frame the stretch's edge falls on.
int32_t CutOutEdge(const StreamFacts& stream, PartTable& parts, double seconds) {
    const TimeBase tb = TimeBaseOf(stream);
    const int64_t sample = NearestSampleAt(tb, seconds);
    const int64_t f = NearestFrameToSample(tb, sample);
    if (f < 1)
        return 0;
    if (f + 10 >= stream.FrameCount)
        return static_cast<int32_t>(stream.FrameCount);
    const auto frame = static_cast<int32_t>(f);
    const std::vector<int32_t> lines = CutLineFrames(parts);
    if (std::find(lines.begin(), lines.end(), frame) == lines.end() &&
        AddCutLine(stream, parts, frame))
        SetCutSampleAtFrame(stream, parts, frame, sample);
    return frame;
}

StepOutcome CutOut(const StreamFacts& stream, PartTable& parts,
                   const std::vector<MuteRange>& ranges) {
    for (const MuteRange& r : ranges) {
        if (r.from >= stream.Duration)
            return Usage("--cut-out " + ShortSecondsText(r.from) + " s is outside the file (" +
                         ShortSecondsText(stream.Duration) + " s long).");
        const int32_t first = CutOutEdge(stream, parts, r.from);
        const int32_t end = CutOutEdge(stream, parts, std::min(r.to, stream.Duration));
        for (PartRecord& p : parts.Parts)
            if (p.start >= first && p.start < end)
                p.ticked = false;
    }
    return {};
}

} // namespace

bool CuttingRule::NeedsPeaks() const {
    return (mode && mode->needsPeaks) || silencePercent.has_value() || loudness || pauses;
}

std::string ShortSecondsText(double t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", t);
    return buf;
}

StepOutcome PlaceByRule(const AnalysedFile& file, PartTable& parts, SettingsValues& settings,
                        const CuttingRule& rule, const CutList& list, PlacedNotes& notes) {
    if (rule.mode || rule.cutOut.empty()) {
        const StepOutcome placed = PlaceCutLines(file, parts, settings, rule, list, notes);
        if (!placed.ok())
            return placed;
    }
    const StepOutcome skipped = SkipParts(parts, rule.skip);
    if (!skipped.ok())
        return skipped;
    return CutOut(file, parts, rule.cutOut);
}

std::vector<std::string> NoteLines(const StreamFacts& stream, const PartTable& parts,
                                   const PlacedNotes& notes) {
    std::vector<std::string> lines;
    for (const std::string& w : notes.warnings)
        lines.push_back("warning: " + w);
    for (int k = 2; k < static_cast<int>(notes.noPause.size()) && k <= PartCount(parts); ++k) {
        if (!notes.noPause[k])
            continue;
        const std::string at = FormatTimeText(true, PartStartSeconds(stream, parts, k));
        lines.push_back("part " + std::to_string(k) + " from " + at + ": " + kNoPauseStatus +
                        " (cut on the quietest frame)");
    }
    return lines;
}

StepOutcome CheckSplittable(const PartTable& parts) {
    if (PartCount(parts) <= 1)
        return Failed(std::string(kNoParts) + " The cut lines leave one part.");
    if (TickedPartCount(parts) == 0)
        return Failed(std::string(kNoParts) + " No part is ticked.");
    return {};
}

std::string BesidePath(const std::string& file, CutListFormat format) {
    const size_t slash = file.find_last_of('/');
    const size_t dot = file.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (hasExtension ? file.substr(0, dot) : file) + CutListExtension(format);
}

} // namespace tessivo
