// At pauses near a length: parts of about the length, each cut in the pause
// nearest it within the tolerance (what counts as a pause: split by silence's).
#include "core/cutting/cutting_mode.h"

namespace tessivo {

namespace {

// The length is checked as an equal-time length is.
StepOutcome Place(const AnalysedFile& file, PartTable& parts, SettingsValues& settings,
                  const CuttingRule& rule, const CutList&, PlacedNotes& notes) {
    if (rule.silencePercent) {
        settings.SilenceThreshold = *rule.silencePercent;
        settings.SilenceRelease = *rule.silenceMs;
    }
    const NearPausesLength length = rule.nearPauses.value_or(NearPausesLength{});
    const std::string refusal = CheckPartLength(file, length.seconds);
    if (!refusal.empty())
        return {StepStatus::failed, refusal};
    notes.noPause =
        PrepareNearPauses(file, parts, settings, length.seconds, length.tolerancePercent);
    return {};
}

PrepareOutcome Prepare(const AnalysedFile& file, PartTable& parts, const SettingsValues& settings,
                       PrepareInput& in) {
    return PrepareAtPausesNear(file, parts, settings, in);
}

} // namespace

const CuttingMode& NearPausesMode() {
    static const CuttingMode mode{.key = "near-pauses",
                                  .takes = kTakesNearLength | kTakesPause,
                                  .offered = kInSplitPanel | kOnCommandLine | kInBatch,
                                  .needsPeaks = true,
                                  .place = Place,
                                  .prepare = Prepare,
                                  .checkBeforePeaks = CheckNearPausesInput};
    return mode;
}

} // namespace tessivo
