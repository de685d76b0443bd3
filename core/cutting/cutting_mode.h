// A way of cutting: its stable key, the values it takes, the settings it
// keeps, whether it needs the exact peaks, where it is offered, and how it
// places cut lines. Each is one object in its own file (core/cutting/*_mode.cpp),
// listed once in cutting_modes.cpp; the command line, the batch split, the
// window's split panel and the settings file find the modes there.
#pragma once

#include "core/cutting/cutting_rule.h"
#include "core/parts/prepare.h"

#include <string_view>
#include <vector>

namespace tessivo {

// The values a way of cutting takes (bits of CuttingMode::takes).
enum ModeValue : unsigned {
    kTakesPartCount = 1u << 0,  // a number of equal parts
    kTakesLength = 1u << 1,     // a part length
    kTakesPause = 1u << 2,      // what counts as a pause: threshold and pause
    kTakesNearLength = 1u << 3, // a length near which to look for pauses, and a tolerance
    kTakesTimes = 1u << 4,      // the times of the cuts
    kTakesCutList = 1u << 5,    // a cut list file
};

// Where a way of cutting is offered (bits of CuttingMode::offered).
enum ModePlace : unsigned {
    kInSplitPanel = 1u << 0,
    kOnCommandLine = 1u << 1,
    kInBatch = 1u << 2,
};

// A whole-number setting a mode keeps in the settings file, under `key`.
struct ModeSetting {
    const char* key;
    int32_t SettingsValues::*value;
    int32_t fallback; // when the file lacks the key or holds no number
};

struct CuttingMode {
    std::string_view key; // stable: PartTable::SplitMode and PrepareInput::mode hold it
    unsigned takes = 0;   // ModeValue bits
    unsigned offered = 0; // ModePlace bits
    bool needsPeaks = false;
    std::vector<ModeSetting> settings{};
    // Places the cut lines for the command line and the batch split; the
    // values are the rule's. Null where the mode is not offered there.
    StepOutcome (*place)(const AnalysedFile& file, PartTable& parts, SettingsValues& settings,
                         const CuttingRule& rule, const CutList& list,
                         PlacedNotes& notes) = nullptr;
    // The split panel's Prepare for this mode (ticks, clears the selection,
    // says what to show). Null where the document places the cuts itself.
    PrepareOutcome (*prepare)(const AnalysedFile& file, PartTable& parts,
                              const SettingsValues& settings, PrepareInput& in) = nullptr;
    // The message Prepare shows before it waits for the exact peaks ("" when
    // the panel's values can be used). Null: nothing to check before.
    std::string (*checkBeforePeaks)(const StreamFacts& stream, const PrepareInput& in) = nullptr;

    bool Offered(ModePlace where) const { return (offered & where) != 0; }
    bool Takes(ModeValue value) const { return (takes & value) != 0; }
};

// Every way of cutting, in the order the panel, the batch dialog and the
// command line's help list them.
const std::vector<const CuttingMode*>& CuttingModes();

// The mode with this key, or null.
const CuttingMode* CuttingModeByKey(std::string_view key);

// The modes offered at `where`, in the registry's order.
std::vector<const CuttingMode*> CuttingModesOffered(ModePlace where);

// A rule cutting by the mode with this key (null mode for an unknown key).
CuttingRule RuleFor(std::string_view key);

// The keys of the modes the rest of the program names.
inline constexpr std::string_view kVisualKey = "visual";
inline constexpr std::string_view kSilenceKey = "silence";
inline constexpr std::string_view kChaptersKey = "chapters";
inline constexpr std::string_view kCutListKey = "cut-list";

// The split panel's Prepare: does nothing under 2 seconds of audio; else the
// mode's own preparation. Chapters and unknown keys do nothing here.
PrepareOutcome PrepareCutLines(const AnalysedFile& file, PartTable& parts,
                               const SettingsValues& settings, PrepareInput& in);

// A preparation's message as a step's failure (or success when empty).
StepOutcome FailedUnless(const PrepareOutcome& prepared);

} // namespace tessivo
