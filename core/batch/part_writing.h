// Writing the parts of a file whose cut lines are placed, with the tags the
// command line and the batch split give them: the source's tag, chapter
// titles, a title template and what a cut list says of its parts.
#pragma once

#include "core/cutting/cutting_rule.h"
#include "core/output/split_parts.h"

#include <optional>
#include <string>
#include <vector>

namespace tessivo {

// The split choices applied to every file.
struct PartWriting {
    bool tags = false;
    std::optional<TagFormat> id3; // with tags only; default kDefaultTagFormat
    std::string titleTemplate;    // with tags only
    bool trackNumbers = false;    // with tags only: every part's track "n/N"
    bool gapless = false;
    bool overwrite = false;
    bool replayGain = false;      // with tags in an ID3v2 format only
    std::optional<double> gainDb; // lossless gain asked for in dB
    bool gainAuto = false;        // the gain that brings the parts nearest -18 LUFS
    // Drop the quiet at each part's edges but for this many seconds
    // (core/parts/edge_trim.h); gapless parts at the sample.
    std::optional<double> trimKeepSeconds;
    double fadeMs = 0.0;          // each part faded in and out over this long
    std::vector<MuteRange> mutes; // stretches of each source silenced
    // Every input of the command: no part may replace one.
    const InputFiles* inputs = nullptr;

    // Whether the open must measure the parts' loudness (decode the peaks).
    bool NeedsLoudness() const { return replayGain || gainAuto; }
    // Whether ReplayGain frames are asked for but the format has no room.
    bool ReplayGainRefused() const;
};

// The lossless gain of a file's parts: the dB asked for, or the step --gain
// auto picks for its ticked parts together.
struct GainChoice {
    int steps = 0;
    bool chosen = false;  // a gain was asked for at all
    bool limited = false; // auto: the step nearest the reference would clip
};
GainChoice ChooseGain(const AnalysedFile& file, const PartTable& parts, const PartWriting& w);

// The lines that tell of a gain choice: a note when auto was limited, then
// "Gain -3.0 dB (2 steps)"; none when no gain was asked for.
std::vector<std::string> GainNoteLines(const GainChoice& gain);

// "No ReplayGain tags: ID3v1 has no room for them ...", when a format
// without ID3v2 is asked for ReplayGain frames.
extern const char* const kNoReplayGainV1Warning;

// The tags of the placed parts: the source's tag, chapter titles, the title
// template and the cut list's fields.
PartTags PlacedPartTags(const AnalysedFile& file, const PartTable& parts, const PartWriting& w,
                        const CutList& list, const PlacedNotes& notes);

// With w.trimKeepSeconds, trims the edges of the ticked parts (at the sample
// when `atSample`) and keeps `tags` in step with the new table; the silent
// parts, by their numbers before, go to notes.silentParts. `origin`, when
// given, gets for every new part the number it had (0 for a trimmed stretch).
void TrimForSplit(const AnalysedFile& file, PartTable& parts, const SettingsValues& settings,
                  const PartWriting& w, bool atSample, PartTags& tags, PlacedNotes& notes,
                  std::vector<int>* origin = nullptr);

// "Part 7 is silent: skipped" for each silent part of the notes.
std::vector<std::string> SilentPartLines(const PlacedNotes& notes);

// Writes the ticked parts into `outFolder` (made when missing; one that cannot
// be made is reported by the write of the first part), with `gain` applied.
SplitResult WritePlacedParts(const AnalysedFile& file, PartTable& parts, SettingsValues& settings,
                             const PartWriting& w, const CutList& list, PlacedNotes& notes,
                             const std::string& outFolder,
                             PartFileSystem& fs = DefaultPartFileSystem(),
                             const SplitProgressFn& progress = {}, const GainChoice& gain = {});

// "The source's tag could be read only in part; ..." when a tagged split's
// source tag was damaged (a warning, not a failure).
extern const char* const kDamagedTagWarning;

} // namespace tessivo
