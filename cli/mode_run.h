// Running a way of cutting on an open file, for split and cuts alike: read
// the cut list, open the source, place the cut lines, report what to note.
// The work is core's (core/cutting/cutting_rule.h); these print its outcomes.
#pragma once

#include "cli/commands.h"
#include "core/analysis/open_file.h"
#include "core/cutlist/cut_list.h"
#include "core/cutlist/track_list.h"
#include "core/cutting/cutting_rule.h"
#include "core/state/program_state.h"

#include <optional>
#include <string>
#include <vector>

namespace tessivo::cli {

// The way of cutting the options give, for core.
CuttingRule RuleOf(const ModeOptions& o);

// The mode of one file: --beside becomes the cut list beside `file`.
ModeOptions ModeForFile(const ModeOptions& o, const std::string& file);

// Reads the cut list file of a list mode into `list` (nothing to do for other
// modes). A malformed list is a usage error of `command` naming the option,
// the file and the line; an unreadable file a failure. Returns the exit status.
int ReadModeCutList(const ModeOptions& o, const std::string& command, CutList& list);

// Reads the --tracklist file into `tracks` (nothing to do without one). A
// malformed list is a usage error of `command` naming the file and the line;
// an unreadable file a failure. Returns the exit status.
int ReadModeTrackList(const ModeOptions& o, const std::string& command,
                      std::optional<TrackList>& tracks);

// Opens the source as the window does before a split, with the peak table
// when the mode looks for pauses or `loudness` asks for the parts' loudness.
// Returns the exit status.
int OpenSource(ProgramState& st, const std::string& file, const ModeOptions& o,
               const ProgressFn& progress, bool loudness = false);

// Places the cut lines by the mode; bad --at times and a file without
// chapters for --chapters are usage errors of `command`, lengths the file
// cannot take failures. Returns the exit status.
// With `tracks`, the track list makes the cuts or titles the parts
// (core/batch/track_list_rule.h).
int PlaceByMode(ProgramState& st, const ModeOptions& o, const CutList& list,
                const std::string& command, PlacedNotes& notes,
                const std::optional<TrackList>& tracks = std::nullopt);

// Prints the warnings and a "No pause" line per part whose cut found no
// pause on stderr, each after "tessivo-cli COMMAND: ".
void ReportNotes(const ProgramState& st, const PlacedNotes& notes, const std::string& command);

} // namespace tessivo::cli
