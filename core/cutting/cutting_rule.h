// One way of cutting applied to an opened file, shared by the command line
// and the batch split: open the source as a split needs it, place the cut
// lines, and say what to note. No output here; the callers print or show.
#pragma once

#include "core/analysis/open_file.h"
#include "core/cutlist/cut_list.h"
#include "core/cutlist/cut_list_file.h"
#include "core/output/edge_fades.h"
#include "core/output/part_tag.h"
#include "core/parts/near_pauses.h"
#include "core/state/program_state.h"

#include <optional>
#include <string>
#include <vector>

namespace tessivo {

struct CuttingMode;

// The way of cutting (core/cutting/cutting_mode.h) and the values it takes.
// The silence values may come with another mode to say what counts as a
// pause there.
struct CuttingRule {
    const CuttingMode* mode = nullptr; // none: the file stays one part
    std::optional<int> parts;
    std::optional<int> timeSeconds;
    std::optional<int> silencePercent, silenceMs;
    std::optional<NearPausesLength> nearPauses;
    std::optional<std::vector<double>> at; // seconds
    std::vector<int> skip;                 // parts left out (unticked), by number
    // Stretches cut out after the cutting and the skip: cut lines at their
    // edges, the parts between unticked. Alone, they are the way of cutting.
    std::vector<MuteRange> cutOut;
    bool loudness = false; // the parts' loudness is wanted
    bool pauses = false;   // pauses are looked for besides the cutting (snap, trim, shorten)

    // Whether the open must compute peaks: the rule looks for pauses, or the
    // loudness measured in the same decode is wanted.
    bool NeedsPeaks() const;
};

// How a step ended: a bad value for this file (a usage error on the command
// line for a single file) or a failure, each with its message.
enum class StepStatus { ok, usage, failed };
struct StepOutcome {
    StepStatus status = StepStatus::ok;
    std::string message;
    bool ok() const { return status == StepStatus::ok; }
};

// What placing the cut lines leaves to tell the user besides the table.
struct PlacedNotes {
    std::vector<std::string> warnings; // cut list lines left out or merged
    std::vector<bool> noPause;         // per part: a near-pauses cut found no pause
    std::vector<ChapterCut> chapters;  // chapters: the cuts and their titles
    std::vector<CutPart> listParts;    // a cut list: what it says of part k at k - 1
    bool numberTracks = false;         // a track list: every part's track is n/N
    std::vector<int> silentParts;      // the edge trim: parts all silence, not written
};

// Opens the source as the window does before a split, with the peak table
// when the rule looks for pauses (decoded by `peakThreads`, 0: one per core),
// and leaves one part spanning the file.
StepOutcome OpenForCutting(ProgramState& st, const std::string& file, const CuttingRule& rule,
                           const ProgressFn& progress = {}, unsigned peakThreads = 0);

// Places the cut lines by the rule's mode; `list` is the cut list the
// cut-list mode places.
StepOutcome PlaceByRule(const AnalysedFile& file, PartTable& parts, SettingsValues& settings,
                        const CuttingRule& rule, const CutList& list, PlacedNotes& notes);

// The notes as lines: each warning as "warning: TEXT", each part whose cut
// found no pause as "part K from TIME: No pause (cut on the quietest frame)".
std::vector<std::string> NoteLines(const StreamFacts& stream, const PartTable& parts,
                                   const PlacedNotes& notes);

// A failure when the placed table leaves nothing to split.
StepOutcome CheckSplittable(const PartTable& parts);

// A time in seconds as the messages show it ("12.5").
std::string ShortSecondsText(double t);

// The cut list with the same name beside `file` ("mix.mp3" -> "mix.cue").
std::string BesidePath(const std::string& file, CutListFormat format);

} // namespace tessivo
