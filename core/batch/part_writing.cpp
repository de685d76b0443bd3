#include "core/batch/part_writing.h"

#include "core/output/id3v1_tag.h"
#include "core/output/loudness_gain.h"
#include "core/parts/edge_trim.h"
#include "core/parts/part_access.h"
#include "core/parts/pause_snap.h"

#include <cstdio>
#include <filesystem>

namespace tessivo {

const char* const kDamagedTagWarning =
    "The source's tag could be read only in part; the parts carry what could be read";

const char* const kNoReplayGainV1Warning =
    "No ReplayGain tags: ID3v1 has no room for them (use --id3 with v2.3 or v2.4)";

namespace {

constexpr const char* kGainLimited = "note: the gain nearest -18 LUFS would clip; limited to ";

// The title MakePartTags gives a part of a source without a title.
constexpr const char* kMadeUpTitle = "{name} - part {n}";

// "name - part 07", shortened at the name's end so the whole fits 30 bytes.
std::string PartTitle(const LoadedFile& source, int i) {
    std::string name = source.FileName.substr(source.FileName.find_last_of('/') + 1);
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

// ID3v1 alone: each ticked part's record is derived from its full tag, as the
// ID3v2 formats derive theirs; the made-up title "NAME - part NN" is shortened
// at the name so that the number fits the record's 30 bytes.
void SetId3v1Slots(const LoadedFile& source, PartTable& parts, const PartTags& tags) {
    const std::string stem = SourceStem(source.FileName);
    const int count = TickedPartCount(parts);
    for (int i = 1, n = 0; i <= PartCount(parts); ++i) {
        if (!PartTicked(parts, i))
            continue;
        PartTagV2 t = ResolvePartTag(tags, i, stem, ++n, count);
        if (tags.part[static_cast<size_t>(i)].title == kMadeUpTitle)
            t.title = PartTitle(source, n);
        PartRecord& part = parts.Parts[static_cast<size_t>(i - 1)];
        part.own = t;
        part.ownFields =
            kTagTitle | kTagArtist | kTagAlbum | kTagYear | kTagComment | kTagGenre | kTagTrack;
    }
}

// What a cut list says of its parts goes over the source's fields, as it
// does into the ID3v1 slots: title, artist (the part's performer, else the
// album artist) and album; a title template keeps the titles.
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

} // namespace

bool PartWriting::ReplayGainRefused() const {
    return replayGain && Id3v2Version(id3.value_or(kDefaultTagFormat)) == 0;
}

GainChoice ChooseGain(const AnalysedFile& file, const PartTable& parts, const PartWriting& w) {
    GainChoice g;
    if (w.gainAuto) {
        const AutoGain a = AutoGainFor(WrittenPartsLoudness(file, parts, w.gapless));
        g.steps = a.steps;
        g.limited = a.limited;
        g.chosen = true;
    } else if (w.gainDb) {
        g.steps = GainStepsForDb(*w.gainDb);
        g.chosen = true;
    }
    return g;
}

std::vector<std::string> GainNoteLines(const GainChoice& gain) {
    std::vector<std::string> lines;
    if (gain.limited)
        lines.push_back(kGainLimited + GainReportText(gain.steps));
    if (gain.chosen)
        lines.push_back(GainReportText(gain.steps));
    return lines;
}

PartTags PlacedPartTags(const AnalysedFile& file, const PartTable& parts, const PartWriting& w,
                        const CutList& list, const PlacedNotes& notes) {
    PartTags tags = MakePartTags(parts, ReadSourceTag(file), notes.chapters, w.titleTemplate);
    ApplyListFields(tags, list, notes.listParts, !w.titleTemplate.empty());
    // A track list numbers its parts n/N as --track-numbers does.
    tags.numberTracks = w.trackNumbers || notes.numberTracks;
    return tags;
}

void TrimForSplit(const AnalysedFile& file, PartTable& parts, const SettingsValues& settings,
                  const PartWriting& w, bool atSample, PartTags& tags, PlacedNotes& notes,
                  std::vector<int>* originOut) {
    if (!w.trimKeepSeconds)
        return;
    std::vector<int> own;
    std::vector<int>& origin = originOut ? *originOut : own;
    notes.silentParts = TrimPartEdges(file, parts, *w.trimKeepSeconds,
                                      SilenceRulesOf(file, settings), atSample, origin);
    if (tags.part.empty())
        return;
    // A stretch trimmed off is never written; it keeps an empty tag.
    std::vector<PartTagV2> part(origin.size() + 1);
    for (size_t i = 0; i < origin.size(); ++i)
        if (origin[i] > 0 && static_cast<size_t>(origin[i]) < tags.part.size())
            part[i + 1] = tags.part[static_cast<size_t>(origin[i])];
    tags.part = std::move(part);
}

std::vector<std::string> SilentPartLines(const PlacedNotes& notes) {
    std::vector<std::string> lines;
    for (int k : notes.silentParts)
        lines.push_back("Part " + std::to_string(k) + " is silent: skipped");
    return lines;
}

SplitResult WritePlacedParts(const AnalysedFile& file, PartTable& parts, SettingsValues& settings,
                             const PartWriting& w, const CutList& list, PlacedNotes& notes,
                             const std::string& outFolder, PartFileSystem& fs,
                             const SplitProgressFn& progress, const GainChoice& gain) {
    settings.IsSaveTags = w.tags;
    settings.IsGapless = w.gapless;
    PartTags tags;
    if (w.tags) {
        tags = PlacedPartTags(file, parts, w, list, notes);
    }
    TrimForSplit(file, parts, settings, w, w.gapless, tags, notes);
    if (TickedPartCount(parts) == 0) {
        SplitResult silent;
        silent.ok = false;
        silent.error = "No parts prepared to split. Every part is silent.";
        return silent;
    }
    if (w.tags && Id3v2Version(w.id3.value_or(kDefaultTagFormat)) == 0)
        SetId3v1Slots(file, parts, tags);
    std::error_code ignored;
    std::filesystem::create_directories(outFolder, ignored);
    settings.OutputFolder = outFolder;
    SplitOptions options;
    options.format = w.id3.value_or(kDefaultTagFormat);
    options.tags = w.tags ? &tags : nullptr;
    options.overwrite = w.overwrite;
    options.inputs = w.inputs;
    options.gainSteps = gain.steps;
    options.fadeMs = w.fadeMs;
    options.muted = MutedGranules(file, w.mutes);
    options.replayGain = w.tags && w.replayGain && !w.ReplayGainRefused();
    SplitResult result = SplitParts(file, parts, settings, options, fs, progress);
    result.tagDamaged = w.tags && tags.source.damaged;
    return result;
}

} // namespace tessivo
