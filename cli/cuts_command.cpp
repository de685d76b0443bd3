// tessivo-cli cuts FILE MODE: the cut list a way of cutting makes, printed
// as a cue sheet, Audacity labels or CSV; no part is written.
#include "cli/cli_messages.h"

#include "cli/cli_progress.h"
#include "cli/commands.h"
#include "cli/mode_run.h"
#include "core/cutlist/apply_cut_list.h"
#include "core/parts/part_access.h"

#include <cstdio>

namespace tessivo::cli {

namespace {

const char* kCutsFooter =
    "Cuts writes no part: it prints on stdout the cut list that split would use with the\n"
    "same way of cutting, so it serves as a dry run and as an export (split --cue,\n"
    "--labels or --csv reads it back). Parts carry the titles their tags would have.\n"
    "It exits with 2 for bad arguments or a malformed cut list and 1 when the file\n"
    "cannot be read. Warnings and \"No pause\" lines go to stderr.";

// Parts cut at chapters carry the chapters' titles.
void TitleChapters(const ProgramState& st, const std::vector<ChapterCut>& chapters,
                   FrameCutList& table) {
    for (const ChapterCut& c : chapters) {
        for (size_t k = 0; k < table.parts.size() && k < table.cuts.size(); ++k)
            if (table.cuts[k] == c.frame && !c.title.empty() &&
                PartTicked(st, static_cast<int>(k) + 1))
                table.parts[k].title = c.title;
    }
}

} // namespace

CLI::App* DeclareCuts(CLI::App& program, CutsOptions& o) {
    CLI::App* cuts = program.add_subcommand(
        "cuts", "print the cut list a way of cutting makes for FILE (writes no part)");
    DeclareFileAndQuiet(*cuts, o.file, o.quiet, "the MP3 file to cut",
                        "print nothing but the cut list and errors");
    DeclareModeOptions(*cuts, o.mode, "No cut list to print.");
    AddValueOption(*cuts, "--format", "cue|labels|csv",
                   "the cut list's format (default: labels, Audacity's label file)",
                   [&o](const std::string& v) {
                       if (!CutListFormatByName(v, o.format))
                           throw UsageError("--format takes cue, labels or csv, not \"" + v +
                                            "\".");
                   });
    cuts->footer(kCutsFooter);
    return cuts;
}

int RunCuts(const CutsOptions& o) {
    CutList list;
    if (const int status = ReadModeCutList(o.mode, "cuts", list); status != kExitOk)
        return status;
    ProgramState st;
    const ProgressFn progress = TerminalProgress(o.quiet);
    if (const int status = OpenSource(st, o.file, o.mode, progress); status != kExitOk)
        return status;
    PlacedNotes notes;
    if (const int status = PlaceByMode(st, o.mode, list, "cuts", notes); status != kExitOk)
        return status;
    if (!o.quiet)
        ReportNotes(st, notes, "cuts");
    FrameCutList table = CutListOfTable(st);
    TitleChapters(st, notes.chapters, table);
    const CutListText text =
        WriteCutList(o.format, table, TimeBaseOf(st), st.FrameCount, CutListSourceOf(st));
    if (!text.ok())
        return ReportFailure(text.error);
    std::fputs(text.text.c_str(), stdout);
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

} // namespace tessivo::cli
