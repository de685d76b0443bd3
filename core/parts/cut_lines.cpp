#include "core/parts/cut_lines.h"

#include <algorithm>

namespace tessivo {

void DeriveParts(ProgramState& st) {
    const int n = std::clamp(st.CutCount, 0, kMaxCutLines);
    for (int k = 1; k <= n; ++k) {
        st.PartStart[k] = st.CutLine[k];
        st.PartEnd[k] = st.CutLine[k + 1] - 1;
    }
    const int32_t last = static_cast<int32_t>(st.FrameCount) - 1;
    if (n >= 1)
        st.PartEnd[n] = last;
    st.PartStart[n + 1] = last;
}

namespace {

// Selection sort from the top: for every scratch slot from the highest down,
// the largest unmarked position above 0 (the lowest slot among equals). Fills
// `newIndex[j]` with the number slot j's position ends up at; slots whose
// position was never picked (0 or below) come out as 0, in slot order.
void SortWithMap(ProgramState& st, std::array<int, kPartSlots>* newIndex) {
    const int n = std::clamp(st.CutCount, 0, kMaxCutLines);
    std::array<int32_t, kPartSlots> scratch{};
    std::array<bool, kPartSlots> picked{};
    for (int k = n; k >= 1; --k) {
        int32_t best = 0;
        int bestSlot = 0;
        for (int j = 1; j <= n; ++j) {
            if (!picked[j] && st.CutLine[j] > best) {
                best = st.CutLine[j];
                bestSlot = j;
            }
        }
        scratch[k] = best;
        picked[bestSlot] = true;
        if (bestSlot != 0 && newIndex)
            (*newIndex)[bestSlot] = k;
    }
    if (newIndex) {
        int next = 1;
        for (int j = 1; j <= n; ++j)
            if (!picked[j])
                (*newIndex)[j] = next++;
    }
    std::copy(scratch.begin() + 1, scratch.begin() + n + 1, st.CutLine.begin() + 1);
    DeriveParts(st);
}

} // namespace

void SortCutLines(ProgramState& st) {
    SortWithMap(st, nullptr);
}

bool AddCutLine(ProgramState& st, int32_t frame) {
    if (st.CutCount >= kMaxCutLines || st.CutCount < 1)
        return false;
    if (frame < 0 || static_cast<int64_t>(frame) + 10 >= static_cast<int64_t>(st.FrameCount))
        return false;
    ++st.CutCount;
    st.PartUsed[st.CutCount] = true;
    st.PartSaved[st.CutCount] = false;
    st.CutLine[st.CutCount] = frame;
    SortCutLines(st);
    return true;
}

int MoveCutLine(ProgramState& st, int k, int32_t frame) {
    if (k < 2 || k > st.CutCount)
        return k;
    const int64_t limit = static_cast<int64_t>(st.FrameCount) - 10;
    st.CutLine[k] = static_cast<int32_t>(std::min<int64_t>(frame, limit));
    std::array<int, kPartSlots> newIndex{};
    SortWithMap(st, &newIndex);
    return newIndex[k];
}

void RemoveCutLine(ProgramState& st, int k) {
    // The first cut line (frame 0) is never removed.
    if (k < 2 || k > st.CutCount)
        return;
    for (int i = k + 1; i <= st.CutCount; ++i) {
        st.CutLine[i - 1] = st.CutLine[i];
        st.PartUsed[i - 1] = st.PartUsed[i];
        st.PartSaved[i - 1] = st.PartSaved[i];
    }
    --st.CutCount;
    DeriveParts(st);
}

bool DeleteCutLine(ProgramState& st, int k) {
    if (k < 2 || k > st.CutCount)
        return false;
    st.SelectedPart = 0;
    RemoveCutLine(st, k);
    return true;
}

void ResetToOnePart(ProgramState& st) {
    st.CutCount = 1;
    st.CutLine[1] = 0;
    st.PartUsed[1] = true;
    st.PartSaved[1] = false;
    st.SelectedPart = 0;
    SortCutLines(st);
}

} // namespace tessivo
