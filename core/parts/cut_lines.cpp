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
int32_t EndFrame(const StreamFacts& stream) {
    return static_cast<int32_t>(std::min<uint32_t>(stream.FrameCount, INT32_MAX));
}

// Part i's (0-based) first frame and the first frame after it.
std::pair<int32_t, int32_t> RangeOf(const StreamFacts& stream, const PartTable& parts, size_t i) {
    const int32_t end = i + 1 < parts.Parts.size() ? parts.Parts[i + 1].start : EndFrame(stream);
    return {parts.Parts[i].start, end};
}

} // namespace

void ReplaceParts(const StreamFacts& stream, PartTable& parts, const std::vector<int32_t>& cuts) {
    const int64_t lastFrame = static_cast<int64_t>(stream.FrameCount) - 1;
    parts.Parts.assign(1, PartRecord{});
    for (int32_t cut : cuts) {
        if (cut >= lastFrame || parts.Parts.size() >= static_cast<size_t>(kMaxParts))
            break;
        parts.Parts.push_back(PartRecord{});
        parts.Parts.back().start = std::max(cut, parts.Parts[parts.Parts.size() - 2].start);
    }
    parts.SelectedPart = 0;
}

bool AddCutLine(const StreamFacts& stream, PartTable& parts, int32_t frame) {
    if (parts.Parts.empty() || PartCount(parts) >= kMaxParts)
        return false;
    if (frame < 0 || static_cast<int64_t>(frame) + 10 >= static_cast<int64_t>(stream.FrameCount))
        return false;
    // The part the new line falls in: the last whose start is at or before it.
    const auto after = std::upper_bound(parts.Parts.begin(), parts.Parts.end(), frame,
                                        [](int32_t f, const PartRecord& p) { return f < p.start; });
    const size_t holder = static_cast<size_t>(after - parts.Parts.begin()) - 1;
    PartRecord half = parts.Parts[holder];
    half.start = frame;
    half.cutSample = -1;
    half.writtenFile.clear();
    parts.Parts[holder].writtenFile.clear();
    parts.Parts.insert(parts.Parts.begin() + static_cast<std::ptrdiff_t>(holder) + 1,
                       std::move(half));
    return true;
}

int MoveCutLine(const StreamFacts& stream, PartTable& parts, int k, int32_t frame) {
    if (k < 2 || k > PartCount(parts))
        return k;
    const int64_t limit = static_cast<int64_t>(stream.FrameCount) - 10;
    const int32_t to =
        static_cast<int32_t>(std::clamp<int64_t>(frame, 0, std::max<int64_t>(limit, 0)));
    std::vector<std::pair<int32_t, int32_t>> ranges;
    for (size_t i = 0; i < parts.Parts.size(); ++i)
        ranges.push_back(RangeOf(stream, parts, i));
    parts.Parts[static_cast<size_t>(k - 1)].start = to;
    parts.Parts[static_cast<size_t>(k - 1)].cutSample = -1;
    // Order the records by start (the first part stays first); `order[i]`
    // is the old place of the record now at i.
    std::vector<size_t> order(parts.Parts.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin() + 1, order.end(), [&](size_t a, size_t b) {
        return parts.Parts[a].start < parts.Parts[b].start;
    });
    std::vector<PartRecord> sorted;
    sorted.reserve(order.size());
    for (size_t old : order)
        sorted.push_back(std::move(parts.Parts[old]));
    parts.Parts = std::move(sorted);
    int moved = k;
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == static_cast<size_t>(k - 1))
            moved = static_cast<int>(i) + 1;
        if (RangeOf(stream, parts, i) != ranges[order[i]])
            parts.Parts[i].writtenFile.clear();
    }
    return moved;
}

std::string CutSampleRefusal(const StreamFacts& stream, const PartTable& parts, int64_t sample,
                             int line) {
    const TimeBase tb = TimeBaseOf(stream);
    if (tb.samples <= 0 || sample <= 0 || sample >= tb.samples)
        return "The sample lies outside the audio.";
    const int64_t frame = NearestFrameToSample(tb, sample);
    if (frame < 1 || frame + 10 >= static_cast<int64_t>(stream.FrameCount))
        return "No part may start within the last 10 frames.";
    for (int k = 1; k <= PartCount(parts); ++k)
        if (k != line && PartFirstFrame(parts, k) == frame)
            return "The sample is in the frame of cut line " + std::to_string(k) + ".";
    return {};
}

bool AddCutLineAtSample(const StreamFacts& stream, PartTable& parts, int64_t sample) {
    if (!CutSampleRefusal(stream, parts, sample, 0).empty())
        return false;
    const auto frame = static_cast<int32_t>(NearestFrameToSample(TimeBaseOf(stream), sample));
    if (!AddCutLine(stream, parts, frame))
        return false;
    SetCutSampleAtFrame(stream, parts, frame, sample);
    return true;
}

int MoveCutLineToSample(const StreamFacts& stream, PartTable& parts, int k, int64_t sample) {
    if (k < 2 || k > PartCount(parts) || !CutSampleRefusal(stream, parts, sample, k).empty())
        return k;
    const int moved = MoveCutLine(
        stream, parts, k, static_cast<int32_t>(NearestFrameToSample(TimeBaseOf(stream), sample)));
    SetPartCutSample(stream, parts, moved, sample);
    return moved;
}

void RemoveCutLine(PartTable& parts, int k) {
    // The first part's start (frame 0) is never removed.
    if (k < 2 || k > PartCount(parts))
        return;
    parts.Parts.erase(parts.Parts.begin() + (k - 1));
    parts.Parts[static_cast<size_t>(k - 2)].writtenFile.clear();
}

bool DeleteCutLine(PartTable& parts, int k) {
    if (k < 2 || k > PartCount(parts))
        return false;
    parts.SelectedPart = 0;
    RemoveCutLine(parts, k);
    return true;
}

void ResetToOnePart(const StreamFacts& stream, PartTable& parts) {
    ReplaceParts(stream, parts, {});
}

} // namespace tessivo
