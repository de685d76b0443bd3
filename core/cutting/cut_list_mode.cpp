// By a cut list: the cue sheet's tracks, Audacity labels or CSV segments
// (given on the command line, or beside each file of a batch).
#include "core/cutting/cutting_mode.h"

#include "core/cutlist/apply_cut_list.h"

#include <utility>

namespace tessivo {

namespace {

StepOutcome Place(const AnalysedFile& file, PartTable& parts, SettingsValues&, const CuttingRule&,
                  const CutList& list, PlacedNotes& notes) {
    FrameCutList placed = ApplyCutList(file, parts, list);
    notes.warnings = std::move(placed.warnings);
    notes.listParts = std::move(placed.parts);
    return {};
}

} // namespace

const CuttingMode& CutListMode() {
    static const CuttingMode mode{.key = kCutListKey,
                                  .takes = kTakesCutList,
                                  .offered = kOnCommandLine | kInBatch,
                                  .place = Place};
    return mode;
}

} // namespace tessivo
