#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "engine/format/FieldDescriptor.h"
#include "engine/index/IndexFile.h"
#include "engine/index/IndexTree.h"
#include "engine/keys/KeyLayout.h"

namespace kartei {

// The entries one record has in the indexes of its table: the primary index (when it has key fields),
// every secondary index, and the deleted-record index, which holds every slot, live or deleted, under its
// status byte and record identifier. A change of a record moves its entries in every index whose key
// changes; keys that would be taken twice are found before anything changes, and a change that fails
// halfway is taken back.
class TRecordIndexes {
public:
    explicit TRecordIndexes(TIndexFile& file) : file_(file) {}
    TRecordIndexes(const TRecordIndexes&) = delete;
    TRecordIndexes& operator=(const TRecordIndexes&) = delete;

    // Takes the index definitions from the index file's header. Again whenever the header may have changed;
    // HeaderCorrupt for a definition that does not fit the table's fields.
    void Load(std::span<const TFieldDescriptor> fields, const TKeyLocale& locale,
              const std::string& tableName);
    // The number of indexes kept, the deleted-record index included.
    size_t IndexCount() const { return trees_.size(); }

    // Record `recordNumber` changes from image `before` to image `after`; an empty image stands for no
    // record (a new slot, or a record that goes away). Live images have entries in every index, deleted
    // images only in the deleted-record index. A key another record holds already is engine error
    // DuplicateKey for that index, raised before any index changes; so is a record identifier that another
    // slot carries. A failure while entries move takes back what moved before it is raised.
    void Change(int32_t recordNumber, std::span<const uint8_t> before, std::span<const uint8_t> after);
    // Takes back the last Change, when a later step of the same record change failed. Failures while taking
    // back are dropped: the first failure is the one reported.
    void Undo();

    // Copies record slot `number` (live or deleted) into `image`.
    using TSlotReader = std::function<void(int32_t number, std::vector<uint8_t>& image)>;
    // Enters record slots 1 to `slots` into indexes that are all empty, as Change would one by one, but
    // each index built bottom-up from its sorted keys (TEntrySorter, TIndexBuilder): full pages, no splits,
    // at most kFillBudget bytes of keys in memory, the rest spilled to the files `sortFileName` names.
    // A key held twice (or an identifier two slots carry) is DuplicateKey, raised once every index is
    // built, for the index where the lowest record number repeats what a lower one holds (the first such
    // index in the order kept); `duplicate` then holds that record number, and 0 otherwise.
    void Fill(int32_t slots, const TSlotReader& read,
              const std::function<std::string(int slot)>& sortFileName, bool inMemory, int32_t& duplicate);
    static constexpr size_t kFillBudget = 32 * 1024 * 1024;

private:
    enum class TStep : uint8_t { Removed, Added };
    struct TApplied {
        size_t Index;
        TStep Step;
    };
    struct TPlan {
        bool Remove = false;
        bool Add = false;
    };

    uint8_t* OldKey(size_t index) { return oldKeys_.data() + index * kKeyBufferSize; }
    uint8_t* NewKey(size_t index) { return newKeys_.data() + index * kKeyBufferSize; }
    const TKeyLayout& LayoutOf(size_t index) const { return layouts_[static_cast<size_t>(slots_[index])]; }
    const std::string& NameOf(size_t index) const { return file_.Descriptor(slots_[index]).Name; }
    // Whether an image has entries in the index.
    bool HasEntry(size_t index, std::span<const uint8_t> image) const;
    // Whether the entry a descent found equal to its key belongs to a record other than `recordNumber`.
    static bool TakenByOther(const TLeafHit& hit, int32_t recordNumber);
    // DuplicateKey when the new key of a unique index is taken; the key's descent stays in places_.
    void CheckFree(size_t index, int32_t recordNumber);
    void Apply(int32_t recordNumber);

    TIndexFile& file_;
    std::string tableName_;
    // Layouts by index slot, so that the trees' references stay valid; the slots and trees in the order kept.
    std::array<TKeyLayout, kIndexSlotCount> layouts_{};
    std::vector<int> slots_;
    std::vector<TIndexTree> trees_;
    std::vector<TPlan> plans_;
    // Where CheckFree found each unique index's new key would go, its leaf pinned, for the insertion to
    // follow; empty outside Change.
    std::vector<TLeafHit> places_;
    std::vector<uint8_t> oldKeys_;
    std::vector<uint8_t> newKeys_;
    std::vector<TApplied> applied_;
    int32_t appliedRecord_ = 0;
    // Key of the deleted-record index with the other status byte: identifiers are checked under both.
    std::array<uint8_t, kDeletedRecordKeyLength> otherStatusKey_{};
};

}  // namespace kartei
