// tessivo-cli split: place cut lines with the window's own operations, then
// write the parts with the window's naming and tag rules.
#include "cli/cli_messages.h"

#include "cli/cli_progress.h"
#include "cli/commands.h"
#include "cli/mode_run.h"
#include "core/output/id3v1_tag.h"
#include "core/output/split_parts.h"
#include "core/parts/part_access.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tessivo::cli {

namespace {

constexpr const char* kNoParts = "No parts prepared to split.";
// The title MakePartTags gives a part of a source without a title.
constexpr const char* kMadeUpTitle = "{name} - part {n}";
constexpr const char* kDamagedTag =
    "The source's tag could be read only in part; the parts carry what could be read";

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

// ID3v1 alone: each used part's record is derived from its full tag, as the
// ID3v2 formats derive theirs; the made-up title "NAME - part NN" is shortened
// at the name so that the number fits the record's 30 bytes.
void SetId3v1Slots(ProgramState& st, const PartTags& tags) {
    const std::string stem = SourceStem(st.FileName);
    const int count = TickedPartCount(st);
    for (int i = 1, n = 0; i <= PartCount(st); ++i) {
        if (!PartTicked(st, i))
            continue;
        PartTagV2 t = ResolvePartTag(tags, i, stem, ++n, count);
        if (tags.part[static_cast<size_t>(i)].title == kMadeUpTitle)
            t.title = PartTitle(st, n);
        PartRecord& part = st.Parts[static_cast<size_t>(i - 1)];
        part.own = t;
        part.ownFields =
            kTagTitle | kTagArtist | kTagAlbum | kTagYear | kTagComment | kTagGenre | kTagTrack;
    }
}

// What a cut list says of its parts goes over the source's fields, as it
// does into the ID3v1 slots: title, artist (the part's performer, else the
// album artist) and album; a --title template keeps the titles.
void ApplyListFields(PartTags& tags, const CutList& list, const std::vector<CutPart>& parts,
                     bool keepTitles) {
    for (size_t k = 0; k < parts.size() && k + 1 < tags.part.size(); ++k) {
        PartTagV2& t = tags.part[k + 1];
        const CutPartTag said = TagOfCutPart(list, parts[k]);
        if (!said.title.empty() && !keepTitles)
            t.title = said.title;
        if (!said.artist.empty())
            t.artist = said.artist;
        if (!said.album.empty())
            t.album = said.album;
    }
}

// The ID3v2 tags of the parts: the source's tag, chapter titles, the --title
// template and the cut list's fields.
PartTags MakeTags(const ProgramState& st, const SplitOptions& o, const CutList& list,
                  const PlacedNotes& notes) {
    PartTags tags = MakePartTags(st, ReadSourceTag(st), notes.chapters, o.titleTemplate);
    ApplyListFields(tags, list, notes.listParts, !o.titleTemplate.empty());
    return tags;
}

int WriteParts(ProgramState& st, const SplitOptions& o, const PartTags* tags,
               const ProgressFn& progress) {
    // A folder that cannot be made is reported by the write of the first part.
    std::error_code ignored;
    std::filesystem::create_directories(o.out, ignored);
    st.OutputFolder = o.out;
    SplitProgressFn splitProgress;
    if (progress)
        splitProgress = [&progress](uint64_t done, uint64_t total) {
            progress("Splitting", total ? 100.0 * double(done) / double(total) : 100.0);
        };
    tessivo::SplitOptions options;
    options.format = o.id3.value_or(kDefaultTagFormat);
    options.tags = tags;
    options.overwrite = o.overwrite;
    const SplitResult result = SplitParts(st, options, DefaultPartFileSystem(), splitProgress);
    EndTerminalProgress();
    if (!o.quiet) {
        if (tags && tags->source.damaged && !result.refused)
            std::fprintf(stderr, "tessivo-cli split: warning: %s\n", kDamagedTag);
        for (const std::string& path : result.written)
            std::printf("%s\n", path.c_str());
        std::fflush(stdout);
    }
    return result.ok ? kExitOk : ReportFailure(result.error);
}

} // namespace

int RunSplit(const SplitOptions& o) {
    if (!o.tags && (o.id3 || !o.titleTemplate.empty()))
        return ReportUsageError("split", "--id3 and --title choose the tags --tags writes; "
                                         "add --tags.");
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
    if (PartCount(st) <= 1)
        return ReportFailure(std::string(kNoParts) + " The cut lines leave one part.");
    if (TickedPartCount(st) == 0)
        return ReportFailure(std::string(kNoParts) + " No part is ticked.");
    st.IsSaveTags = o.tags;
    st.IsGapless = o.gapless;
    if (!o.tags)
        return WriteParts(st, o, nullptr, progress);
    const PartTags tags = MakeTags(st, o, list, notes);
    if (Id3v2Version(o.id3.value_or(kDefaultTagFormat)) == 0)
        SetId3v1Slots(st, tags);
    return WriteParts(st, o, &tags, progress);
}

} // namespace tessivo::cli
