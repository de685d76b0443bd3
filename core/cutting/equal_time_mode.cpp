// Equal time: parts of a given length, each cut on the frame nearest its time.
#include "core/cutting/cutting_mode.h"

namespace tessivo {

namespace {

StepOutcome Place(ProgramState& st, const CuttingRule& rule, const CutList&, PlacedNotes&) {
    return FailedUnless(PrepareByTime(st, rule.timeSeconds.value_or(0)));
}

PrepareOutcome Prepare(ProgramState& st, PrepareInput& in) {
    return PrepareEqualTimeInput(st, in);
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
