#include "engine/table/RecordIndexes.h"

#include <algorithm>
#include <cstring>

#include "base/ScopeGuard.h"
#include "engine/errors/ErrorContext.h"
#include "engine/format/RecordLayout.h"
#include "engine/index/IndexKeyLayout.h"
#include "engine/keys/KeyBuilder.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

void TRecordIndexes::Load(std::span<const TFieldDescriptor> fields, const TKeyLocale& locale,
                          const std::string& tableName) {
    tableName_ = tableName;
    slots_.clear();
    trees_.clear();
    trees_.reserve(kIndexSlotCount);
    const auto keep = [&](int slot) {
        layouts_[slot] = MakeKeyLayout(file_.Descriptor(slot), slot, fields, locale, tableName);
        trees_.emplace_back(file_, slot, layouts_[slot]);
        slots_.push_back(slot);
    };
    if (!file_.NoPrimaryKey() && file_.Descriptor(kPrimaryIndexSlot).FieldCount > 0) {
        keep(kPrimaryIndexSlot);
    }
    for (int slot = 1; slot <= file_.SecondaryIndexCount(); ++slot) {
        keep(slot);
    }
    keep(kDeletedIndexSlot);
    plans_.assign(trees_.size(), TPlan{});
    places_.clear();
    places_.resize(trees_.size());
    oldKeys_.assign(trees_.size() * kKeyBufferSize, 0);
    newKeys_.assign(trees_.size() * kKeyBufferSize, 0);
    applied_.clear();
    applied_.reserve(2 * trees_.size());
}

bool TRecordIndexes::HasEntry(size_t index, std::span<const uint8_t> image) const {
    if (image.empty()) {
        return false;
    }
    return slots_[index] == kDeletedIndexSlot || RecordStatus(image) == kRecordLive;
}

bool TRecordIndexes::TakenByOther(const TLeafHit& hit, int32_t recordNumber) {
    return hit.Found && hit.Leaf->Value(hit.Position) != static_cast<uint32_t>(recordNumber);
}

void TRecordIndexes::CheckFree(size_t index, int32_t recordNumber) {
    TIndexTree& tree = trees_[index];
    const uint8_t* key = NewKey(index);
    bool taken = false;
    if (slots_[index] == kDeletedIndexSlot) {
        // One identifier names one slot, whether the slot is live or deleted.
        std::copy_n(key, kDeletedRecordKeyLength, otherStatusKey_.begin());
        otherStatusKey_[0] = key[0] == kRecordLive ? kRecordDeleted : kRecordLive;
        taken = TakenByOther(tree.Seek(otherStatusKey_.data(), TSearchRule::Place), recordNumber);
    }
    // The key's own descent comes last, so that Apply can insert where it ended.
    TLeafHit& place = places_[index];
    place = tree.Seek(key, TSearchRule::Place);
    if (taken || TakenByOther(place, recordNumber)) {
        RaiseKarteiError(ErrorCode::DuplicateKey, tableName_, {}, {}, NameOf(index));
    }
}

void TRecordIndexes::Change(int32_t recordNumber, std::span<const uint8_t> before,
                            std::span<const uint8_t> after) {
    // The leaves the checks pinned are let go whatever happens.
    const TUndoGuard release([this] {
        for (TLeafHit& place : places_) {
            place = TLeafHit();
        }
    });
    applied_.clear();
    for (size_t index = 0; index < trees_.size(); ++index) {
        const TKeyLayout& layout = LayoutOf(index);
        TPlan& plan = plans_[index];
        plan.Remove = HasEntry(index, before);
        plan.Add = HasEntry(index, after);
        if (plan.Remove) {
            BuildKey(layout, before.data(), OldKey(index));
        }
        if (plan.Add) {
            BuildKey(layout, after.data(), NewKey(index));
        }
        if (plan.Remove && plan.Add && std::memcmp(OldKey(index), NewKey(index), layout.KeyLength) == 0) {
            plan = TPlan{};
        } else if (plan.Add && layout.Unique) {
            // A non-unique key ends with its record's identifier, so no other record can hold it.
            CheckFree(index, recordNumber);
            if (plan.Remove) {
                // The removal changes the index first, and may free the leaf found: no place to keep.
                places_[index] = TLeafHit();
            }
        }
    }
    Apply(recordNumber);
}

void TRecordIndexes::Apply(int32_t recordNumber) {
    appliedRecord_ = recordNumber;
    TUndoGuard undo([this] { Undo(); });
    for (size_t index = 0; index < trees_.size(); ++index) {
        const TPlan& plan = plans_[index];
        if (plan.Remove) {
            if (!trees_[index].Delete(OldKey(index))) {
                // The record's entry is missing: the index does not match the data.
                file_.RaiseCorrupt();
            }
            applied_.push_back({index, TStep::Removed});
        }
        if (plan.Add) {
            TLeafHit& place = places_[index];
            // A leaf the check pinned, in an index nothing has changed since: no second descent. (An empty
            // index pins nothing, so another user may have filled it meanwhile; it is descended anew.)
            if (place.Leaf && !place.Found) {
                trees_[index].InsertAt(std::move(place), NewKey(index), static_cast<uint32_t>(recordNumber));
            } else if (!trees_[index].Insert(NewKey(index), static_cast<uint32_t>(recordNumber))) {
                RaiseKarteiError(ErrorCode::DuplicateKey, tableName_, {}, {}, NameOf(index));
            }
            applied_.push_back({index, TStep::Added});
        }
    }
    undo.Dismiss();
}

void TRecordIndexes::Undo() {
    for (auto it = applied_.rbegin(); it != applied_.rend(); ++it) {
        TIndexTree& tree = trees_[it->Index];
        // Quietly: the failure that led here is the one reported.
        RunQuietly([this, &tree, it] {
            if (it->Step == TStep::Added) {
                tree.Delete(NewKey(it->Index));
            } else {
                tree.Insert(OldKey(it->Index), static_cast<uint32_t>(appliedRecord_));
            }
        });
    }
    applied_.clear();
}

}  // namespace kartei
