// A part table as the undo history keeps it: each slot array only up to its
// last slot that holds anything, so a step of a table of a few parts takes a
// few hundred bytes instead of the whole table of 1001 slots (about 250 KB
// with its tag texts). Taking the table back gives exactly the table kept.
#pragma once

#include "core/state/program_state.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace tessivo {

class PartTableSnapshot {
public:
    explicit PartTableSnapshot(const PartTable& table);
    // On the heap: a whole table is too large for a thread's stack.
    std::unique_ptr<PartTable> Table() const;
    // The bytes the snapshot holds in its slot arrays.
    size_t SlotBytes() const;

private:
    int32_t cutCount_;
    int32_t selectedPart_;
    int32_t splitFileCount_;
    SplitModeKind splitMode_;
    std::vector<int32_t> cutLine_, partStart_, partEnd_;
    std::vector<bool> partUsed_, partSaved_;
    std::vector<PartTagSlot> partTag_;
};

} // namespace tessivo
