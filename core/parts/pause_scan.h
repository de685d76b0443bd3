// Pauses in the peak table: the quiet stretches that the silence mode and the
// pauses-near-a-length mode both cut in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tessivo {

// How quiet a frame must be, and for how long, to make a pause.
struct PauseRules {
    float limit = 0.0f;    // a frame whose level is below this is quiet
    int64_t minFrames = 1; // quiet frames in a row that make a pause
};

// The rules for a threshold in percent of full scale and a minimum pause in
// milliseconds. The threshold is held to +-1000 % so the arithmetic stays
// defined; a pause of 0 ms or less needs one quiet frame; without a frame
// duration a positive pause is never reached.
PauseRules PauseRulesFor(int32_t thresholdPercent, int32_t releaseMs, double frameDuration);

// Level of frame i: the mean of both channel maxima (the second is 0 for a
// mono file, so there the first counts half).
inline float FrameLevel(std::span<const int16_t> maxL, std::span<const int16_t> maxR, size_t i) {
    return (static_cast<float>(maxL[i]) + maxR[i]) / 2.0f;
}

// Frames both channels' tables cover, at most `frameCount` and INT32_MAX.
size_t PeakFrames(std::span<const int16_t> maxL, std::span<const int16_t> maxR,
                  uint32_t frameCount);

// A run of quiet frames, first..last inclusive.
struct Pause {
    int32_t first = 0;
    int32_t last = 0;
    int32_t Middle() const { return first + (last - first) / 2; }
    int32_t Length() const { return last - first + 1; }
};

// Calls visit(Pause) for every longest run of quiet frames among the first
// `frames` that is at least rules.minFrames long, in order, until visit
// returns false. One pass, no allocation. A run at frame 0 comes before any
// sound; every other run follows sound.
template <class Visit>
void ForEachPause(std::span<const int16_t> maxL, std::span<const int16_t> maxR, size_t frames,
                  const PauseRules& rules, Visit&& visit) {
    int64_t runStart = -1;
    for (size_t i = 0; i <= frames; ++i) {
        const bool quiet = i < frames && FrameLevel(maxL, maxR, i) < rules.limit;
        if (quiet) {
            if (runStart < 0)
                runStart = static_cast<int64_t>(i);
            continue;
        }
        if (runStart >= 0 && static_cast<int64_t>(i) - runStart >= rules.minFrames &&
            !visit(Pause{static_cast<int32_t>(runStart), static_cast<int32_t>(i - 1)}))
            return;
        runStart = -1;
    }
}

} // namespace tessivo
