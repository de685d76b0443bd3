// Equal parts: a number of parts of the same number of frames.
#include "core/cutting/cutting_mode.h"

namespace tessivo {

namespace {

StepOutcome Place(const AnalysedFile& file, PartTable& parts, SettingsValues&,
                  const CuttingRule& rule, const CutList&, PlacedNotes&) {
    PrepareInput in;
    in.parts = rule.parts.value_or(2);
    return FailedUnless(PrepareEqualPartsInput(file, parts, in));
}

PrepareOutcome Prepare(const AnalysedFile& file, PartTable& parts, const SettingsValues&,
                       PrepareInput& in) {
    return PrepareEqualPartsInput(file, parts, in);
}

} // namespace

const CuttingMode& EqualPartsMode() {
    static const CuttingMode mode{.key = "parts",
                                  .takes = kTakesPartCount,
                                  .offered = kInSplitPanel | kOnCommandLine | kInBatch,
                                  .place = Place,
                                  .prepare = Prepare};
    return mode;
}

} // namespace tessivo
