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
    return static_cast<size_t>(mixed >> 32) & (numbers_.size() - 1);
}

TRecord* TCachedRecordMap::Find(int32_t recordNumber) const {
    if (count_ == 0) {
        return nullptr;
    }
    for (size_t slot = Home(recordNumber);; slot = Next(slot)) {
        if (numbers_[slot] == recordNumber) {
            return records_[slot];
        }
        if (numbers_[slot] == 0) {
            return nullptr;
        }
    }
}

void TCachedRecordMap::Insert(int32_t recordNumber, TRecord& record) {
    if (4 * (count_ + 1) > 3 * numbers_.size()) {
        Grow();
    }
    size_t slot = Home(recordNumber);
    while (numbers_[slot] != 0) {
        slot = Next(slot);
    }
    numbers_[slot] = recordNumber;
    records_[slot] = &record;
    ++count_;
}

void TCachedRecordMap::Remove(int32_t recordNumber) {
    if (count_ == 0) {
        return;
    }
    size_t hole = Home(recordNumber);
    while (numbers_[hole] != recordNumber) {
        if (numbers_[hole] == 0) {
            return;
        }
        hole = Next(hole);
    }
    // Backward-shift deletion: entries after the hole whose probe passed it move into it, so lookups
    // never need markers for removed entries.
    const size_t mask = numbers_.size() - 1;
    for (size_t slot = Next(hole); numbers_[slot] != 0; slot = Next(slot)) {
        const size_t home = Home(numbers_[slot]);
        // The entry may move when its home is not between the hole and its slot (cyclically).
        if (((slot - home) & mask) >= ((slot - hole) & mask)) {
            numbers_[hole] = numbers_[slot];
            records_[hole] = records_[slot];
            hole = slot;
        }
    }
    numbers_[hole] = 0;
    --count_;
}

void TCachedRecordMap::Clear() {
    // A map grown by a large transaction gives its room back rather than keep it (and clear it) for good.
    if (numbers_.size() > kRetainedSlots) {
        std::vector<int32_t>().swap(numbers_);
        std::vector<TRecord*>().swap(records_);
    } else {
        std::fill(numbers_.begin(), numbers_.end(), 0);
    }
    count_ = 0;
}

void TCachedRecordMap::Grow() {
    const size_t slots = numbers_.empty() ? kInitialSlots : numbers_.size() * 2;
    std::vector<int32_t> oldNumbers(slots, 0);
    std::vector<TRecord*> oldRecords(slots, nullptr);
    oldNumbers.swap(numbers_);
    oldRecords.swap(records_);
    count_ = 0;
    for (size_t slot = 0; slot < oldNumbers.size(); ++slot) {
        if (oldNumbers[slot] != 0) {
            Insert(oldNumbers[slot], *oldRecords[slot]);
        }
    }
}

}  // namespace kartei
