// Equal parts: a number of parts of the same number of frames.
#include "core/cutting/cutting_mode.h"

namespace tessivo {

namespace {

StepOutcome Place(ProgramState& st, const CuttingRule& rule, const CutList&, PlacedNotes&) {
    PrepareInput in;
    in.parts = rule.parts.value_or(2);
    return FailedUnless(PrepareEqualPartsInput(st, in));
}

PrepareOutcome Prepare(ProgramState& st, PrepareInput& in) {
    return PrepareEqualPartsInput(st, in);
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
