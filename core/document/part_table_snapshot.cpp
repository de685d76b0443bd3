#include "core/document/part_table_snapshot.h"

#include <algorithm>

namespace tessivo {

namespace {

// The slots of `slots` up to the last one that differs from an empty slot.
template <class T, class Out> Out InUse(const std::array<T, kPartSlots>& slots) {
    size_t n = slots.size();
    while (n > 0 && slots[n - 1] == T{})
        --n;
    return Out(slots.begin(), slots.begin() + static_cast<std::ptrdiff_t>(n));
}

template <class T, class In> void Restore(std::array<T, kPartSlots>& slots, const In& kept) {
    std::fill(slots.begin(), slots.end(), T{});
    std::copy(kept.begin(), kept.end(), slots.begin());
}

} // namespace

PartTableSnapshot::PartTableSnapshot(const PartTable& table)
    : cutCount_(table.CutCount), selectedPart_(table.SelectedPart),
      splitFileCount_(table.SplitFileCount), splitMode_(table.SplitMode),
      cutLine_(InUse<int32_t, std::vector<int32_t>>(table.CutLine)),
      partStart_(InUse<int32_t, std::vector<int32_t>>(table.PartStart)),
      partEnd_(InUse<int32_t, std::vector<int32_t>>(table.PartEnd)),
      partUsed_(InUse<bool, std::vector<bool>>(table.PartUsed)),
      partSaved_(InUse<bool, std::vector<bool>>(table.PartSaved)),
      partTag_(InUse<PartTagSlot, std::vector<PartTagSlot>>(table.PartTag)) {}

std::unique_ptr<PartTable> PartTableSnapshot::Table() const {
    auto owned = std::make_unique<PartTable>();
    PartTable& table = *owned;
    table.CutCount = cutCount_;
    table.SelectedPart = selectedPart_;
    table.SplitFileCount = splitFileCount_;
    table.SplitMode = splitMode_;
    Restore(table.CutLine, cutLine_);
    Restore(table.PartStart, partStart_);
    Restore(table.PartEnd, partEnd_);
    Restore(table.PartUsed, partUsed_);
    Restore(table.PartSaved, partSaved_);
    Restore(table.PartTag, partTag_);
    return owned;
}

size_t PartTableSnapshot::SlotBytes() const {
    size_t tagBytes = 0;
    for (const PartTagSlot& slot : partTag_) {
        const PartTagV2& f = slot.fields;
        tagBytes += sizeof(PartTagSlot) + f.title.capacity() + f.artist.capacity() +
                    f.album.capacity() + f.year.capacity() + f.comment.capacity() +
                    f.genre.capacity() + f.track.capacity();
    }
    return (cutLine_.size() + partStart_.size() + partEnd_.size()) * sizeof(int32_t) +
           (partUsed_.size() + partSaved_.size()) / 8 + tagBytes;
}

} // namespace tessivo
