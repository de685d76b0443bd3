#include "core/parts/part_access.h"

namespace tessivo {

int PartCount(const ProgramState& st) {
    return st.CutCount;
}

int32_t PartFirstFrame(const ProgramState& st, int k) {
    return st.PartStart[k];
}

int32_t PartLastFrame(const ProgramState& st, int k) {
    return st.PartEnd[k];
}

bool PartTicked(const ProgramState& st, int k) {
    return st.PartUsed[k];
}

void SetPartTicked(ProgramState& st, int k, bool ticked) {
    if (k >= 1 && k <= PartCount(st))
        st.PartUsed[k] = ticked;
}

int TickedPartCount(const ProgramState& st) {
    int n = 0;
    for (int k = 1; k <= PartCount(st); ++k)
        n += PartTicked(st, k) ? 1 : 0;
    return n;
}

} // namespace tessivo
