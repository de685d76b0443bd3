// File > Import track list...: a track list's starts snapped into the pauses,
// or its titles alone given to the parts there are, as one edit.
#include "core/batch/track_list_rule.h"
#include "core/cutlist/track_list.h"
#include "core/document/document.h"
#include "core/parts/part_access.h"

namespace tessivo {

CutListImport Document::ImportTrackListFile(const std::string& path, double snapSeconds) {
    CutListImport result;
    if (!st_.FileLoaded || st_.FrameCount == 0)
        return result;
    const TrackListRead read = ReadTrackListFile(path);
    if (!read.ok()) {
        result.error = read.error;
        return result;
    }
    if (read.list.form != TrackListForm::Titles) {
        CutList cuts;
        result.error = TrackListCuts(st_, st_, read.list, snapSeconds, cuts, result.warnings);
        if (!result.error.empty())
            return result;
        std::vector<std::string> snapWarnings = std::move(result.warnings);
        result = ImportCutList(cuts);
        result.warnings.insert(result.warnings.begin(), snapWarnings.begin(), snapWarnings.end());
    } else {
        if (PartCount(st_) < 2) {
            result.error = "No line of " + path +
                           " has a time: cut the file first (at pauses, for example), then "
                           "import its titles";
            return result;
        }
        const auto before = Before();
        PlacedNotes notes;
        TitleParts(st_, read.list, notes);
        result.warnings = notes.warnings;
        result.acted = true;
        const bool tagsOn = TagsOnForTitles();
        Edited(EditKind::ImportCutList, before,
               DocumentChange::PartMarks | DocumentChange::Tags |
                   (tagsOn ? DocumentChange::Settings : DocumentChange{}));
    }
    // The parts are the list's tracks: numbered n/N.
    SetNumberTracks(true);
    return result;
}

} // namespace tessivo
