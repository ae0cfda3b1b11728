#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kartei {

// Record numbers under the hashes of their keys, for finding whether a key is taken among records that are
// not in their index yet. A hash only narrows the search: the caller compares the keys of the records it is
// offered. Open addressing, eight bytes a slot, at most three quarters full.
class TKeyHashSet {
public:
    // Calls `same(recordNumber)` for every record kept under `hash` until one answers true.
    template <typename Same>
    bool Find(uint64_t hash, const Same& same) const {
        if (slots_.empty()) {
            return false;
        }
        const uint32_t folded = Fold(hash);
        for (size_t at = folded & Mask();; at = (at + 1) & Mask()) {
            const TSlot& slot = slots_[at];
            if (slot.Record == 0) {
                return false;
            }
            if (slot.Hash == folded && same(slot.Record)) {
                return true;
            }
        }
    }
    // Room for one more, so that the Add to follow cannot fail.
    void Reserve();
    // After Reserve; `recordNumber` is not 0.
    void Add(uint64_t hash, uint32_t recordNumber) noexcept;
    // Memory taken once Reserve has made room for one more.
    size_t BytesAfterReserve() const { return (NeedsGrowth() ? GrownSize() : slots_.size()) * sizeof(TSlot); }

private:
    struct TSlot {
        uint32_t Hash = 0;
        // 0: empty.
        uint32_t Record = 0;
    };

    static constexpr size_t kFirstSize = 1024;
    bool NeedsGrowth() const { return 4 * (count_ + 1) > 3 * slots_.size(); }
    size_t GrownSize() const { return std::max(kFirstSize, 2 * slots_.size()); }
    static uint32_t Fold(uint64_t hash) { return static_cast<uint32_t>(hash ^ (hash >> 32)); }
    size_t Mask() const { return slots_.size() - 1; }
    void Place(TSlot slot) noexcept;

    std::vector<TSlot> slots_;
    size_t count_ = 0;
};

}  // namespace kartei
