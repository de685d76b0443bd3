#include "core/batch/cutting_rule.h"

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

std::string Seconds(double t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", t);
    return buf;
}

// The frame where a cut at `t` seconds goes (the frame boundary nearest its
// sample), or a message why it cannot.
std::string AtFrame(const ProgramState& st, double t, const std::vector<int32_t>& earlier,
                    int32_t& frame) {
    const std::string at = "--at " + Seconds(t) + " s ";
    if (t > st.Duration)
        return at + "is outside the file (" + Seconds(st.Duration) + " s long).";
    const TimeBase tb = TimeBaseOf(st);
    const int64_t f = NearestFrameToSample(tb, NearestSampleAt(tb, t));
    if (f + 10 >= st.FrameCount)
        return at + "is within the last 10 frames of the file; a cut must leave more.";
    if (f < 1)
        return at + "is the start of the file, where the first part begins anyway.";
    frame = static_cast<int32_t>(f);
    if (std::find(earlier.begin(), earlier.end(), frame) != earlier.end())
        return at + "falls on the same frame as an earlier time.";
    return "";
}

StepOutcome PlaceAtTimes(ProgramState& st, const std::vector<double>& times) {
    std::vector<int32_t> frames;
    for (double t : times) {
        int32_t frame = 0;
        const std::string refusal = AtFrame(st, t, frames, frame);
        if (!refusal.empty())
            return Usage(refusal);
        frames.push_back(frame);
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        if (!AddCutLine(st, frames[i]))
            return Usage("Too many cut lines: at most " + std::to_string(kMaxParts) + ".");
        SetCutSampleAtFrame(st, frames[i], NearestSampleAt(TimeBaseOf(st), times[i]));
    }
    return {};
}

// Near pauses: the length is checked as an equal-time length is.
StepOutcome PlaceNearPauses(ProgramState& st, const CuttingRule& rule, PlacedNotes& notes) {
    if (rule.silencePercent) {
        st.SilenceThreshold = *rule.silencePercent;
        st.SilenceRelease = *rule.silenceMs;
    }
    const std::string refusal = CheckPartLength(st, rule.nearPauses->seconds);
    if (!refusal.empty())
        return Failed(refusal);
    notes.noPause =
        PrepareNearPauses(st, rule.nearPauses->seconds, rule.nearPauses->tolerancePercent);
    return {};
}

// Chapters: a cut line on the frame nearest each chapter's start; the titles
// stay in `notes.chapters` for the tags and the printed cut list.
StepOutcome PlaceChapters(ProgramState& st, PlacedNotes& notes) {
    notes.chapters = ChapterCuts(st, ReadSourceTag(st).chapters);
    if (notes.chapters.empty())
        return Usage("--chapters: " + st.FileName + " has no chapters (ID3v2 CHAP frames).");
    for (const ChapterCut& c : notes.chapters) {
        if (c.frame > 0 && !AddCutLine(st, c.frame))
            notes.warnings.push_back("Chapter \"" + c.title + "\" at " +
                                     FormatTimeText(true, FrameSeconds(st, c.frame)) +
                                     " makes no part of its own (within the last 10 frames "
                                     "or no room for more cut lines); left out");
    }
    return {};
}

StepOutcome PrepareAutomatic(ProgramState& st, const CuttingRule& rule) {
    PrepareOutcome prepared;
    if (rule.timeSeconds) {
        prepared = PrepareByTime(st, *rule.timeSeconds);
    } else {
        PrepareInput in;
        if (rule.parts) {
            in.mode = SplitModeKind::ByParts;
            in.parts = *rule.parts;
        } else if (!rule.silencePercent) {
            return {}; // no way of cutting: the file stays one part
        } else {
            in.mode = SplitModeKind::BySilence;
            st.SilenceThreshold = *rule.silencePercent;
            st.SilenceRelease = *rule.silenceMs;
        }
        prepared = PrepareCutLines(st, in);
    }
    return prepared.message.empty() ? StepOutcome{} : Failed(prepared.message);
}

} // namespace

StepOutcome OpenForCutting(ProgramState& st, const std::string& file, const CuttingRule& rule,
                           const ProgressFn& progress, unsigned peakThreads) {
    const OpenResult opened =
        AnalyseFile(st, file, rule.NeedsPeaks(), progress, nullptr, peakThreads);
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
    ResetToOnePart(st);
    SetFileTag(st, ReadSourceTag(st));
    if (st.Duration < 2.0 || st.FrameCount == 0)
        return Failed(std::string(kNoParts) + " The file is shorter than 2 seconds.");
    return {};
}

namespace {

// The parts named are unticked; a number past the last part is a bad value.
StepOutcome SkipParts(ProgramState& st, const std::vector<int>& skip) {
    for (int k : skip)
        if (k > PartCount(st))
            return Usage("--skip " + std::to_string(k) + ": the cut lines leave " +
                         std::to_string(PartCount(st)) + " parts.");
    for (int k : skip)
        if (IsPartNumber(st, k))
            st.Parts[static_cast<size_t>(k - 1)].ticked = false;
    return {};
}

StepOutcome PlaceCutLines(ProgramState& st, const CuttingRule& rule, const CutList& list,
                          PlacedNotes& notes) {
    if (rule.at)
        return PlaceAtTimes(st, *rule.at);
    if (rule.chapters)
        return PlaceChapters(st, notes);
    if (rule.cutList) {
        FrameCutList placed = ApplyCutList(st, list);
        notes.warnings = std::move(placed.warnings);
        notes.listParts = std::move(placed.parts);
        return {};
    }
    if (rule.nearPauses)
        return PlaceNearPauses(st, rule, notes);
    return PrepareAutomatic(st, rule);
}

} // namespace

namespace {

// A cut line at the frame nearest `seconds` unless one is there or the time
// is the file's start or end; the frame the stretch's edge falls on.
int32_t CutOutEdge(ProgramState& st, double seconds) {
    const TimeBase tb = TimeBaseOf(st);
    const int64_t sample = NearestSampleAt(tb, seconds);
    const int64_t f = NearestFrameToSample(tb, sample);
    if (f < 1)
        return 0;
    if (f + 10 >= st.FrameCount)
        return static_cast<int32_t>(st.FrameCount);
    const auto frame = static_cast<int32_t>(f);
    const std::vector<int32_t> lines = CutLineFrames(st);
    if (std::find(lines.begin(), lines.end(), frame) == lines.end() && AddCutLine(st, frame))
        SetCutSampleAtFrame(st, frame, sample);
    return frame;
}

StepOutcome CutOut(ProgramState& st, const std::vector<MuteRange>& ranges) {
    for (const MuteRange& r : ranges) {
        if (r.from >= st.Duration)
            return Usage("--cut-out " + Seconds(r.from) + " s is outside the file (" +
                         Seconds(st.Duration) + " s long).");
        const int32_t first = CutOutEdge(st, r.from);
        const int32_t end = CutOutEdge(st, std::min(r.to, st.Duration));
        for (PartRecord& p : st.Parts)
            if (p.start >= first && p.start < end)
                p.ticked = false;
    }
    return {};
}

bool HasCuttingMode(const CuttingRule& r) {
    return r.at || r.chapters || r.cutList || r.nearPauses || r.parts || r.timeSeconds ||
           r.silencePercent;
}

} // namespace

StepOutcome PlaceByRule(ProgramState& st, const CuttingRule& rule, const CutList& list,
                        PlacedNotes& notes) {
    if (HasCuttingMode(rule) || rule.cutOut.empty()) {
        const StepOutcome placed = PlaceCutLines(st, rule, list, notes);
        if (!placed.ok())
            return placed;
    }
    const StepOutcome skipped = SkipParts(st, rule.skip);
    if (!skipped.ok())
        return skipped;
    return CutOut(st, rule.cutOut);
}

std::vector<std::string> NoteLines(const ProgramState& st, const PlacedNotes& notes) {
    std::vector<std::string> lines;
    for (const std::string& w : notes.warnings)
        lines.push_back("warning: " + w);
    for (int k = 2; k < static_cast<int>(notes.noPause.size()) && k <= PartCount(st); ++k) {
        if (!notes.noPause[k])
            continue;
        const std::string at = FormatTimeText(true, PartStartSeconds(st, k));
        lines.push_back("part " + std::to_string(k) + " from " + at + ": " + kNoPauseStatus +
                        " (cut on the quietest frame)");
    }
    return lines;
}

StepOutcome CheckSplittable(const ProgramState& st) {
    if (PartCount(st) <= 1)
        return Failed(std::string(kNoParts) + " The cut lines leave one part.");
    if (TickedPartCount(st) == 0)
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
