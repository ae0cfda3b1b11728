// Putting off the entries of new records: unique keys are checked against hashes of the keys kept so far.
#include <cstring>

#include "engine/errors/ErrorContext.h"
#include "engine/keys/KeyBuilder.h"
#include "engine/keys/KeyCompare.h"
#include "engine/keys/KeyHash.h"
#include "engine/table/RecordIndexes.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

bool TRecordIndexes::Defer() {
    for (const int slot : slots_) {
        if (file_.Root(slot) != 0) {
            return false;
        }
    }
    deferred_.assign(trees_.size(), TKeyHashSet{});
    deferredHashes_.assign(trees_.size(), 0);
    plans_.assign(trees_.size(), TPlan{});
    return true;
}

void TRecordIndexes::EndDeferring() {
    deferred_.clear();
    deferred_.shrink_to_fit();
    otherImage_.clear();
    otherImage_.shrink_to_fit();
}

uint64_t TRecordIndexes::DeferredHash(size_t index, const uint8_t* key) const {
    if (slots_[index] == kDeletedIndexSlot) {
        return HashBytes(key + 1, kDeletedRecordKeyLength - 1);
    }
    return HashKey(LayoutOf(index), key, LayoutOf(index).KeyLength);
}

bool TRecordIndexes::SameDeferredKey(size_t index, const uint8_t* a, const uint8_t* b) const {
    if (slots_[index] == kDeletedIndexSlot) {
        return std::memcmp(a + 1, b + 1, kDeletedRecordKeyLength - 1) == 0;
    }
    return CompareKeys(LayoutOf(index), a, b, LayoutOf(index).KeyLength) == 0;
}

void TRecordIndexes::CheckDeferred(int32_t recordNumber, std::span<const uint8_t> image,
                                   const TSlotReader& read) {
    for (size_t index = 0; index < trees_.size(); ++index) {
        const TKeyLayout& layout = LayoutOf(index);
        TPlan& plan = plans_[index];
        // A non-unique key ends with its record's identifier, so no other record can hold it.
        plan.Add = layout.Unique && HasEntry(index, image);
        if (!plan.Add) {
            continue;
        }
        uint8_t* key = NewKey(index);
        BuildKey(layout, image.data(), key);
        deferredHashes_[index] = DeferredHash(index, key);
        TKeyHashSet& kept = deferred_[index];
        kept.Reserve();
        const bool taken = kept.Find(deferredHashes_[index], [&](uint32_t other) {
            if (other == static_cast<uint32_t>(recordNumber)) {
                return false;
            }
            read(static_cast<int32_t>(other), otherImage_);
            BuildKey(layout, otherImage_.data(), OldKey(index));
            return SameDeferredKey(index, key, OldKey(index));
        });
        if (taken) {
            RaiseKarteiError(ErrorCode::DuplicateKey, tableName_, {}, {}, NameOf(index));
        }
    }
}

void TRecordIndexes::AddDeferred(int32_t recordNumber) noexcept {
    for (size_t index = 0; index < trees_.size(); ++index) {
        if (plans_[index].Add) {
            deferred_[index].Add(deferredHashes_[index], static_cast<uint32_t>(recordNumber));
        }
    }
}

size_t TRecordIndexes::DeferredBytes() const {
    size_t bytes = 0;
    for (const TKeyHashSet& kept : deferred_) {
        bytes += kept.Bytes();
    }
    return bytes;
}

}  // namespace kartei
