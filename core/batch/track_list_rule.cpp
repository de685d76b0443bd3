#include "core/batch/track_list_rule.h"

#include "core/cutting/cutting_mode.h"
#include "core/parts/part_access.h"
#include "core/parts/pause_snap.h"
#include "core/util/time_text.h"

#include <algorithm>
#include <cstdio>

namespace tessivo {

namespace {

std::string ReachText(double seconds) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", seconds);
    return buf;
}

} // namespace

void TitleParts(PartTable& parts, const TrackList& tracks, PlacedNotes& notes) {
    const size_t count = std::min<size_t>(tracks.tracks.size(), size_t(PartCount(parts)));
    notes.listParts.resize(std::max(notes.listParts.size(), count));
    for (size_t k = 0; k < count; ++k) {
        const std::string& title = tracks.tracks[k].title;
        if (title.empty())
            continue;
        notes.listParts[k].title = title;
        PartRecord& part = parts.Parts[k];
        part.own.title = title;
        part.ownFields |= kTagTitle;
    }
    if (tracks.tracks.size() != size_t(PartCount(parts)))
        notes.warnings.push_back("The track list has " + std::to_string(tracks.tracks.size()) +
                                 " titles for " + std::to_string(PartCount(parts)) + " parts");
}

std::string TrackListCuts(const AnalysedFile& file, const SettingsValues& settings,
                          const TrackList& tracks, double snapSeconds, CutList& cuts,
                          std::vector<std::string>& warnings) {
    std::vector<double> starts;
    const std::string error = TrackStarts(tracks, file.Duration, starts);
    if (!error.empty())
        return error;
    std::vector<SnappedTime> snapped(starts.size());
    if (snapSeconds > 0.0)
        snapped =
            SnapToPauses(file, PausesOf(file, SilenceRulesOf(file, settings)), starts, snapSeconds);
    for (size_t k = 0; k < starts.size(); ++k) {
        CutListEntry e;
        e.line = tracks.tracks[k].line;
        e.title = tracks.tracks[k].title;
        e.startSeconds = snapped[k].inPause ? snapped[k].seconds : starts[k];
        // The first track starts with the file; no cut to snap there.
        if (k == 0)
            e.startSeconds = 0.0;
        else if (snapSeconds > 0.0 && !snapped[k].inPause)
            warnings.push_back(LinePrefix(e.line) + "no pause within " + ReachText(snapSeconds) +
                               " s of " + FormatNoteTimeText(starts[k]));
        cuts.entries.push_back(std::move(e));
    }
    return "";
}

bool HasWayOfCutting(const CuttingRule& rule) {
    return rule.mode != nullptr;
}

StepOutcome PlaceByTrackList(const AnalysedFile& file, PartTable& parts, SettingsValues& settings,
                             const CuttingRule& rule, const TrackList& tracks, double snapSeconds,
                             const CutList& list, PlacedNotes& notes) {
    notes.numberTracks = true;
    if (tracks.form == TrackListForm::Titles) {
        if (!HasWayOfCutting(rule))
            return {StepStatus::usage,
                    "no line has a time; give a way of cutting (--silence, --near-pauses, ...) "
                    "for its titles."};
        const StepOutcome placed = PlaceByRule(file, parts, settings, rule, list, notes);
        if (placed.ok())
            TitleParts(parts, tracks, notes);
        return placed;
    }
    CuttingRule own = rule;
    own.silencePercent.reset();
    own.silenceMs.reset();
    if (own.mode && own.mode->key == kSilenceKey)
        own.mode = nullptr;
    if (HasWayOfCutting(own))
        return {StepStatus::usage, "its lines give the cuts; no other way of cutting goes with "
                                   "it (--silence only says what counts as a pause)."};
    own.mode = CuttingModeByKey(kCutListKey);
    if (rule.silencePercent) {
        settings.SilenceThreshold = *rule.silencePercent;
        settings.SilenceRelease = *rule.silenceMs;
    }
    CutList cuts;
    std::vector<std::string> warnings;
    const std::string error = TrackListCuts(file, settings, tracks, snapSeconds, cuts, warnings);
    if (!error.empty())
        return {StepStatus::usage, error + "."};
    const StepOutcome placed = PlaceByRule(file, parts, settings, own, cuts, notes);
    notes.warnings.insert(notes.warnings.begin(), warnings.begin(), warnings.end());
    return placed;
}

} // namespace tessivo
