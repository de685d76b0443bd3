// tessivo-cli cuts FILE MODE: the cut list a way of cutting makes, printed
// as a cue sheet, Audacity labels or CSV (or written beside each file); no
// part is written.
#include "cli/batch_run.h"
#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/commands.h"
#include "cli/mode_run.h"
#include "core/cutlist/apply_cut_list.h"
#include "core/output/split_parts.h"
#include "core/parts/part_access.h"

#include <cstdio>
#include <filesystem>
#include <new>

namespace tessivo::cli {

namespace {

const char* kCutsFooter =
    "Cuts writes no part: it prints on stdout the cut list that split would use with the\n"
    "same way of cutting, so it serves as a dry run and as an export (split --cue,\n"
    "--labels or --csv reads it back). Parts carry the titles their tags would have.\n"
    "It exits with 2 for bad arguments or a malformed cut list and 1 when the file\n"
    "cannot be read. Warnings and \"No pause\" lines go to stderr. With several files,\n"
    "each list follows a line \"==> FILE <==\"; a file that fails is named and the exit\n"
    "status is 1.";

// Parts cut at chapters carry the chapters' titles.
void TitleChapters(const ProgramState& st, const std::vector<ChapterCut>& chapters,
                   FrameCutList& table) {
    for (const ChapterCut& c : chapters) {
        for (size_t k = 0; k < table.parts.size() && k < table.cuts.size(); ++k)
            if (table.cuts[k] == c.frame && !c.title.empty() && PartTicked(st, int(k) + 1))
                table.parts[k].title = c.title;
    }
}

CutListText ListText(const ProgramState& st, const PlacedNotes& notes, CutListFormat format) {
    FrameCutList table = CutListOfTable(st);
    TitleChapters(st, notes.chapters, table);
    return WriteCutList(format, table, TimeBaseOf(st), st.FrameCount, CutListSourceOf(st, st));
}

// Writes the list beside `file`; an existing file is kept. Empty, or the reason.
std::string WriteBeside(const std::string& path, const std::string& text) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
        return "File exists: " + path + " (not replaced)";
    // Whole or not at all, as every file the program writes.
    return WriteFileInPlace(DefaultPartFileSystem(), path, false, [&text](PartFileWriter& out) {
        return out.Write(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    });
}

// The list as stdout wants it, or written beside the file.
int EmitList(const CutsOptions& o, const std::string& file, const std::string& text) {
    if (!o.besideOut) {
        std::fputs(text.c_str(), stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
    }
    const std::string path = BesidePath(file, o.format);
    const std::string refusal = WriteBeside(path, text);
    if (!refusal.empty())
        return ReportFailure(refusal);
    if (!o.quiet)
        std::printf("%s\n", path.c_str());
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

int CutsOne(const CutsOptions& o, const std::string& file) {
    const ModeOptions mode = ModeForFile(o.mode, file);
    CutList list;
    if (const int status = ReadModeCutList(mode, "cuts", list); status != kExitOk)
        return status;
    std::optional<TrackList> tracks;
    if (const int status = ReadModeTrackList(mode, "cuts", tracks); status != kExitOk)
        return status;
    ProgramState st;
    const ProgressFn progress = TerminalProgress(o.quiet);
    if (const int status = OpenSource(st, file, mode, progress); status != kExitOk)
        return status;
    PlacedNotes notes;
    if (const int status = PlaceByMode(st, mode, list, "cuts", notes, tracks); status != kExitOk)
        return status;
    if (!o.quiet)
        ReportNotes(st, notes, "cuts");
    const CutListText text = ListText(st, notes, o.format);
    if (!text.ok())
        return ReportFailure(text.error);
    return EmitList(o, file, text.text);
}

// One file of several: the same steps, the outcome kept for the printer.
BatchFileResult CutsOfFile(const CutsOptions& o, const CutList& given, const std::string& file,
                           unsigned peakThreads) {
    BatchFileResult r;
    CutList list = given;
    if (o.mode.beside) {
        const std::string path = BesidePath(file, *o.mode.beside);
        const CutListRead read = ReadCutListFile(*o.mode.beside, path);
        if (!read.ok()) {
            r.reason = std::filesystem::exists(path) ? path + ": " + read.error
                                                     : "No cut list beside it: " + path;
            return r;
        }
        list = read.list;
    }
    ProgramState st;
    PlacedNotes notes;
    const CuttingRule rule = RuleOf(o.mode);
    StepOutcome step = OpenForCutting(st, file, rule, {}, peakThreads);
    if (step.ok())
        step = PlaceByRule(st, st, st, rule, list, notes);
    if (!step.ok()) {
        r.reason = step.message;
        return r;
    }
    r.notes = NoteLines(st, st, notes);
    const CutListText text = ListText(st, notes, o.format);
    r.reason = text.error;
    if (text.ok() && o.besideOut) {
        r.reason = WriteBeside(BesidePath(file, o.format), text.text);
        if (r.reason.empty())
            r.written.push_back(BesidePath(file, o.format));
    } else if (text.ok()) {
        r.text = text.text;
    }
    r.ok = r.reason.empty();
    return r;
}

int CutsMany(const CutsOptions& o, const std::vector<std::string>& files) {
    CutList list;
    if (const int status = ReadModeCutList(o.mode, "cuts", list); status != kExitOk)
        return status;
    BatchPrinter printer("cuts", files, o.quiet, o.input.progress);
    int failed = 0;
    RunFilesInParallel(
        files.size(), o.input.jobs,
        [&](size_t i, unsigned peakThreads) {
            try {
                return CutsOfFile(o, list, files[i], peakThreads);
            } catch (const std::bad_alloc&) {
                BatchFileResult r;
                r.reason = OutOfMemoryMessage("placing the cuts of " + files[i]);
                return r;
            }
        },
        {},
        [&](size_t i, const BatchFileResult& r) {
            failed += r.ok ? 0 : 1;
            printer.Finished(i, r);
        });
    printer.End();
    return failed > 0 ? kExitFailed : kExitOk;
}

} // namespace

CLI::App* DeclareCuts(CLI::App& program, CutsOptions& o) {
    CLI::App* cuts = program.add_subcommand(
        "cuts", "print the cut list a way of cutting makes for FILE (writes no part)");
    DeclareInputs(*cuts, o.input, "the MP3 files to cut; a folder means its MP3 files");
    DeclareQuiet(*cuts, o.quiet, "print nothing but the cut list and errors");
    DeclareModeOptions(*cuts, o.mode, "No cut list to print.");
    AddValueOption(*cuts, "--format", "cue|labels|csv",
                   "the cut list's format (default: labels, Audacity's label file)",
                   [&o](const std::string& v) {
                       if (!CutListFormatByName(v, o.format))
                           throw UsageError("--format takes cue, labels or csv, not \"" + v +
                                            "\".");
                   });
    cuts->add_flag("--beside-out", o.besideOut,
                   "write each list beside its file as NAME.txt, NAME.cue or NAME.csv\n"
                   "(by --format; an existing file is kept) and print its path")
        ->disable_flag_override();
    cuts->footer(kCutsFooter);
    return cuts;
}

int RunCuts(const CutsOptions& o) {
    std::vector<std::string> files;
    if (const int status = ExpandInputs(o.input, "cuts", files); status != kExitOk)
        return status;
    if (!o.mode.trackList.empty() && IsBatch(o.input))
        return ReportUsageError("cuts", "--tracklist takes one FILE.");
    if (!IsBatch(o.input))
        return CutsOne(o, files.front());
    return CutsMany(o, files);
}

} // namespace tessivo::cli
