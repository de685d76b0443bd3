#include "core/parts/pause_scan.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessivo {

PauseRules PauseRulesFor(int32_t thresholdPercent, int32_t releaseMs, double frameDuration) {
    PauseRules r;
    const double thresh = std::clamp<double>(thresholdPercent, -1000.0, 1000.0);
    r.limitSum = 2 * static_cast<int32_t>(std::nearbyint(thresh * 327.67));
    // The pause is compared as a single-precision number of seconds.
    const double pause = static_cast<float>(releaseMs / 1000.0);
    if (pause <= 0.0) {
        r.minFrames = 1;
        return r;
    }
    if (!(frameDuration > 0.0) || pause / frameDuration > 1e15) {
        r.minFrames = std::numeric_limits<int64_t>::max();
        return r;
    }
    // The smallest count q with q x frame duration >= pause, exactly as the
    // product compares.
    int64_t q = std::max<int64_t>(1, static_cast<int64_t>(std::ceil(pause / frameDuration)));
    while (q > 1 && static_cast<double>(q - 1) * frameDuration >= pause)
        --q;
    while (static_cast<double>(q) * frameDuration < pause)
        ++q;
    r.minFrames = q;
    return r;
}

size_t PeakFrames(std::span<const int16_t> maxL, std::span<const int16_t> maxR,
                  uint32_t frameCount) {
    return std::min<size_t>({frameCount, maxL.size(), maxR.size(), size_t(INT32_MAX)});
}

} // namespace tessivo
