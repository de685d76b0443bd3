// Moving given cut times into the pauses near them: a track list's starts go
// to the middle of the nearest pause, as the silence mode finds pauses.
#pragma once

#include "core/parts/pause_scan.h"
#include "core/state/program_state.h"

#include <optional>
#include <vector>

namespace tessivo {

// The pauses of the open file by `rules`, in order, without one that starts
// at frame 0 (before any sound).
std::vector<Pause> PausesOf(const AnalysedFile& file, const PauseRules& rules);

// The rules of the state's silence threshold and minimum pause.
PauseRules SilenceRulesOf(const StreamFacts& stream, const SettingsValues& settings);

// Where a pause lies in seconds: from its first frame's start to the end of
// its last frame.
struct PauseSpan {
    double start = 0.0, end = 0.0;
    double Middle() const { return (start + end) / 2.0; }
};
PauseSpan SpanOf(const StreamFacts& stream, const Pause& p);

// The pause by the state's silence values that a cut at frame `frame` lies
// in: the frame or the one before it is quiet (a cut at either edge of a
// pause counts). Empty when the cut lies in sound.
std::optional<PauseSpan> PauseAtCut(const AnalysedFile& file, const SettingsValues& settings,
                                    int32_t frame);

// One time after snapping: the middle of the nearest pause, or the time
// itself when no pause lies within reach (inPause false).
struct SnappedTime {
    double seconds = 0.0;
    bool inPause = false;
};

// Snaps each of `times` to the pause nearest to it among `pauses`: the one
// whose span lies the least far from it (0 when the time is inside), within
// `reach` seconds; of two as near, the longer, then the earlier. A reach of 0
// or less keeps every time (inPause false).
std::vector<SnappedTime> SnapToPauses(const StreamFacts& stream, const std::vector<Pause>& pauses,
                                      const std::vector<double>& times, double reach);

} // namespace tessivo
