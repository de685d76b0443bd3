#include "core/parts/part_times.h"

#include "core/analysis/time_base.h"
#include "core/parts/part_access.h"

#include <algorithm>

namespace tessivo {

int64_t PartCutSample(const PartTable& parts, int k) {
    if (k < 2 || k > PartCount(parts))
        return -1;
    return parts.Parts[static_cast<size_t>(k - 1)].cutSample;
}

void SetPartCutSample(const StreamFacts& stream, PartTable& parts, int k, int64_t sample) {
    if (k < 2 || k > PartCount(parts) || sample < 0)
        return;
    const TimeBase tb = TimeBaseOf(stream);
    PartRecord& part = parts.Parts[static_cast<size_t>(k - 1)];
    if (sample <= tb.samples && NearestFrameToSample(tb, sample) == part.start)
        part.cutSample = sample;
}

void SetCutSampleAtFrame(const StreamFacts& stream, PartTable& parts, int32_t frame,
                         int64_t sample) {
    for (int k = 2; k <= PartCount(parts); ++k)
        if (PartFirstFrame(parts, k) == frame)
            SetPartCutSample(stream, parts, k, sample);
}

int64_t PartStartSample(const StreamFacts& stream, const PartTable& parts, int k) {
    const int64_t cut = PartCutSample(parts, k);
    if (cut >= 0)
        return cut;
    const TimeBase tb = TimeBaseOf(stream);
    return k <= 1
               ? 0
               : std::clamp<int64_t>(FrameStartSample(tb, PartFirstFrame(parts, k)), 0, tb.samples);
}

int64_t PartEndSample(const StreamFacts& stream, const PartTable& parts, int k) {
    return k < PartCount(parts) ? PartStartSample(stream, parts, k + 1)
                                : TimeBaseOf(stream).samples;
}

bool PartCutOffGrid(const PartTable& parts, int k) {
    return PartCutSample(parts, k) >= 0 ||
           (k < PartCount(parts) && PartCutSample(parts, k + 1) >= 0);
}

double PartStartSeconds(const StreamFacts& stream, const PartTable& parts, int k) {
    const int64_t cut = PartCutSample(parts, k);
    return cut >= 0 ? SampleSeconds(TimeBaseOf(stream), cut)
                    : FrameSeconds(stream, PartFirstFrame(parts, k));
}

double PartEndSeconds(const StreamFacts& stream, const PartTable& parts, int k) {
    if (k < PartCount(parts) && PartCutSample(parts, k + 1) >= 0)
        return PartStartSeconds(stream, parts, k + 1);
    return FrameSeconds(stream, int64_t{PartLastFrame(stream, parts, k)} + 1);
}

} // namespace tessivo
