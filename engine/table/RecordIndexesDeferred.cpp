// Putting off the entries of new records: keys gather in sorters, and unique keys are checked against the
// hashes of the keys kept so far.
#include <cstring>

#include "engine/errors/ErrorContext.h"
#include "engine/keys/KeyBuilder.h"
#include "engine/keys/KeyCompare.h"
#include "engine/keys/KeyHash.h"
#include "engine/table/RecordIndexes.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

bool TRecordIndexes::Defer(const TSortFileName& sortFileName, bool inMemory) {
    for (const int slot : slots_) {
        if (file_.Root(slot) != 0) {
            return false;
        }
    }
    deferredSorters_ = MakeSorters(sortFileName, inMemory, kPutOffSortBudget);
    deferred_.assign(trees_.size(), TKeyHashSet{});
    deferredHashes_.assign(trees_.size(), 0);
    deferredPrefixes_.assign(trees_.size(), {});
    return true;
}

void TRecordIndexes::EndDeferring() {
    deferred_.clear();
    deferred_.shrink_to_fit();
    deferredSorters_.clear();
    otherImage_.clear();
    otherImage_.shrink_to_fit();
}

bool TRecordIndexes::KeepsHashes(size_t index) const {
    const TKeyLayout& layout = LayoutOf(index);
    if (!layout.Unique || layout.DeletedRecordIndex) {
        return false;
    }
    for (size_t k = 0; k < layout.FieldCount; ++k) {
        if (layout.Fields[k].AutoIncrement) {
            return false;
        }
    }
    return true;
}

void TRecordIndexes::CheckDeferred(int32_t recordNumber, std::span<const uint8_t> image,
                                   const TSlotReader& read) {
    for (size_t index = 0; index < trees_.size(); ++index) {
        const TKeyLayout& layout = LayoutOf(index);
        TPlan& plan = plans_[index];
        plan.Add = HasEntry(index, image);
        if (!plan.Add) {
            continue;
        }
        uint8_t* key = NewKey(index);
        BuildKey(layout, image.data(), key);
        TEntrySorter& sorter = *deferredSorters_[index];
        sorter.Reserve();
        const size_t prefixSize = sorter.PrefixSize();
        uint8_t* prefix = prefixSize != 0 ? deferredPrefixes_[index].data() : nullptr;
        // A key that holds the record's identifier (a non-unique key ends with it) cannot repeat another.
        if (!KeepsHashes(index)) {
            if (prefix != nullptr) {
                sorter.MakePrefix(key, prefix);
            }
            continue;
        }
        // The sort key that makes the hash gives the sorter's prefix too.
        deferredHashes_[index] = HashKey(layout, key, layout.KeyLength, prefix, prefixSize);
        TKeyHashSet& kept = deferred_[index];
        kept.Reserve();
        const bool taken = kept.Find(deferredHashes_[index], [&](uint32_t other) {
            if (other == static_cast<uint32_t>(recordNumber)) {
                return false;
            }
            read(static_cast<int32_t>(other), otherImage_);
            BuildKey(layout, otherImage_.data(), OldKey(index));
            return CompareKeys(layout, key, OldKey(index), layout.KeyLength) == 0;
        });
        if (taken) {
            RaiseKarteiError(ErrorCode::DuplicateKey, tableName_, {}, {}, NameOf(index));
        }
    }
}

void TRecordIndexes::AddDeferred(int32_t recordNumber) noexcept {
    const auto number = static_cast<uint32_t>(recordNumber);
    for (size_t index = 0; index < trees_.size(); ++index) {
        if (!plans_[index].Add) {
            continue;
        }
        TEntrySorter& sorter = *deferredSorters_[index];
        sorter.Add(NewKey(index), number,
                   sorter.PrefixSize() != 0 ? deferredPrefixes_[index].data() : nullptr);
        if (KeepsHashes(index)) {
            deferred_[index].Add(deferredHashes_[index], number);
        }
    }
}

size_t TRecordIndexes::DeferredBytes() const {
    size_t bytes = 0;
    for (size_t index = 0; index < deferred_.size(); ++index) {
        if (KeepsHashes(index)) {
            bytes += deferred_[index].BytesAfterReserve();
        }
    }
    return bytes;
}

void TRecordIndexes::BuildDeferred() {
    CheckEmpty();
    std::vector<std::unique_ptr<TEntrySorter>> sorters = std::move(deferredSorters_);
    EndDeferring();
    // Identifiers were checked as the records came.
    std::vector<std::pair<uint32_t, int32_t>> identifiers;
    int32_t duplicate = 0;
    BuildTrees(sorters, identifiers, duplicate);
}

}  // namespace kartei
