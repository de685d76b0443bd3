// Visual splitting: the cut lines are placed by hand on the waveform; Prepare
// only clears the selection.
#include "core/cutting/cutting_mode.h"

namespace tessivo {

namespace {

PrepareOutcome Prepare(const AnalysedFile&, PartTable& parts, const SettingsValues&,
                       PrepareInput&) {
    parts.SelectedPart = 0;
    PrepareOutcome out;
    out.acted = true;
    return out;
}

} // namespace

const CuttingMode& VisualMode() {
    static const CuttingMode mode{.key = kVisualKey, .offered = kInSplitPanel, .prepare = Prepare};
    return mode;
}

} // namespace tessivo
