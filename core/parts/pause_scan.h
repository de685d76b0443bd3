// Pauses in the peak table: the quiet stretches that the silence mode and the
// pauses-near-a-length mode both cut in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tessivo {

// How quiet a frame must be, and for how long, to make a pause. A frame's
// level is the mean of both channel maxima (the second is 0 for a mono file,
// so there the first counts half); it is held doubled, as the sum of the two,
// so the scan stays in whole numbers.
struct PauseRules {
    int32_t limitSum = 0;  // a frame whose two maxima add up to less is quiet
    int64_t minFrames = 1; // quiet frames in a row that make a pause
};

// The rules for a threshold in percent of full scale (limit: threshold x
// 327.67, rounded) and a minimum pause in milliseconds. The threshold is held
// to +-1000 % so the arithmetic stays defined; a pause of 0 ms or less needs
// one quiet frame; without a frame duration a positive pause is never reached.
PauseRules PauseRulesFor(int32_t thresholdPercent, int32_t releaseMs, double frameDuration);

// Twice the level of frame i.
inline int32_t LevelSum(std::span<const int16_t> maxL, std::span<const int16_t> maxR, size_t i) {
    return int32_t{maxL[i]} + maxR[i];
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
    const int16_t* l = maxL.data();
    const int16_t* r = maxR.data();
    size_t i = 0;
    while (i < frames) {
        while (i < frames && int32_t{l[i]} + r[i] >= rules.limitSum)
            ++i;
        const size_t start = i;
        while (i < frames && int32_t{l[i]} + r[i] < rules.limitSum)
            ++i;
        if (i > start && static_cast<int64_t>(i - start) >= rules.minFrames &&
            !visit(Pause{static_cast<int32_t>(start), static_cast<int32_t>(i - 1)}))
            return;
    }
}

} // namespace tessivo
