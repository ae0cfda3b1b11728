#include "engine/table/KeyHashSet.h"

namespace kartei {

void TKeyHashSet::Reserve() {
    if (!NeedsGrowth()) {
        return;
    }
    std::vector<TSlot> old(GrownSize(), TSlot{});
    slots_.swap(old);
    for (const TSlot& slot : old) {
        if (slot.Record != 0) {
            Place(slot);
        }
    }
}

void TKeyHashSet::Add(uint64_t hash, uint32_t recordNumber) noexcept {
    Place(TSlot{Fold(hash), recordNumber});
    ++count_;
}

void TKeyHashSet::Place(TSlot slot) noexcept {
    size_t at = slot.Hash & Mask();
    while (slots_[at].Record != 0) {
        at = (at + 1) & Mask();
    }
    slots_[at] = slot;
}

}  // namespace kartei
