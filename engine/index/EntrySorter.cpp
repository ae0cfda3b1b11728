#include "engine/index/EntrySorter.h"

#include <algorithm>
#include <cstring>

#include "base/ScopeGuard.h"
#include "engine/keys/KeyCompare.h"
#include "engine/locale/Collator.h"

namespace kartei {
namespace {

constexpr size_t kRecordNumberSize = 4;
// Bytes of sorted entries gathered before one write to the spill file.
constexpr size_t kSpillChunk = 64 * 1024;

uint32_t RecordNumberOf(const uint8_t* entry, size_t keyLength) {
    uint32_t value;
    std::memcpy(&value, entry + keyLength, sizeof value);
    return value;
}

// Collated text first in the key: entries carry a prefix of its sort key.
size_t PrefixSizeFor(const TKeyLayout& layout) {
    const bool collatedFirst = !layout.DeletedRecordIndex && layout.Locale.LanguageId != 0 &&
                               layout.FieldCount > 0 && layout.Fields[0].Type == FieldType::String &&
                               layout.KeyLength > 1;
    return collatedFirst ? TEntrySorter::kPrefixSize : 0;
}

// Up to 8 bytes as a big-endian word, missing bytes 0: words order as their bytes do.
uint64_t Word(const uint8_t* bytes, size_t available) {
    if (available >= 8) {
        return key_bytes::BigEndianWord<uint64_t>(bytes);
    }
    uint64_t value = 0;
    for (size_t k = 0; k < 8; ++k) {
        value = value << 8 | (k < available ? bytes[k] : 0u);
    }
    return value;
}

}  // namespace

TEntrySorter::TEntrySorter(const TKeyLayout& layout, std::string spillName, bool inMemory, size_t budget)
    : layout_(layout),
      prefixSize_(PrefixSizeFor(layout)),
      wordsOrder_(prefixSize_ != 0 || OrderedByBytes(layout)),
      wordsReversed_(prefixSize_ != 0 ? layout.Descending || layout.Fields[0].Descending
                                      : BytesReversed(layout)),
      entrySize_(layout.KeyLength + kRecordNumberSize + prefixSize_),
      // An entry costs its bytes and its place in the order, and while a buffer is sorted by words its item
      // too.
      capacity_(std::max<size_t>(
          2, budget / (entrySize_ + sizeof(uint32_t) + (wordsOrder_ ? sizeof(TSortItem) : 0)))),
      spillName_(std::move(spillName)),
      inMemory_(inMemory) {}

TEntrySorter::~TEntrySorter() {
    if (!spill_.IsOpen()) {
        return;
    }
    // A file left over hurts nobody; the sort is what counts.
    RunQuietly([this] {
        spill_.Close();
        // A memory file went with its closing.
        if (!inMemory_) {
            spill_.Delete(spillName_);
        }
    });
}

bool TEntrySorter::Before(const uint8_t* a, const uint8_t* b) const {
    // The same null flag: the texts decide, and prefixes of their sort keys that differ decide as they do,
    // without the collator.
    if (prefixSize_ != 0 && a[0] == b[0]) {
        const size_t at = layout_.KeyLength + kRecordNumberSize;
        const int prefixOrder = std::memcmp(a + at, b + at, prefixSize_);
        if (prefixOrder != 0) {
            return (prefixOrder < 0) != wordsReversed_;
        }
    }
    const int order = CompareKeys(layout_, a, b, layout_.KeyLength);
    if (order != 0) {
        return order < 0;
    }
    return RecordNumberOf(a, layout_.KeyLength) < RecordNumberOf(b, layout_.KeyLength);
}

void TEntrySorter::MakePrefix(const uint8_t* key, uint8_t* prefix) const {
    const size_t textLength = std::min<size_t>(layout_.Fields[0].DataWidth, layout_.KeyLength - 1u);
    layout_.Locale.Collator->SortKeyPrefix(key + 1, textLength, prefix, prefixSize_);
}

void TEntrySorter::Reserve() {
    if (count_ == capacity_) {
        SpillRun();
    }
    const size_t needed = (count_ + 1) * entrySize_;
    if (buffer_.size() < needed) {
        // Grows by doubling up to the budget, so that a small index takes little.
        buffer_.resize(std::min(capacity_ * entrySize_, std::max(needed, 2 * buffer_.size())));
    }
}

void TEntrySorter::Add(const uint8_t* key, uint32_t recordNumber, const uint8_t* prefix) {
    Reserve();
    uint8_t* entry = buffer_.data() + count_ * entrySize_;
    std::memcpy(entry, key, layout_.KeyLength);
    std::memcpy(entry + layout_.KeyLength, &recordNumber, kRecordNumberSize);
    if (prefix != nullptr) {
        std::memcpy(entry + layout_.KeyLength + kRecordNumberSize, prefix, prefixSize_);
    } else if (prefixSize_ != 0) {
        MakePrefix(key, entry + layout_.KeyLength + kRecordNumberSize);
    }
    ++count_;
}

void TEntrySorter::SortBuffer() {
    order_.resize(count_);
    if (!wordsOrder_) {
        for (size_t k = 0; k < count_; ++k) {
            order_[k] = static_cast<uint32_t>(k);
        }
        std::sort(order_.begin(), order_.end(),
                  [this](uint32_t a, uint32_t b) { return Before(EntryAt(a), EntryAt(b)); });
        return;
    }
    // Equal words leave it to Before.
    const size_t keyLength = layout_.KeyLength;
    items_.resize(count_);
    for (size_t k = 0; k < count_; ++k) {
        const uint8_t* entry = EntryAt(k);
        uint64_t high = 0;
        uint64_t low = 0;
        if (prefixSize_ != 0) {
            // The null flag and the prefix's first 15 bytes.
            const uint8_t* prefix = entry + keyLength + kRecordNumberSize;
            high = static_cast<uint64_t>(entry[0]) << 56 | Word(prefix, 8) >> 8;
            low = Word(prefix + 7, 8);
        } else {
            high = Word(entry, keyLength);
            low = keyLength > 8 ? Word(entry + 8, keyLength - 8) : 0;
        }
        if (wordsReversed_) {
            high = ~high;
            low = ~low;
        }
        items_[k] = TSortItem{high, low, static_cast<uint32_t>(k)};
    }
    std::sort(items_.begin(), items_.end(), [this](const TSortItem& a, const TSortItem& b) {
        if (a.High != b.High) {
            return a.High < b.High;
        }
        if (a.Low != b.Low) {
            return a.Low < b.Low;
        }
        return Before(EntryAt(a.Entry), EntryAt(b.Entry));
    });
    for (size_t k = 0; k < count_; ++k) {
        order_[k] = items_[k].Entry;
    }
    items_.clear();
    items_.shrink_to_fit();
}

void TEntrySorter::SpillRun() {
    SortBuffer();
    if (!spill_.IsOpen()) {
        spill_.SetInMemory(inMemory_);
        spill_.Create(spillName_, true);
    }
    TRun run;
    run.Offset = spillEnd_;
    run.Count = count_;
    std::vector<uint8_t> chunk;
    chunk.reserve(kSpillChunk + entrySize_);
    const auto write = [&] {
        TFileGuard guard(spill_);
        spill_.Seek(spillEnd_, TSeekOrigin::Start);
        spill_.Write(chunk.data(), chunk.size());
        spillEnd_ += static_cast<int64_t>(chunk.size());
        chunk.clear();
    };
    for (size_t k = 0; k < count_; ++k) {
        const uint8_t* entry = EntryAt(order_[k]);
        chunk.insert(chunk.end(), entry, entry + entrySize_);
        if (chunk.size() >= kSpillChunk) {
            write();
        }
    }
    if (!chunk.empty()) {
        write();
    }
    runs_.push_back(run);
    count_ = 0;
}

bool TEntrySorter::Refill(TRun& run) {
    const size_t entries = std::min(run.Count - run.Taken, run.WindowEntries);
    if (entries == 0) {
        return false;
    }
    {
        TFileGuard guard(spill_);
        spill_.Seek(run.Offset + static_cast<int64_t>(run.Taken * entrySize_), TSeekOrigin::Start);
        spill_.Read(run.Window, entries * entrySize_);
    }
    run.Taken += entries;
    run.WindowAt = 0;
    run.WindowCount = entries;
    return true;
}

void TEntrySorter::Sort() {
    next_ = 0;
    popPending_ = false;
    if (runs_.empty()) {
        SortBuffer();
        return;
    }
    if (count_ > 0) {
        SpillRun();
    }
    order_.clear();
    order_.shrink_to_fit();
    // The buffer, no longer needed for gathering, holds a window into each run.
    buffer_.resize(std::max(buffer_.size(), runs_.size() * entrySize_));
    const size_t window = buffer_.size() / entrySize_ / runs_.size();
    heap_.clear();
    for (size_t k = 0; k < runs_.size(); ++k) {
        runs_[k].Window = buffer_.data() + k * window * entrySize_;
        runs_[k].WindowEntries = window;
        if (Refill(runs_[k])) {
            heap_.push_back(k);
        }
    }
    merging_ = true;
    std::make_heap(heap_.begin(), heap_.end(),
                   [this](size_t a, size_t b) { return Before(Head(runs_[b]), Head(runs_[a])); });
}

bool TEntrySorter::Next(const uint8_t*& key, uint32_t& recordNumber) {
    const uint8_t* entry = nullptr;
    if (!merging_) {
        if (next_ >= count_) {
            return false;
        }
        entry = EntryAt(order_[next_++]);
    } else {
        const auto later = [this](size_t a, size_t b) { return Before(Head(runs_[b]), Head(runs_[a])); };
        // The entry handed out last stays in its window until now.
        if (popPending_) {
            std::pop_heap(heap_.begin(), heap_.end(), later);
            TRun& run = runs_[heap_.back()];
            if (++run.WindowAt < run.WindowCount || Refill(run)) {
                std::push_heap(heap_.begin(), heap_.end(), later);
            } else {
                heap_.pop_back();
            }
        }
        if (heap_.empty()) {
            popPending_ = false;
            return false;
        }
        popPending_ = true;
        entry = Head(runs_[heap_.front()]);
    }
    key = entry;
    recordNumber = RecordNumberOf(entry, layout_.KeyLength);
    return true;
}

}  // namespace kartei
