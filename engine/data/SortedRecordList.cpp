#include "engine/data/SortedRecordList.h"

namespace kartei {
namespace {

// Small lists are not worth compacting.
constexpr size_t kMinVacanciesToCompact = 64;
constexpr size_t kInitialRingSize = 64;

}  // namespace

size_t TSortedRecordList::LowerBound(int32_t recordNumber) const {
    size_t low = 0;
    size_t high = used_;
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (Entry(middle).RecordNumber < recordNumber) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

TRecord* TSortedRecordList::Find(int32_t recordNumber) const {
    const size_t slot = LowerBound(recordNumber);
    if (slot < used_ && Entry(slot).RecordNumber == recordNumber) {
        return Entry(slot).Record;
    }
    return nullptr;
}

void TSortedRecordList::Insert(int32_t recordNumber, TRecord& record) {
    const size_t vacancies = used_ - count_;
    if (vacancies >= kMinVacanciesToCompact && vacancies > count_) {
        Compact();
    }
    const size_t slot = LowerBound(recordNumber);
    // A vacancy at the slot or just before it lies between the same neighbours, so the number fits it.
    if (slot < used_ && Entry(slot).Record == nullptr) {
        Entry(slot) = TEntry{recordNumber, &record};
    } else if (slot > 0 && Entry(slot - 1).Record == nullptr) {
        Entry(slot - 1) = TEntry{recordNumber, &record};
    } else {
        InsertAt(slot, TEntry{recordNumber, &record});
    }
    ++count_;
}

void TSortedRecordList::InsertAt(size_t slot, TEntry entry) {
    if (used_ == ring_.size()) {
        Grow();
    }
    if (slot < used_ / 2) {
        first_ = (first_ + ring_.size() - 1) & (ring_.size() - 1);
        for (size_t k = 0; k < slot; ++k) {
            Entry(k) = Entry(k + 1);
        }
    } else {
        for (size_t k = used_; k > slot; --k) {
            Entry(k) = Entry(k - 1);
        }
    }
    Entry(slot) = entry;
    ++used_;
}

void TSortedRecordList::Grow() {
    std::vector<TEntry> larger(ring_.empty() ? kInitialRingSize : ring_.size() * 2);
    for (size_t slot = 0; slot < used_; ++slot) {
        larger[slot] = Entry(slot);
    }
    ring_.swap(larger);
    first_ = 0;
}

void TSortedRecordList::Remove(int32_t recordNumber) {
    const size_t slot = LowerBound(recordNumber);
    if (slot < used_ && Entry(slot).RecordNumber == recordNumber && Entry(slot).Record != nullptr) {
        Entry(slot).Record = nullptr;
        --count_;
    }
}

void TSortedRecordList::Clear() {
    first_ = 0;
    used_ = 0;
    count_ = 0;
}

void TSortedRecordList::Compact() {
    size_t kept = 0;
    for (size_t slot = 0; slot < used_; ++slot) {
        if (Entry(slot).Record != nullptr) {
            Entry(kept++) = Entry(slot);
        }
    }
    used_ = kept;
}

}  // namespace kartei
