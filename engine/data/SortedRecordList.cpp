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
    size_t slot = LowerBound(recordNumber);
    // A vacancy at the slot or just before it lies between the same neighbours, so the number fits it.
    if (slot < used_ && Entry(slot).Record == nullptr) {
        Entry(slot) = TEntry{recordNumber, &record};
    } else if (slot > 0 && Entry(slot - 1).Record == nullptr) {
        Entry(slot - 1) = TEntry{recordNumber, &record};
    } else {
        // Only an insert that moves entries compacts: filling vacancies (Reserve's among them) never does.
        const size_t vacancies = used_ - count_;
        if (vacancies >= kMinVacanciesToCompact && vacancies > count_) {
            Compact();
            slot = LowerBound(recordNumber);
        }
        InsertAt(slot, TEntry{recordNumber, &record});
    }
    ++count_;
}

void TSortedRecordList::Reserve(int32_t first, int32_t count) {
    if (count <= 1) {
        return;
    }
    const int64_t end = static_cast<int64_t>(first) + count;
    const size_t from = LowerBound(first);
    size_t to = from;
    while (to < used_ && Entry(to).RecordNumber < end) {
        ++to;
    }
    const size_t missing = static_cast<size_t>(count) - (to - from);
    if (missing == 0) {
        return;
    }
    scratch_.clear();
    for (size_t slot = from; slot < to; ++slot) {
        scratch_.push_back(Entry(slot));
    }
    while (used_ + missing > ring_.size()) {
        Grow();
    }
    for (size_t slot = used_; slot-- > to;) {
        Entry(slot + missing) = Entry(slot);
    }
    size_t next = 0;
    for (int32_t k = 0; k < count; ++k) {
        const int32_t number = first + k;
        if (next < scratch_.size() && scratch_[next].RecordNumber == number) {
            Entry(from + static_cast<size_t>(k)) = scratch_[next++];
        } else {
            Entry(from + static_cast<size_t>(k)) = TEntry{number, nullptr};
        }
    }
    used_ += missing;
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
