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

bool TRecordIndexes::TakenByOther(size_t index, const uint8_t* key, int32_t recordNumber) {
    const TLeafHit hit = trees_[index].Seek(key, TSearchRule::Nearest);
    return hit.Found && hit.Leaf->Value(hit.Position) != static_cast<uint32_t>(recordNumber);
}

void TRecordIndexes::CheckFree(size_t index, int32_t recordNumber) {
    const uint8_t* key = NewKey(index);
    bool taken = TakenByOther(index, key, recordNumber);
    if (!taken && slots_[index] == kDeletedIndexSlot) {
        // One identifier names one slot, whether the slot is live or deleted.
        std::copy_n(key, kDeletedRecordKeyLength, otherStatusKey_.begin());
        otherStatusKey_[0] = key[0] == kRecordLive ? kRecordDeleted : kRecordLive;
        taken = TakenByOther(index, otherStatusKey_.data(), recordNumber);
    }
    if (taken) {
        RaiseKarteiError(ErrorCode::DuplicateKey, tableName_, {}, {}, NameOf(index));
    }
}

void TRecordIndexes::Change(int32_t recordNumber, std::span<const uint8_t> before,
                            std::span<const uint8_t> after) {
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
            if (!trees_[index].Insert(NewKey(index), static_cast<uint32_t>(recordNumber))) {
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
