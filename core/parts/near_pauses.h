// Parts of about the same length, each cut in a pause: cut k goes into the
// pause nearest to cut k-1 + length, within length +- tolerance.
#pragma once

#include "core/state/program_state.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessivo {

// Shown in the part list's status column for a part whose first frame is a
// cut that found no pause in its window.
inline constexpr const char* kNoPauseStatus = "No pause";

// Tolerance range, in percent of the length.
inline constexpr int kDefaultPauseTolerance = 20;
inline constexpr int kMaxPauseTolerance = 50;

struct NearPausesSettings {
    double lengthSeconds = 600.0;                  // the length parts aim at
    int tolerancePercent = kDefaultPauseTolerance; // held to 0..kMaxPauseTolerance
    int32_t silenceThreshold = 10;                 // percent, as for split by silence
    int32_t silenceRelease = 1000;                 // shortest pause in ms, likewise
};

// Part lengths in frames that the window allows: lo..hi, aiming at target.
struct PartLengthWindow {
    int64_t lo = 0;
    int64_t hi = 0;
    double target = 0.0;
};

// The window for a length and tolerance at a frame duration: lo rounds up and
// hi down (so parts stay inside length +- tolerance), lo is at least 1 frame
// and hi at least lo. lo = 0 means no window (no frame duration or length).
PartLengthWindow NearPausesWindow(double lengthSeconds, int tolerancePercent, double frameDuration);

struct NearPausesCuts {
    std::vector<int32_t> cuts; // ascending cut frames after the file start
    std::vector<bool> noPause; // per cut: no pause in its window, so it stands
                               // on the window's quietest frame
};

// Places the cuts over the exact peak table (the channel maxima, read as by
// split by silence). Cut k goes to the middle of the pause whose middle is
// nearest to cut k-1 + length among pauses whose middle lies in the window;
// longer pauses win ties, then the earlier one. With no such pause it goes on
// the frame of lowest level in the window (the first of equals). Cutting stops
// when the rest fits in one part; a last part shorter than the window's lower
// end is folded into the one before. At most kMaxParts - 1 cuts.
NearPausesCuts FindCutsNearPauses(std::span<const int16_t> peakMaxL,
                                  std::span<const int16_t> peakMaxR, uint32_t frameCount,
                                  double frameDuration, const NearPausesSettings& settings);

// Replaces the cut-line table by the cuts as the other preparations do (every
// part ticked, saved marks cleared, parts re-derived). Returns the no-pause
// flag of every part: entry k for part k = 1..PartCount (entry 0 unused); part
// k is flagged when its first frame is a no-pause cut.
std::vector<bool> ApplyCutsNearPauses(const StreamFacts& stream, PartTable& parts,
                                      const NearPausesCuts& cuts);

// Finds the cuts from the open file's peak table, threshold and minimum pause,
// and applies them. Returns the per-part no-pause flags as above.
std::vector<bool> PrepareNearPauses(const AnalysedFile& file, PartTable& parts,
                                    const SettingsValues& settings, double lengthSeconds,
                                    int tolerancePercent);

// The length text of --near-pauses: "[H:]MM:SS[,TOLERANCE]".
struct NearPausesLength {
    int seconds = 0;
    int tolerancePercent = kDefaultPauseTolerance;
};

// Reads the text into `out`. Returns "" when it is well formed, else the
// message: "Incorrect time value!" for the time, "Incorrect tolerance value!"
// for a tolerance that is not a whole number 0..50 (a trailing "%" is
// allowed). A zero length parses; CheckPartLength refuses it.
std::string ParseNearPausesText(const std::string& text, NearPausesLength& out);

} // namespace tessivo
