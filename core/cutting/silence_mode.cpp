// By silence: a cut in every pause, where the level has stayed below the
// threshold for the pause. Its threshold and pause are the settings file's
// "Threshold" and "Release", which the other pause finders share.
#include "core/cutting/cutting_mode.h"

namespace tessivo {

namespace {

StepOutcome Place(ProgramState& st, const CuttingRule& rule, const CutList&, PlacedNotes&) {
    if (rule.silencePercent) {
        st.SilenceThreshold = *rule.silencePercent;
        st.SilenceRelease = *rule.silenceMs;
    }
    return FailedUnless(PrepareBySilenceInput(st));
}

PrepareOutcome Prepare(ProgramState& st, PrepareInput&) {
    return PrepareBySilenceInput(st);
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
