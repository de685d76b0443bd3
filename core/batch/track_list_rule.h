// A track list applied to an opened file: its start times (snapped into the
// pauses near them) cut the file, or its titles go to the parts another way
// of cutting makes; either way the parts carry its titles and are numbered
// as tracks.
#pragma once

#include "core/cutlist/track_list.h"
#include "core/cutting/cutting_rule.h"

#include <string>

namespace tessivo {

// Default reach of the snap, in seconds.
constexpr double kDefaultSnapSeconds = 5.0;

// Whether the rule names a way of cutting (--silence counts as one).
bool HasWayOfCutting(const CuttingRule& rule);

// The starts of a timed list as a cut list of points, each in the middle of
// the nearest pause by the state's silence values within `snapSeconds` (0:
// as given); a cut with no pause in reach stays with the warning "Line 7: no
// pause within 5 s of 12:03.000". Returns the error of a start past the end
// (nothing in `cuts` then), else "".
std::string TrackListCuts(const AnalysedFile& file, const SettingsValues& settings,
                          const TrackList& tracks, double snapSeconds, CutList& cuts,
                          std::vector<std::string>& warnings);

// The titles of a list without times go to the parts in order; a count of
// titles other than the parts' is warned about.
void TitleParts(PartTable& parts, const TrackList& tracks, PlacedNotes& notes);

// Places the parts of `tracks`. A timed list refuses another way of cutting
// than the silence values, which then only say what counts as a pause; each
// of its cuts goes to the middle of the nearest pause within `snapSeconds`
// (0: as given), and one with no pause in reach stays with the warning "Line
// 7: no pause within 5 s of 12:03.000". A list of titles alone needs a way
// of cutting (`list` is its cut list) and titles its parts in order. Errors
// of the list's lines are usage outcomes naming the line.
StepOutcome PlaceByTrackList(const AnalysedFile& file, PartTable& parts, SettingsValues& settings,
                             const CuttingRule& rule, const TrackList& tracks, double snapSeconds,
                             const CutList& list, PlacedNotes& notes);

} // namespace tessivo
