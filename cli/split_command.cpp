// tessivo-cli split: place cut lines with the window's own operations, then
// write the parts with the window's naming and tag rules.
#include "cli/batch_run.h"
#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/commands.h"
#include "cli/mode_run.h"
#include "cli/one_file_output.h"
#include "core/batch/part_writing.h"
#include "core/batch/pause_shortening.h"
#include "core/output/loudness_gain.h"
#include "core/output/one_file.h"
#include "core/output/part_tag.h"
#include "core/parts/part_access.h"
#include "core/parts/pause_snap.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tessivo::cli {

namespace {

PartWriting WritingOf(const SplitOptions& o) {
    PartWriting w;
    w.tags = o.tags || !o.mode.trackList.empty(); // a track list's titles go into the tags
    w.id3 = o.id3;
    w.titleTemplate = o.titleTemplate;
    w.trackNumbers = o.trackNumbers && o.oneFile.empty();
    w.gapless = o.gapless;
    w.overwrite = o.overwrite;
    w.replayGain = o.replayGain;
    w.gainDb = o.gainDb;
    w.gainAuto = o.gainAuto;
    w.trimKeepSeconds = o.trimKeep;
    w.fadeMs = o.fade.fadeMs.value_or(0.0);
    w.mutes = o.mutes;
    return w;
}

// The gain of the file's parts, told on stderr unless quiet.
GainChoice ToldGain(const ProgramState& st, const PartWriting& w, bool quiet) {
    const GainChoice gain = ChooseGain(st, st, w);
    if (quiet)
        return gain;
    // The change itself last, plain; a note before it as every note is.
    const std::vector<std::string> lines = GainNoteLines(gain);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i + 1 < lines.size())
            std::fprintf(stderr, "tessivo-cli split: %s\n", lines[i].c_str());
        else
            std::fprintf(stderr, "%s\n", lines[i].c_str());
    }
    return gain;
}

void ReportSilentParts(const PlacedNotes& notes, bool quiet) {
    if (quiet)
        return;
    for (const std::string& line : SilentPartLines(notes))
        std::fprintf(stderr, "tessivo-cli split: %s\n", line.c_str());
}

int WriteParts(ProgramState& st, const SplitOptions& o, const CutList& list, PlacedNotes& notes,
               const ProgressFn& progress) {
    const PartWriting writing = WritingOf(o);
    const GainChoice gain = ToldGain(st, writing, o.quiet);
    if (writing.ReplayGainRefused() && !o.quiet)
        std::fprintf(stderr, "tessivo-cli split: warning: %s\n", kNoReplayGainV1Warning);
    SplitProgressFn splitProgress;
    if (progress)
        splitProgress = [&progress](uint64_t done, uint64_t total) {
            progress("Splitting", total ? 100.0 * double(done) / double(total) : 100.0);
        };
    const SplitResult result = WritePlacedParts(st, st, st, writing, list, notes, o.out,
                                                DefaultPartFileSystem(), splitProgress, gain);
    EndTerminalProgress();
    ReportSilentParts(notes, o.quiet);
    if (!o.quiet) {
        if (result.tagDamaged && !result.refused)
            std::fprintf(stderr, "tessivo-cli split: warning: %s\n", kDamagedTagWarning);
        for (const std::string& path : result.written)
            std::printf("%s\n", path.c_str());
        std::fflush(stdout);
        if (!result.leftovers.empty())
            std::fprintf(stderr, "%s\n", LeftoverNote(result.leftovers).c_str());
    }
    return result.ok ? kExitOk : ReportFailure(result.error);
}

// The ticked parts as pieces; with --shorten-pauses, without the middles of
// the long pauses (told on stderr unless quiet).
std::vector<FilePiece> OneFilePieces(const ProgramState& st, const SplitOptions& o,
                                     const PartTags& tags) {
    const std::vector<FilePiece> pieces = TickedPieces(st, st, tags);
    if (!o.shortenMax)
        return pieces;
    const std::vector<DroppedStretch> dropped =
        LongPauseMiddles(st, *o.shortenMax, SilenceRulesOf(st, st));
    if (!o.quiet)
        std::fprintf(stderr, "%s\n", ShortenedText(dropped, st.FrameDuration).c_str());
    return PiecesWithout(pieces, dropped);
}

// --one-file: the ticked parts as one file, titled as their tags would be.
int WriteOnePartFile(const ProgramState& st, const SplitOptions& o, const PartTags& tags,
                     const ProgressFn& progress) {
    const std::vector<FilePiece> pieces = OneFilePieces(st, o, tags);
    OneFileOptions options;
    options.tag = &tags.source;
    options.chapters = !o.noChapters;
    options.id3Version = o.id3 && Id3v2Version(*o.id3) == 4 ? 4 : 3;
    options.overwrite = o.overwrite;
    options.gainSteps = ToldGain(st, WritingOf(o), o.quiet).steps;
    options.id3v1 = o.id3 && WritesId3v1(*o.id3);
    if (o.replayGain)
        options.userTexts = OneFileReplayGain(st, st, options.gainSteps);
    options.fades = JoinedFades(o.fade);
    options.fades.muted = MutedGranules(st, o.mutes);
    return WriteJoinedFile(pieces, o.oneFile, options, o.quiet, "split", progress);
}

int SplitOne(const SplitOptions& o, const std::string& file) {
    const ModeOptions mode = ModeForFile(o.mode, file);
    const ProgressFn progress = TerminalProgress(o.quiet);
    CutList list;
    if (const int status = ReadModeCutList(mode, "split", list); status != kExitOk)
        return status;
    std::optional<TrackList> tracks;
    if (const int status = ReadModeTrackList(mode, "split", tracks); status != kExitOk)
        return status;
    ProgramState st;
    const bool loudness = WritingOf(o).NeedsLoudness();
    if (const int status = OpenSource(st, file, mode, progress, loudness); status != kExitOk)
        return status;
    PlacedNotes notes;
    if (const int status = PlaceByMode(st, mode, list, "split", notes, tracks); status != kExitOk)
        return status;
    if (!o.quiet)
        ReportNotes(st, notes, "split");
    if (!o.oneFile.empty()) {
        if (TickedPartCount(st) == 0)
            return ReportFailure("No parts prepared to split. No part is ticked.");
        PartTags tags = PlacedPartTags(st, st, WritingOf(o), list, notes);
        TrimForSplit(st, st, st, WritingOf(o), false, tags, notes); // one file: at the frame
        ReportSilentParts(notes, o.quiet);
        if (TickedPartCount(st) == 0)
            return ReportFailure("No parts prepared to split. Every part is silent.");
        return WriteOnePartFile(st, o, tags, progress);
    }
    if (const StepOutcome step = CheckSplittable(st); !step.ok())
        return ReportFailure(step.message);
    return WriteParts(st, o, list, notes, progress);
}

int SplitMany(const SplitOptions& o, const std::vector<std::string>& files,
              const std::vector<std::string>& relFolders) {
    BatchSplitJob job;
    job.files = files;
    job.relFolders = relFolders;
    job.rule = RuleOf(o.mode);
    job.rule.loudness = WritingOf(o).NeedsLoudness();
    if (o.mode.cutList)
        if (const int status = ReadModeCutList(o.mode, "split", job.list); status != kExitOk)
            return status;
    job.beside = o.mode.beside;
    job.writing = WritingOf(o);
    job.outFolder = o.out;
    job.flat = o.flat;
    job.workers = o.input.jobs;
    BatchPrinter printer("split", files, o.quiet, o.input.progress);
    const BatchTotals totals = RunBatchSplit(
        job, {}, [&printer](size_t i, const BatchFileResult& r) { printer.Finished(i, r); });
    printer.End();
    if (!o.quiet)
        std::fprintf(stderr, "%s\n", BatchSummaryText(totals).c_str());
    return totals.failed > 0 ? kExitFailed : kExitOk;
}

} // namespace

int RunSplit(const SplitOptions& o) {
    const bool tags = WritingOf(o).tags;
    if (!tags && (o.id3 || !o.titleTemplate.empty()) && o.oneFile.empty())
        return ReportUsageError("split", "--id3 and --title choose the tags --tags writes; "
                                         "add --tags.");
    if (!tags && o.trackNumbers)
        return ReportUsageError("split", "--track-numbers chooses the tags --tags writes; "
                                         "add --tags.");
    if (!tags && o.replayGain)
        return ReportUsageError("split", "--replaygain chooses the tags --tags writes; "
                                         "add --tags.");
    if (o.noChapters && o.oneFile.empty())
        return ReportUsageError("split", "--no-chapters goes with --one-file.");
    if (o.shortenMax && o.oneFile.empty())
        return ReportUsageError("split", "--shorten-pauses goes with --one-file.");
    if (o.fade.noFade && o.oneFile.empty())
        return ReportUsageError("split", "--no-fade goes with --one-file.");
    if (const std::string refusal = FadeOptionsRefusal(o.fade); !refusal.empty())
        return ReportUsageError("split", refusal);
    if (!o.mode.cutOut.empty() && o.oneFile.empty())
        return ReportUsageError("split", "--cut-out goes with --one-file.");
    if (!o.mutes.empty() && o.gapless && o.oneFile.empty())
        return ReportUsageError("split", "--mute does not go with --gapless.");
    std::vector<std::string> files, relFolders;
    if (const int status = ExpandInputs(o.input, "split", files, &relFolders); status != kExitOk)
        return status;
    if (!o.oneFile.empty() && IsBatch(o.input))
        return ReportUsageError("split", "--one-file takes one FILE.");
    if (!o.mode.trackList.empty() && IsBatch(o.input))
        return ReportUsageError("split", "--tracklist takes one FILE.");
    if (!IsBatch(o.input))
        return SplitOne(o, files.front());
    return SplitMany(o, files, relFolders);
}

} // namespace tessivo::cli
