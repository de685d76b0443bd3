// Equal time: parts of a given length, each cut on the frame nearest its time.
#include "core/cutting/cutting_mode.h"

namespace tessivo {

namespace {

StepOutcome Place(const AnalysedFile& file, PartTable& parts, SettingsValues&,
                  const CuttingRule& rule, const CutList&, PlacedNotes&) {
    return FailedUnless(PrepareByTime(file, parts, rule.timeSeconds.value_or(0)));
}

PrepareOutcome Prepare(const AnalysedFile& file, PartTable& parts, const SettingsValues&,
                       PrepareInput& in) {
    return PrepareEqualTimeInput(file, parts, in);
}

} // namespace

const CuttingMode& EqualTimeMode() {
    static const CuttingMode mode{.key = "time",
                                  .takes = kTakesLength,
                                  .offered = kInSplitPanel | kOnCommandLine | kInBatch,
                                  .place = Place,
                                  .prepare = Prepare};
    return mode;
}

} // namespace tessivo
