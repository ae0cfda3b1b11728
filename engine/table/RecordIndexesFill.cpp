// Filling empty indexes from all the records at once: keys sorted per index, trees built bottom-up.
#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "engine/errors/ErrorContext.h"
#include "engine/index/EntrySorter.h"
#include "engine/index/IndexBuilder.h"
#include "engine/keys/KeyBuilder.h"
#include "engine/keys/KeyCompare.h"
#include "engine/table/RecordIndexes.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

void TRecordIndexes::CheckEmpty() const {
    for (const int slot : slots_) {
        if (file_.Root(slot) != 0) {
            file_.RaiseCorrupt();
        }
    }
}

std::vector<std::unique_ptr<TEntrySorter>> TRecordIndexes::MakeSorters(const TSortFileName& sortFileName,
                                                                       bool inMemory, size_t budget) const {
    // The budget is shared by the size of the entries, so that long keys spill no sooner than short ones.
    size_t entryBytes = 0;
    for (size_t index = 0; index < trees_.size(); ++index) {
        entryBytes += LayoutOf(index).KeyLength + sizeof(uint32_t);
    }
    std::vector<std::unique_ptr<TEntrySorter>> sorters;
    for (size_t index = 0; index < trees_.size(); ++index) {
        const size_t share = budget / entryBytes * (LayoutOf(index).KeyLength + sizeof(uint32_t));
        sorters.push_back(
            std::make_unique<TEntrySorter>(LayoutOf(index), sortFileName(slots_[index]), inMemory, share));
    }
    return sorters;
}

void TRecordIndexes::Fill(int32_t slots, const TSlotReader& read, const TSortFileName& sortFileName,
                          bool inMemory, int32_t& duplicate) {
    CheckEmpty();
    std::vector<std::unique_ptr<TEntrySorter>> sorters = MakeSorters(sortFileName, inMemory, kFillBudget);
    // One identifier names one slot, whether the slot is live or deleted: the deleted-record index orders
    // its keys by status first, so identifiers are compared on their own.
    std::vector<std::pair<uint32_t, int32_t>> identifiers;
    std::vector<uint8_t> image;
    for (int32_t number = 1; number <= slots; ++number) {
        read(number, image);
        for (size_t index = 0; index < trees_.size(); ++index) {
            if (!HasEntry(index, image)) {
                continue;
            }
            uint8_t* key = NewKey(index);
            BuildKey(LayoutOf(index), image.data(), key);
            sorters[index]->Add(key, static_cast<uint32_t>(number));
            if (slots_[index] == kDeletedIndexSlot) {
                uint32_t identifier;
                std::memcpy(&identifier, key + 1, sizeof identifier);
                identifiers.emplace_back(identifier, number);
            }
        }
    }
    BuildTrees(sorters, identifiers, duplicate);
}

void TRecordIndexes::BuildTrees(std::vector<std::unique_ptr<TEntrySorter>>& sorters,
                                std::vector<std::pair<uint32_t, int32_t>>& identifiers, int32_t& duplicate) {
    duplicate = 0;
    size_t duplicateIndex = 0;
    const auto note = [&](size_t index, int32_t number) {
        if (duplicate == 0 || number < duplicate) {
            duplicate = number;
            duplicateIndex = index;
        }
    };
    for (size_t index = 0; index < trees_.size(); ++index) {
        const TKeyLayout& layout = LayoutOf(index);
        TEntrySorter& sorter = *sorters[index];
        sorter.Sort();
        TIndexBuilder builder(file_, slots_[index]);
        uint8_t* previous = OldKey(index);
        bool first = true;
        const uint8_t* key = nullptr;
        uint32_t number = 0;
        while (sorter.Next(key, number)) {
            // Equal keys come in record order: every one after the first is taken already.
            if (!first && CompareKeys(layout, previous, key, layout.KeyLength) == 0) {
                note(index, static_cast<int32_t>(number));
                continue;
            }
            builder.Add(key, number);
            std::memcpy(previous, key, layout.KeyLength);
            first = false;
        }
        builder.Finish();
        sorters[index].reset();
    }
    std::sort(identifiers.begin(), identifiers.end());
    const auto deletedIndex =
        static_cast<size_t>(std::find(slots_.begin(), slots_.end(), kDeletedIndexSlot) - slots_.begin());
    for (size_t k = 1; k < identifiers.size(); ++k) {
        if (identifiers[k].first == identifiers[k - 1].first) {
            note(deletedIndex, identifiers[k].second);
        }
    }
    if (duplicate != 0) {
        RaiseKarteiError(ErrorCode::DuplicateKey, tableName_, {}, {}, NameOf(duplicateIndex));
    }
}

}  // namespace kartei
