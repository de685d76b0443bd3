// By silence: a cut in every pause, where the level has stayed below the
// threshold for the pause. Its threshold and pause are the settings file's
// "Threshold" and "Release", which the other pause finders share.
#include "core/cutting/cutting_mode.h"

namespace tessivo {

namespace {

StepOutcome Place(const AnalysedFile& file, PartTable& parts, SettingsValues& settings,
                  const CuttingRule& rule, const CutList&, PlacedNotes&) {
    if (rule.silencePercent) {
        settings.SilenceThreshold = *rule.silencePercent;
        settings.SilenceRelease = *rule.silenceMs;
    }
    return FailedUnless(PrepareBySilenceInput(file, parts, settings));
}

PrepareOutcome Prepare(const AnalysedFile& file, PartTable& parts, const SettingsValues& settings,
                       PrepareInput&) {
    return PrepareBySilenceInput(file, parts, settings);
}

} // namespace

const CuttingMode& SilenceMode() {
    static const CuttingMode mode{.key = kSilenceKey,
                                  .takes = kTakesPause,
                                  .offered = kInSplitPanel | kOnCommandLine | kInBatch,
                                  .needsPeaks = true,
                                  .settings = {{"Threshold", &SettingsValues::SilenceThreshold, 10},
                                               {"Release", &SettingsValues::SilenceRelease, 1000}},
                                  .place = Place,
                                  .prepare = Prepare};
    return mode;
}

} // namespace tessivo
