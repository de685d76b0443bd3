// Automatic placement of cut lines: equal parts, equal time, at pauses, and
// the checks and edit rules of the split settings panel.
#pragma once

#include "core/state/program_state.h"

#include <string>
#include <vector>

namespace tessivo {

// Each replaces the cut-line table, ticks every part, clears its saved mark and
// re-derives the parts. A cut line that would fall on or past the last frame
// is left out, so every part lies inside the file. Except for equal parts
// (which are all under a second when the last is), a last part shorter than
// one second is folded into the part before it. Equal time puts cut k
// (k = 1, 2, ...) on the frame nearest k x seconds from the start.
void PrepareEqualParts(const StreamFacts& stream, PartTable& parts, int n);
void PrepareEqualTime(const StreamFacts& stream, PartTable& parts, int seconds);
void PrepareBySilence(const AnalysedFile& file, PartTable& parts, const SettingsValues& settings);

// The common end of every preparation: `cuts` are ascending cut lines after
// the file's start; keeps those that lie before the last frame, with
// `foldShortLastPart` drops the last ones while the last part would be
// shorter than one second, and makes fresh parts there (ReplaceParts).
void FinishPreparation(const StreamFacts& stream, PartTable& parts, std::vector<int32_t> cuts,
                       bool foldShortLastPart = true);

// What the panel holds when Prepare is pressed.
struct PrepareInput {
    std::string mode = "visual"; // the key of the way of cutting (core/cutting)
    int parts = 2;               // SpinEditParts
    std::string timeHH = "0";    // hours of equal time
    std::string timeMM = "00";   // EditTimeMM
    std::string timeSS = "01";   // EditTimeSS
    // Split at pauses near: the length as H:MM:SS (or MM:SS) and the
    // tolerance in percent.
    std::string nearLength = "0:10:00";
    int nearTolerance = 20;
};

struct PrepareOutcome {
    // The table was (re)placed and the selection cleared: refresh the part
    // list and redraw. False when nothing happened or a message was shown.
    bool acted = false;
    std::string message; // to show in a message box when not empty
    // After split at pauses near: entry k is true when part k starts on a cut
    // that found no pause (entry 0 unused); empty after the other modes.
    std::vector<bool> noPause;
    // Nothing changed yet: the mode looks for pauses and the exact peaks
    // are still being computed; the preparation runs when they are done.
    bool waiting = false;
};

// The file is long enough to cut: two seconds of audio at least.
bool HasAudioToPrepare(const StreamFacts& stream);

// The Prepare button's preparations (core/cutting dispatches by the mode).
// Each prepares, clears the selection and sets `acted`, or gives the message.
// Equal time checks the time edits first (empty minutes and seconds become
// "00" in `in`, empty hours "0").
PrepareOutcome PrepareEqualPartsInput(const StreamFacts& stream, PartTable& parts,
                                      const PrepareInput& in);
PrepareOutcome PrepareEqualTimeInput(const StreamFacts& stream, PartTable& parts, PrepareInput& in);
PrepareOutcome PrepareBySilenceInput(const AnalysedFile& file, PartTable& parts,
                                     const SettingsValues& settings);
PrepareOutcome PrepareAtPausesNear(const AnalysedFile& file, PartTable& parts,
                                   const SettingsValues& settings, const PrepareInput& in);

// The message Prepare at pauses near shows for `in` before it looks at the
// peaks (its length and tolerance); "" when they can be used.
std::string CheckNearPausesInput(const StreamFacts& stream, const PrepareInput& in);

// Equal time by a part length in whole seconds, any number of hours: does
// nothing under 2 seconds of audio; refuses a length with CheckPartLength's
// message; else prepares and clears the selection (`acted`). The Prepare
// button's minute and second edits come here too.
PrepareOutcome PrepareByTime(const StreamFacts& stream, PartTable& parts, long seconds);

// The equal-time checks: fills `seconds` and returns "" when the time can be
// used, else the message to show. Empty texts become "00". Texts that are not
// digits or that hold 60 or more give "Incorrect time value!".
std::string CheckEqualTime(const StreamFacts& stream, std::string& mm, std::string& ss,
                           int& seconds);

// The checks of a part length of t whole seconds against the open file:
// "Input time value!" for 0, "Incorrect time value!" when not shorter than the
// file, the "Too much parts (" message when more than 500 parts would result;
// "" when the length can be used.
std::string CheckPartLength(const StreamFacts& stream, long t);

// The length of one of n equal parts as the two time edits show it. Returns
// false (edits keep their text) when that length is an hour or more.
bool ShowEqualPartTime(const StreamFacts& stream, int n, std::string& mm, std::string& ss);
// The same with hours ("1", minutes and seconds "00"..."59"); false only
// for no parts.
bool ShowEqualPartTimeHms(const StreamFacts& stream, int n, std::string& hh, std::string& mm,
                          std::string& ss);

// Rule for the hour, minute and second edits. `before` is the text before
// the change, `after` the text the box would hold. Returns the text to keep:
// up to five digits of any value (the boxes carry over on Prepare), or
// `before` for a longer text or one with anything but digits (pasted text).
std::string TimeEditText(const std::string& before, const std::string& after);

// The equal-time boxes carried over: any hours, minutes and seconds become
// hours with minutes and seconds below 60 ("0", "90", "75" gives "1", "31",
// "15"); empty boxes count as 0. False, and the texts kept, for anything but
// digits or a time of 1000 hours or more.
bool NormaliseEqualTime(std::string& hh, std::string& mm, std::string& ss);

// The same rule with a bound, for the tag panel's year (bound 10000) and
// track (bound 256) edits.
std::string BoundedDigitsEditText(const std::string& before, const std::string& after, long bound);

// Key filter of the digit edits: only 0..9 and backspace (8) pass.
bool IsDigitKey(int ch);

} // namespace tessivo
