#include "core/parts/part_times.h"

#include "core/analysis/time_base.h"
#include "core/parts/part_access.h"

#include <algorithm>

namespace tessivo {

int64_t PartCutSample(const ProgramState& st, int k) {
    if (k < 2 || k > PartCount(st))
        return -1;
    return st.Parts[static_cast<size_t>(k - 1)].cutSample;
}

void SetPartCutSample(ProgramState& st, int k, int64_t sample) {
    if (k < 2 || k > PartCount(st) || sample < 0)
        return;
    const TimeBase tb = TimeBaseOf(st);
    PartRecord& part = st.Parts[static_cast<size_t>(k - 1)];
    if (sample <= tb.samples && NearestFrameToSample(tb, sample) == part.start)
        part.cutSample = sample;
}

void SetCutSampleAtFrame(ProgramState& st, int32_t frame, int64_t sample) {
    for (int k = 2; k <= PartCount(st); ++k)
        if (PartFirstFrame(st, k) == frame)
            SetPartCutSample(st, k, sample);
}

int64_t PartStartSample(const ProgramState& st, int k) {
    const int64_t cut = PartCutSample(st, k);
    if (cut >= 0)
        return cut;
    const TimeBase tb = TimeBaseOf(st);
    return k <= 1 ? 0
                  : std::clamp<int64_t>(FrameStartSample(tb, PartFirstFrame(st, k)), 0, tb.samples);
}

int64_t PartEndSample(const ProgramState& st, int k) {
    return k < PartCount(st) ? PartStartSample(st, k + 1) : TimeBaseOf(st).samples;
}

bool PartCutOffGrid(const ProgramState& st, int k) {
    return PartCutSample(st, k) >= 0 || (k < PartCount(st) && PartCutSample(st, k + 1) >= 0);
}

double PartStartSeconds(const ProgramState& st, int k) {
    const int64_t cut = PartCutSample(st, k);
    return cut >= 0 ? SampleSeconds(TimeBaseOf(st), cut) : FrameSeconds(st, PartFirstFrame(st, k));
}

double PartEndSeconds(const ProgramState& st, int k) {
    if (k < PartCount(st) && PartCutSample(st, k + 1) >= 0)
        return PartStartSeconds(st, k + 1);
    return FrameSeconds(st, int64_t{PartLastFrame(st, k)} + 1);
}

} // namespace tessivo
