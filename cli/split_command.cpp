// tessivo-cli split: place cut lines with the window's own operations, then
// write the parts with the window's naming and tag rules.
#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/commands.h"
#include "cli/mode_run.h"
#include "core/output/id3v1_tag.h"
#include "core/output/split_parts.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tessivo::cli {

namespace {

constexpr const char* kNoParts = "No parts prepared to split.";

// "name - part 07", shortened at the name's end so the whole fits 30 bytes.
std::string PartTitle(const ProgramState& st, int i) {
    std::string name = st.FileName.substr(st.FileName.find_last_of('/') + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, " - part %02d", i);
    std::string latin = Utf8ToLatin1(name);
    const size_t room = 30 - std::string(suffix).size();
    if (latin.size() > room)
        latin.resize(room);
    return Latin1ToUtf8(latin) + suffix;
}

// Without a source tag every part gets track NN and, unless a cut list
// titled it, the title "NAME - part NN".
void SetTagRules(ProgramState& st, const SplitOptions& o) {
    st.IsSaveTags = o.tags;
    st.IsGapless = o.gapless;
    if (!o.tags || st.HasId3v1)
        return;
    for (int i = 1; i <= st.CutCount; ++i) {
        TagFields f = IsTag(st.PartTag[i]) ? ReadTagFields(st, i) : TagFields{};
        if (f.title.empty())
            f.title = PartTitle(st, i);
        f.track = std::to_string(i);
        StoreTagFields(st, i, f);
    }
}

int WriteParts(ProgramState& st, const SplitOptions& o, const ProgressFn& progress) {
    // A folder that cannot be made is reported by the write of the first part.
    std::error_code ignored;
    std::filesystem::create_directories(o.out, ignored);
    st.OutputFolder = o.out;
    SplitProgressFn splitProgress;
    if (progress)
        splitProgress = [&progress](uint64_t done, uint64_t total) {
            progress("Splitting", total ? 100.0 * double(done) / double(total) : 100.0);
        };
    const SplitResult result = SplitParts(st, DefaultPartFileSystem(), splitProgress);
    EndTerminalProgress();
    if (!o.quiet) {
        for (const std::string& path : result.written)
            std::printf("%s\n", path.c_str());
        std::fflush(stdout);
    }
    return result.ok ? kExitOk : ReportFailure(result.error);
}

} // namespace

int RunSplit(const SplitOptions& o) {
    const ProgressFn progress = TerminalProgress(o.quiet);
    CutList list;
    if (const int status = ReadModeCutList(o.mode, "split", list); status != kExitOk)
        return status;
    ProgramState st;
    if (const int status = OpenSource(st, o.file, o.mode, progress); status != kExitOk)
        return status;
    PlacedNotes notes;
    if (const int status = PlaceByMode(st, o.mode, list, "split", notes); status != kExitOk)
        return status;
    if (!o.quiet)
        ReportNotes(st, notes, "split");
    if (st.CutCount <= 1)
        return ReportFailure(std::string(kNoParts) + " The cut lines leave one part.");
    if (std::none_of(st.PartUsed.begin() + 1, st.PartUsed.begin() + st.CutCount + 1,
                     [](bool used) { return used; }))
        return ReportFailure(std::string(kNoParts) + " No part is ticked.");
    SetTagRules(st, o);
    return WriteParts(st, o, progress);
}

} // namespace tessivo::cli
