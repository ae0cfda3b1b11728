#include "engine/data/CachedRecordMap.h"

#include <algorithm>

namespace kartei {
namespace {

constexpr size_t kInitialSlots = 64;
// Room for the standard record cache (at most 8191 records, at most three quarters full).
constexpr size_t kRetainedSlots = 16384;

}  // namespace

size_t TCachedRecordMap::Home(int32_t recordNumber) const {
    // Fibonacci hashing: consecutive numbers (a block just read) spread over the table.
    const uint64_t mixed = static_cast<uint64_t>(static_cast<uint32_t>(recordNumber)) * 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(mixed >> 32) & (slots_.size() - 1);
}

TRecord* TCachedRecordMap::Find(int32_t recordNumber) const {
    if (count_ == 0) {
        return nullptr;
    }
    for (size_t slot = Home(recordNumber);; slot = Next(slot)) {
        const TEntry& entry = slots_[slot];
        if (entry.RecordNumber == recordNumber) {
            return entry.Record;
        }
        if (entry.RecordNumber == 0) {
            return nullptr;
        }
    }
}

void TCachedRecordMap::Insert(int32_t recordNumber, TRecord& record) {
    if (4 * (count_ + 1) > 3 * slots_.size()) {
        Grow();
    }
    size_t slot = Home(recordNumber);
    while (slots_[slot].RecordNumber != 0) {
        slot = Next(slot);
    }
    slots_[slot] = TEntry{recordNumber, &record};
    ++count_;
}

void TCachedRecordMap::Remove(int32_t recordNumber) {
    if (count_ == 0) {
        return;
    }
    size_t hole = Home(recordNumber);
    while (slots_[hole].RecordNumber != recordNumber) {
        if (slots_[hole].RecordNumber == 0) {
            return;
        }
        hole = Next(hole);
    }
    // Backward-shift deletion: entries after the hole whose probe passed it move into it, so lookups
    // never need markers for removed entries.
    const size_t mask = slots_.size() - 1;
    for (size_t slot = Next(hole); slots_[slot].RecordNumber != 0; slot = Next(slot)) {
        const size_t home = Home(slots_[slot].RecordNumber);
        // The entry may move when its home is not between the hole and its slot (cyclically).
        if (((slot - home) & mask) >= ((slot - hole) & mask)) {
            slots_[hole] = slots_[slot];
            hole = slot;
        }
    }
    slots_[hole] = TEntry{0, nullptr};
    --count_;
}

void TCachedRecordMap::Clear() {
    // A map grown by a large transaction gives its room back rather than keep it (and clear it) for good.
    if (slots_.size() > kRetainedSlots) {
        std::vector<TEntry>().swap(slots_);
    } else {
        std::fill(slots_.begin(), slots_.end(), TEntry{0, nullptr});
    }
    count_ = 0;
}

void TCachedRecordMap::Grow() {
    std::vector<TEntry> old(slots_.empty() ? kInitialSlots : slots_.size() * 2, TEntry{0, nullptr});
    old.swap(slots_);
    count_ = 0;
    for (const TEntry& entry : old) {
        if (entry.RecordNumber != 0) {
            Insert(entry.RecordNumber, *entry.Record);
        }
    }
}

}  // namespace kartei
