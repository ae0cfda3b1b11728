#include "engine/index/Page.h"

#include <algorithm>
#include <cstring>

#include "engine/keys/KeyCompare.h"

namespace kartei {
namespace {

// Entry buffers grow in whole blocks: a page is refilled over and over with entries of one size.
constexpr size_t kEntryBufferStep = 4096;

}  // namespace

TPage::TPage() : entries_(kEntryBufferStep) {}

void TPage::WriteExtra(uint8_t* extra, uint32_t value, uint32_t subtreeCount, TEntryForm form) {
    std::memcpy(extra + kValueAt, &value, sizeof value);
    std::memcpy(extra + kCountAt, &subtreeCount, sizeof subtreeCount);
    std::memcpy(extra + kLeadingAt, &form.Leading, sizeof form.Leading);
    std::memcpy(extra + kTrailingAt, &form.Trailing, sizeof form.Trailing);
}

void TPage::Reset(int slot, const TPageGeometry& geometry, uint32_t offset) {
    slot_ = slot;
    geometry_ = geometry;
    offset_ = offset;
    type_ = TPageType::RootNode;
    count_ = 0;
    prev_ = 0;
    next_ = 0;
    leafBytes_ = 0;
    packed_ = false;
    fixedStride_ = 0;
    stride_ = geometry.KeyLength + kEntryExtra;
    free_ = false;
}

void TPage::ClearEntries() {
    count_ = 0;
    leafBytes_ = 0;
    packed_ = false;
}

void TPage::CopyFrom(const TPage& other) {
    other.Unpack();
    slot_ = other.slot_;
    geometry_ = other.geometry_;
    offset_ = other.offset_;
    type_ = other.type_;
    count_ = other.count_;
    prev_ = other.prev_;
    next_ = other.next_;
    leafBytes_ = other.leafBytes_;
    stride_ = other.stride_;
    free_ = other.free_;
    packed_ = false;
    Reserve(count_);
    if (count_ > 0) {
        std::memcpy(entries_.Data(), other.entries_.Data(), static_cast<size_t>(count_) * stride_);
    }
}

int64_t TPage::CountBefore(int position) const {
    if (IsLeaf()) {
        return position - 1;
    }
    if (packed_) {
        // Every descent that counts asks a node this, and a node read from disk does not change until it
        // is unpacked: the sums are made once.
        if (countsBefore_.empty()) {
            countsBefore_.resize(static_cast<size_t>(count_) + 1);
            for (int k = 1; k <= count_; ++k) {
                countsBefore_[static_cast<size_t>(k)] =
                    countsBefore_[static_cast<size_t>(k - 1)] + SubtreeCount(k);
            }
        }
        return countsBefore_[static_cast<size_t>(position - 1)];
    }
    int64_t total = 0;
    for (int k = 1; k < position; ++k) {
        total += SubtreeCount(k);
    }
    return total;
}

TPageSearch TPage::Search(const TKeyLayout& layout, const TPreparedKey& key, TSearchRule rule) const {
    const size_t length = geometry_.KeyLength;
    if (layout.BytesOrder) {
        // Compared in the loop itself, without a call per entry: a descent compares a few dozen times.
        const bool reversed = BytesReversed(layout);
        const uint8_t* bytes = key.Bytes();
        return SearchBy(
            [=](const uint8_t* entry) {
                const int order = CompareBytes(entry, bytes, length);
                return reversed ? -order : order;
            },
            rule);
    }
    return SearchBy([&](const uint8_t* entry) { return CompareKeys(layout, entry, key, length); }, rule);
}

template <typename Compare>
TPageSearch TPage::SearchBy(Compare compare, TSearchRule rule) const {
    int low = 1;
    int high = count_;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int order = compare(Key(middle));
        if (order < 0) {
            low = middle + 1;
        } else if (order > 0) {
            high = middle - 1;
        } else {
            return TPageSearch{middle, true};
        }
    }
    // No entry equals the key: entries 1..high are below it, high + 1.. above it.
    const int lastBelow = high;
    if (IsLeaf() && rule == TSearchRule::Nearest) {
        return TPageSearch{low <= count_ ? low : count_, false};
    }
    if (IsLeaf() && rule == TSearchRule::Place) {
        return TPageSearch{lastBelow, false};
    }
    return TPageSearch{lastBelow >= 1 ? lastBelow : 1, false};
}

void TPage::Reserve(int count) {
    const size_t bytes = static_cast<size_t>(count) * stride_;
    // A page filled one entry at a time grows by a quarter at once rather than block by block, each growth
    // copying every entry held; a quarter keeps the room held in reserve small.
    if (bytes > entries_.Capacity()) {
        entries_.Reserve(std::max(bytes, entries_.Capacity() + entries_.Capacity() / 4));
    }
}

void TPage::WriteEntry(int position, const uint8_t* key, uint32_t value, uint32_t subtreeCount) {
    uint8_t* entry = Entry(position);
    std::memcpy(entry, key, geometry_.KeyLength);
    WriteExtra(entry + geometry_.KeyLength, value, subtreeCount, TEntryForm{});
}

void TPage::Reform(int position) {
    if (!IsCompressedLeaf() || position < 1 || position > count_) {
        return;
    }
    const TEntryForm form =
        LeafEntryForm(geometry_, position > 1 ? Key(position - 1) : nullptr, Key(position));
    leafBytes_ = leafBytes_ - EntrySize(position) + LeafEntrySize(geometry_, form);
    uint8_t* extra = Entry(position) + geometry_.KeyLength;
    std::memcpy(extra + kLeadingAt, &form.Leading, sizeof form.Leading);
    std::memcpy(extra + kTrailingAt, &form.Trailing, sizeof form.Trailing);
}

void TPage::InsertEntry(int position, const uint8_t* key, uint32_t value, uint32_t subtreeCount) {
    Unpack();
    Reserve(count_ + 1);
    std::memmove(Entry(position + 1), Entry(position), static_cast<size_t>(count_ - position + 1) * stride_);
    ++count_;
    WriteEntry(position, key, value, subtreeCount);
    if (IsCompressedLeaf()) {
        leafBytes_ += EntrySize(position);
        Reform(position);
        Reform(position + 1);
    }
}

void TPage::RemoveEntry(int position) {
    Unpack();
    if (IsCompressedLeaf()) {
        leafBytes_ -= EntrySize(position);
    }
    std::memmove(Entry(position), Entry(position + 1), static_cast<size_t>(count_ - position) * stride_);
    --count_;
    Reform(position);
}

void TPage::SetKey(int position, const uint8_t* key) {
    Unpack();
    std::memcpy(Entry(position), key, geometry_.KeyLength);
    Reform(position);
    Reform(position + 1);
}

void TPage::SetSubtreeCount(int position, uint32_t count) {
    Unpack();
    std::memcpy(Entry(position) + geometry_.KeyLength + kCountAt, &count, sizeof count);
}

void TPage::MoveEntries(int first, int count, TPage& target, int targetPosition) {
    Unpack();
    target.Unpack();
    size_t bytes = 0;
    if (IsCompressedLeaf()) {
        for (int k = first; k < first + count; ++k) {
            bytes += EntrySize(k);
        }
    }
    target.Reserve(target.count_ + count);
    const size_t block = static_cast<size_t>(count) * stride_;
    std::memmove(target.Entry(targetPosition + count), target.Entry(targetPosition),
                 static_cast<size_t>(target.count_ - targetPosition + 1) * stride_);
    std::memcpy(target.Entry(targetPosition), Entry(first), block);
    target.count_ += count;
    target.leafBytes_ += bytes;
    std::memmove(Entry(first), Entry(first + count),
                 static_cast<size_t>(count_ - first - count + 1) * stride_);
    count_ -= count;
    leafBytes_ -= bytes;
    Reform(first);
    target.Reform(targetPosition);
    target.Reform(targetPosition + count);
}

size_t TPage::Weight() const {
    if (IsCompressedLeaf()) {
        return leafBytes_;
    }
    return static_cast<size_t>(count_) * CapacityUnit();
}

bool TPage::OverfullWith(int position, const uint8_t* key) const {
    if (!IsCompressedLeaf()) {
        return static_cast<size_t>(count_ + 1) * CapacityUnit() > kPageDataSize;
    }
    const TEntryForm added = LeafEntryForm(geometry_, position > 1 ? Key(position - 1) : nullptr, key);
    size_t bytes = leafBytes_ + LeafEntrySize(geometry_, added);
    if (position <= count_) {
        bytes = bytes - EntrySize(position) +
                LeafEntrySize(geometry_, LeafEntryForm(geometry_, key, Key(position)));
    }
    return bytes > kPageDataSize;
}

bool TPage::FitsWith(const TPage& right) const {
    if (right.count_ == 0) {
        return Weight() <= kPageDataSize;
    }
    if (!IsCompressedLeaf()) {
        return Weight() + right.Weight() <= kPageDataSize;
    }
    // The right page's first entry is then stored after this page's last key.
    const TEntryForm joined = LeafEntryForm(geometry_, count_ > 0 ? Key(count_) : nullptr, right.Key(1));
    return leafBytes_ + right.leafBytes_ - right.EntrySize(1) + LeafEntrySize(geometry_, joined) <=
           kPageDataSize;
}

}  // namespace kartei
