// Running a way of cutting on an open file, for split and cuts alike: read
// the cut list, open the source, place the cut lines, report what to note.
#pragma once

#include "cli/commands.h"
#include "core/analysis/open_file.h"
#include "core/cutlist/cut_list.h"
#include "core/output/part_tag.h"
#include "core/state/program_state.h"

#include <string>
#include <vector>

namespace tessivo::cli {

// What placing the cut lines leaves to tell the user besides the table.
struct PlacedNotes {
    std::vector<std::string> warnings; // cut list lines left out or merged
    std::vector<bool> noPause;         // per part: a near-pauses cut found no pause
    std::vector<ChapterCut> chapters;  // --chapters: the cuts and their titles
    std::vector<CutPart> listParts;    // a cut list: what it says of part k at k - 1
};

// Reads the cut list file of a list mode into `list` (nothing to do for other
// modes). A malformed list is a usage error of `command` naming the option,
// the file and the line; an unreadable file a failure. Returns the exit status.
int ReadModeCutList(const ModeOptions& o, const std::string& command, CutList& list);

// Opens the source as the window does before a split, with the peak table
// when the mode looks for pauses or `loudness` asks for the parts' loudness.
// Returns the exit status.
int OpenSource(ProgramState& st, const std::string& file, const ModeOptions& o,
               const ProgressFn& progress, bool loudness = false);

// Places the cut lines by the mode; bad --at times and a file without
// chapters for --chapters are usage errors of `command`, lengths the file
// cannot take failures. Returns the exit status.
int PlaceByMode(ProgramState& st, const ModeOptions& o, const CutList& list,
                const std::string& command, PlacedNotes& notes);

// Prints the warnings and a "No pause" line per part whose cut found no
// pause on stderr, each after "tessivo-cli COMMAND: ".
void ReportNotes(const ProgramState& st, const PlacedNotes& notes, const std::string& command);

} // namespace tessivo::cli
