#include "cli/mode_run.h"

#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "core/batch/track_list_rule.h"
#include "core/cutlist/cut_list_file.h"
#include "core/cutting/cutting_mode.h"

#include <cstdio>

namespace tessivo::cli {

namespace {

int Report(const StepOutcome& step, const std::string& command) {
    if (step.status == StepStatus::usage)
        return ReportUsageError(command, step.message);
    if (step.status == StepStatus::failed)
        return ReportFailure(step.message);
    return kExitOk;
}

// The way of cutting the options name: the one given besides --silence (which
// beside another only says what counts as a pause), else --silence.
const CuttingMode* ModeOf(const ModeOptions& o) {
    for (std::string_view key : o.given)
        if (key != kSilenceKey)
            return CuttingModeByKey(key);
    return o.silencePercent ? CuttingModeByKey(kSilenceKey) : nullptr;
}

} // namespace

CuttingRule RuleOf(const ModeOptions& o) {
    CuttingRule rule;
    rule.mode = ModeOf(o);
    rule.parts = o.parts;
    rule.timeSeconds = o.timeSeconds;
    rule.silencePercent = o.silencePercent;
    rule.silenceMs = o.silenceMs;
    rule.nearPauses = o.nearPauses;
    rule.at = o.at;
    rule.skip = o.skip;
    // The snap of a track list's cuts looks for pauses.
    rule.pauses =
        (!o.trackList.empty() && o.snapSeconds.value_or(kDefaultSnapSeconds) > 0.0) || o.pausesUsed;
    rule.cutOut = o.cutOut;
    return rule;
}

ModeOptions ModeForFile(const ModeOptions& o, const std::string& file) {
    ModeOptions mode = o;
    if (o.beside) {
        mode.cutList = CutListArgument{*o.beside, BesidePath(file, *o.beside), "--beside"};
        mode.beside.reset();
    }
    return mode;
}

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

int ReadModeTrackList(const ModeOptions& o, const std::string& command,
                      std::optional<TrackList>& tracks) {
    if (o.trackList.empty())
        return kExitOk;
    std::FILE* probe = std::fopen(o.trackList.c_str(), "rb");
    if (!probe)
        return ReportFailure("Cannot open " + o.trackList);
    std::fclose(probe);
    const TrackListRead read = ReadTrackListFile(o.trackList);
    if (!read.ok())
        return ReportUsageError(command, "--tracklist " + o.trackList + ": " + read.error);
    tracks = read.list;
    return kExitOk;
}

int OpenSource(ProgramState& st, const std::string& file, const ModeOptions& o,
               const ProgressFn& progress, bool loudness) {
    CuttingRule rule = RuleOf(o);
    rule.loudness = loudness;
    const StepOutcome step = OpenForCutting(st, file, rule, progress);
    EndTerminalProgress();
    return Report(step, "");
}

int PlaceByMode(ProgramState& st, const ModeOptions& o, const CutList& list,
                const std::string& command, PlacedNotes& notes,
                const std::optional<TrackList>& tracks) {
    if (!tracks)
        return Report(PlaceByRule(st, st, st, RuleOf(o), list, notes), command);
    StepOutcome step = PlaceByTrackList(st, st, st, RuleOf(o), *tracks,
                                        o.snapSeconds.value_or(kDefaultSnapSeconds), list, notes);
    if (step.status == StepStatus::usage)
        step.message = "--tracklist " + o.trackList + ": " + step.message;
    return Report(step, command);
}

void ReportNotes(const ProgramState& st, const PlacedNotes& notes, const std::string& command) {
    for (const std::string& line : NoteLines(st, st, notes))
        std::fprintf(stderr, "tessivo-cli %s: %s\n", command.c_str(), line.c_str());
}

} // namespace tessivo::cli
