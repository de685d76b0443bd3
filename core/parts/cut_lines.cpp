#include "core/parts/cut_lines.h"

#include "core/analysis/time_base.h"
#include "core/parts/part_access.h"
#include "core/parts/part_times.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace tessivo {

namespace {

// The first frame after the last part: the end every last part runs to.
int32_t EndFrame(const ProgramState& st) {
    return static_cast<int32_t>(std::min<uint32_t>(st.FrameCount, INT32_MAX));
}

// Part i's (0-based) first frame and the first frame after it.
std::pair<int32_t, int32_t> RangeOf(const ProgramState& st, size_t i) {
    const int32_t end = i + 1 < st.Parts.size() ? st.Parts[i + 1].start : EndFrame(st);
    return {st.Parts[i].start, end};
}

} // namespace

void ReplaceParts(ProgramState& st, const std::vector<int32_t>& cuts) {
    const int64_t lastFrame = static_cast<int64_t>(st.FrameCount) - 1;
    st.Parts.assign(1, PartRecord{});
    for (int32_t cut : cuts) {
        if (cut >= lastFrame || st.Parts.size() >= static_cast<size_t>(kMaxParts))
            break;
        st.Parts.push_back(PartRecord{});
        st.Parts.back().start = std::max(cut, st.Parts[st.Parts.size() - 2].start);
    }
    st.SelectedPart = 0;
}

bool AddCutLine(ProgramState& st, int32_t frame) {
    if (st.Parts.empty() || PartCount(st) >= kMaxParts)
        return false;
    if (frame < 0 || static_cast<int64_t>(frame) + 10 >= static_cast<int64_t>(st.FrameCount))
        return false;
    // The part the new line falls in: the last whose start is at or before it.
    const auto after = std::upper_bound(st.Parts.begin(), st.Parts.end(), frame,
                                        [](int32_t f, const PartRecord& p) { return f < p.start; });
    const size_t holder = static_cast<size_t>(after - st.Parts.begin()) - 1;
    PartRecord half = st.Parts[holder];
    half.start = frame;
    half.cutSample = -1;
    half.writtenFile.clear();
    st.Parts[holder].writtenFile.clear();
    st.Parts.insert(st.Parts.begin() + static_cast<std::ptrdiff_t>(holder) + 1, std::move(half));
    return true;
}

int MoveCutLine(ProgramState& st, int k, int32_t frame) {
    if (k < 2 || k > PartCount(st))
        return k;
    const int64_t limit = static_cast<int64_t>(st.FrameCount) - 10;
    const int32_t to =
        static_cast<int32_t>(std::clamp<int64_t>(frame, 0, std::max<int64_t>(limit, 0)));
    std::vector<std::pair<int32_t, int32_t>> ranges;
    for (size_t i = 0; i < st.Parts.size(); ++i)
        ranges.push_back(RangeOf(st, i));
    st.Parts[static_cast<size_t>(k - 1)].start = to;
    st.Parts[static_cast<size_t>(k - 1)].cutSample = -1;
    // Order the records by start (the first part stays first); `order[i]`
    // is the old place of the record now at i.
    std::vector<size_t> order(st.Parts.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin() + 1, order.end(),
                     [&](size_t a, size_t b) { return st.Parts[a].start < st.Parts[b].start; });
    std::vector<PartRecord> sorted;
    sorted.reserve(order.size());
    for (size_t old : order)
        sorted.push_back(std::move(st.Parts[old]));
    st.Parts = std::move(sorted);
    int moved = k;
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == static_cast<size_t>(k - 1))
            moved = static_cast<int>(i) + 1;
        if (RangeOf(st, i) != ranges[order[i]])
            st.Parts[i].writtenFile.clear();
    }
    return moved;
}

std::string CutSampleRefusal(const ProgramState& st, int64_t sample, int line) {
    const TimeBase tb = TimeBaseOf(st);
    if (tb.samples <= 0 || sample <= 0 || sample >= tb.samples)
        return "The sample lies outside the audio.";
    const int64_t frame = NearestFrameToSample(tb, sample);
    if (frame < 1 || frame + 10 >= static_cast<int64_t>(st.FrameCount))
        return "No part may start within the last 10 frames.";
    for (int k = 1; k <= PartCount(st); ++k)
        if (k != line && PartFirstFrame(st, k) == frame)
            return "The sample is in the frame of cut line " + std::to_string(k) + ".";
    return {};
}

bool AddCutLineAtSample(ProgramState& st, int64_t sample) {
    if (!CutSampleRefusal(st, sample, 0).empty())
        return false;
    const auto frame = static_cast<int32_t>(NearestFrameToSample(TimeBaseOf(st), sample));
    if (!AddCutLine(st, frame))
        return false;
    SetCutSampleAtFrame(st, frame, sample);
    return true;
}

int MoveCutLineToSample(ProgramState& st, int k, int64_t sample) {
    if (k < 2 || k > PartCount(st) || !CutSampleRefusal(st, sample, k).empty())
        return k;
    const int moved =
        MoveCutLine(st, k, static_cast<int32_t>(NearestFrameToSample(TimeBaseOf(st), sample)));
    SetPartCutSample(st, moved, sample);
    return moved;
}

void RemoveCutLine(ProgramState& st, int k) {
    // The first part's start (frame 0) is never removed.
    if (k < 2 || k > PartCount(st))
        return;
    st.Parts.erase(st.Parts.begin() + (k - 1));
    st.Parts[static_cast<size_t>(k - 2)].writtenFile.clear();
}

bool DeleteCutLine(ProgramState& st, int k) {
    if (k < 2 || k > PartCount(st))
        return false;
    st.SelectedPart = 0;
    RemoveCutLine(st, k);
    return true;
}

void ResetToOnePart(ProgramState& st) {
    ReplaceParts(st, {});
}

} // namespace tessivo
