#include "cli/mode_run.h"

#include "core/parts/part_access.h"
#include "core/parts/part_times.h"

#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "core/analysis/time_base.h"
#include "core/cutlist/apply_cut_list.h"
#include "core/cutlist/cut_list_file.h"
#include "core/output/id3v1_tag.h"
#include "core/parts/cut_lines.h"
#include "core/parts/near_pauses.h"
#include "core/parts/prepare.h"
#include "core/parts/time_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace tessivo::cli {

namespace {

constexpr const char* kNoParts = "No parts prepared to split.";

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
    const int64_t f = NearestFrameToSample(TimeBaseOf(st), NearestSampleAt(TimeBaseOf(st), t));
    if (f + 10 >= st.FrameCount)
        return at + "is within the last 10 frames of the file; a cut must leave more.";
    if (f < 1)
        return at + "is the start of the file, where the first part begins anyway.";
    frame = static_cast<int32_t>(f);
    if (std::find(earlier.begin(), earlier.end(), frame) != earlier.end())
        return at + "falls on the same frame as an earlier time.";
    return "";
}

int PlaceAtTimes(ProgramState& st, const std::vector<double>& times, const std::string& command) {
    std::vector<int32_t> frames;
    for (double t : times) {
        int32_t frame = 0;
        const std::string refusal = AtFrame(st, t, frames, frame);
        if (!refusal.empty())
            return ReportUsageError(command, refusal);
        frames.push_back(frame);
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        if (!AddCutLine(st, frames[i]))
            return ReportUsageError(command, "Too many cut lines: at most " +
                                                 std::to_string(kMaxParts) + ".");
        SetCutSampleAtFrame(st, frames[i], NearestSampleAt(TimeBaseOf(st), times[i]));
    }
    return kExitOk;
}

// Near pauses: the length is checked as an equal-time length is.
int PlaceNearPauses(ProgramState& st, const ModeOptions& o, PlacedNotes& notes) {
    if (o.silencePercent) {
        st.SilenceThreshold = *o.silencePercent;
        st.SilenceRelease = *o.silenceMs;
    }
    const std::string refusal = CheckPartLength(st, o.nearPauses->seconds);
    if (!refusal.empty())
        return ReportFailure(refusal);
    notes.noPause = PrepareNearPauses(st, o.nearPauses->seconds, o.nearPauses->tolerancePercent);
    return kExitOk;
}

// Chapters: a cut line on the frame nearest each chapter's start; the titles
// stay in `notes.chapters` for the tags and the printed cut list.
int PlaceChapters(ProgramState& st, const std::string& command, PlacedNotes& notes) {
    notes.chapters = ChapterCuts(st, ReadSourceTag(st).chapters);
    if (notes.chapters.empty())
        return ReportUsageError(command, "--chapters: " + st.FileName +
                                             " has no chapters (ID3v2 CHAP frames).");
    for (const ChapterCut& c : notes.chapters) {
        if (c.frame > 0 && !AddCutLine(st, c.frame))
            notes.warnings.push_back("Chapter \"" + c.title + "\" at " +
                                     FormatTimeText(true, FrameSeconds(st, c.frame)) +
                                     " makes no part of its own (within the last 10 frames "
                                     "or no room for more cut lines); left out");
    }
    return kExitOk;
}

int PrepareAutomatic(ProgramState& st, const ModeOptions& o) {
    PrepareOutcome prepared;
    if (o.timeSeconds) {
        prepared = PrepareByTime(st, *o.timeSeconds);
    } else {
        PrepareInput in;
        if (o.parts) {
            in.mode = SplitModeKind::ByParts;
            in.parts = *o.parts;
        } else {
            in.mode = SplitModeKind::BySilence;
            st.SilenceThreshold = *o.silencePercent;
            st.SilenceRelease = *o.silenceMs;
        }
        prepared = PrepareCutLines(st, in);
    }
    return prepared.message.empty() ? kExitOk : ReportFailure(prepared.message);
}

} // namespace

int ReadModeCutList(const ModeOptions& o, const std::string& command, CutList& list) {
    if (!o.cutList)
        return kExitOk;
    const CutListArgument& arg = *o.cutList;
    std::FILE* probe = std::fopen(arg.path.c_str(), "rb");
    if (!probe)
        return ReportFailure("Cannot open " + arg.path);
    std::fclose(probe);
    const CutListRead read = ReadCutListFile(arg.format, arg.path);
    if (!read.ok())
        return ReportUsageError(command, arg.option + " " + arg.path + ": " + read.error);
    list = read.list;
    return kExitOk;
}

int OpenSource(ProgramState& st, const std::string& file, const ModeOptions& o,
               const ProgressFn& progress) {
    // The peak table is needed only to find pauses.
    const bool peaks = o.silencePercent.has_value() || o.nearPauses.has_value();
    const OpenResult opened = AnalyseFile(st, file, peaks, progress);
    EndTerminalProgress();
    if (!opened.ok)
        return ReportFailure(opened.message);
    st.FileName = file;
    st.FileLoaded = true;
    st.SplitFileCount = 0;
    ResetToOnePart(st);
    SetFileTag(st, ReadSourceTag(st));
    if (st.Duration < 2.0 || st.FrameCount == 0)
        return ReportFailure(std::string(kNoParts) + " The file is shorter than 2 seconds.");
    return kExitOk;
}

int PlaceByMode(ProgramState& st, const ModeOptions& o, const CutList& list,
                const std::string& command, PlacedNotes& notes) {
    if (o.at)
        return PlaceAtTimes(st, *o.at, command);
    if (o.chapters)
        return PlaceChapters(st, command, notes);
    if (o.cutList) {
        FrameCutList placed = ApplyCutList(st, list);
        notes.warnings = std::move(placed.warnings);
        notes.listParts = std::move(placed.parts);
        return kExitOk;
    }
    if (o.nearPauses)
        return PlaceNearPauses(st, o, notes);
    return PrepareAutomatic(st, o);
}

void ReportNotes(const ProgramState& st, const PlacedNotes& notes, const std::string& command) {
    for (const std::string& w : notes.warnings)
        std::fprintf(stderr, "tessivo-cli %s: warning: %s\n", command.c_str(), w.c_str());
    for (int k = 2; k < static_cast<int>(notes.noPause.size()) && k <= PartCount(st); ++k) {
        if (!notes.noPause[k])
            continue;
        const std::string at = FormatTimeText(true, PartStartSeconds(st, k));
        std::fprintf(stderr, "tessivo-cli %s: part %d from %s: %s (cut on the quietest frame)\n",
                     command.c_str(), k, at.c_str(), kNoPauseStatus);
    }
}

} // namespace tessivo::cli
