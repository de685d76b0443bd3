// The registry: every way of cutting, in the order they are listed. A new
// mode is its own file defining its CuttingMode, and one entry here.
#include "core/cutting/cutting_mode.h"

namespace tessivo {

const CuttingMode& VisualMode();
const CuttingMode& EqualPartsMode();
const CuttingMode& EqualTimeMode();
const CuttingMode& SilenceMode();
const CuttingMode& NearPausesMode();
const CuttingMode& AtTimesMode();
const CuttingMode& ChaptersMode();
const CuttingMode& CutListMode();

const std::vector<const CuttingMode*>& CuttingModes() {
    static const std::vector<const CuttingMode*> modes = {
        &VisualMode(),     &EqualPartsMode(), &EqualTimeMode(), &SilenceMode(),
        &NearPausesMode(), &AtTimesMode(),    &ChaptersMode(),  &CutListMode(),
    };
    return modes;
}

const CuttingMode* CuttingModeByKey(std::string_view key) {
    for (const CuttingMode* m : CuttingModes())
        if (m->key == key)
            return m;
    return nullptr;
}

std::vector<const CuttingMode*> CuttingModesOffered(ModePlace where) {
    std::vector<const CuttingMode*> offered;
    for (const CuttingMode* m : CuttingModes())
        if (m->Offered(where))
            offered.push_back(m);
    return offered;
}

CuttingRule RuleFor(std::string_view key) {
    CuttingRule rule;
    rule.mode = CuttingModeByKey(key);
    return rule;
}

PrepareOutcome PrepareCutLines(const AnalysedFile& file, PartTable& parts,
                               const SettingsValues& settings, PrepareInput& in) {
    if (!HasAudioToPrepare(file))
        return {};
    const CuttingMode* mode = CuttingModeByKey(in.mode);
    if (!mode || !mode->prepare)
        return {};
    return mode->prepare(file, parts, settings, in);
}

StepOutcome FailedUnless(const PrepareOutcome& prepared) {
    if (prepared.message.empty())
        return {};
    return {StepStatus::failed, prepared.message};
}

} // namespace tessivo
