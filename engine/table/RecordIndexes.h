#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/format/FieldDescriptor.h"
#include "engine/index/EntrySorter.h"
#include "engine/index/IndexFile.h"
#include "engine/index/IndexTree.h"
#include "engine/keys/KeyLayout.h"
#include "engine/table/KeyHashSet.h"

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
    // The name of the file an index slot's sorted runs spill to.
    using TSortFileName = std::function<std::string(int slot)>;
    // Enters record slots 1 to `slots` into indexes that are all empty, as Change would one by one, but
    // each index built bottom-up from its sorted keys (TEntrySorter, TIndexBuilder): full pages, no splits,
    // at most kFillBudget bytes of keys in memory, the rest spilled to the files `sortFileName` names.
    // A key held twice (or an identifier two slots carry) is DuplicateKey, raised once every index is
    // built, for the index where the lowest record number repeats what a lower one holds (the first such
    // index in the order kept); `duplicate` then holds that record number, and 0 otherwise.
    void Fill(int32_t slots, const TSlotReader& read, const TSortFileName& sortFileName, bool inMemory,
              int32_t& duplicate);
    static constexpr size_t kFillBudget = 32 * 1024 * 1024;

    // Putting off the entries of new records (a new table filled in a transaction, each record with the
    // next identifier): the trees stay empty, each index's keys gather in a sorter (at most
    // kPutOffSortBudget bytes in memory), and each unique index keeps its records by the hashes of their
    // keys, so that a key taken twice is still refused by the change that repeats it. Identifiers handed
    // out in turn never repeat, so indexes whose keys hold one (the deleted-record index, any over the
    // auto-increment field) keep nothing. Only when every index is empty; false otherwise.
    bool Defer(const TSortFileName& sortFileName, bool inMemory);
    bool Deferring() const { return !deferred_.empty(); }
    // What Change(recordNumber, {}, image) would check while deferring: DuplicateKey when a unique key of
    // the live image is one a deferred record holds (their images come from `read`). Makes room for the
    // keys, and changes nothing else.
    void CheckDeferred(int32_t recordNumber, std::span<const uint8_t> image, const TSlotReader& read);
    // The record checked last is in the table now: its keys are kept.
    void AddDeferred(int32_t recordNumber) noexcept;
    // Memory the hashes of the kept keys take once room for the next record's is made.
    size_t DeferredBytes() const;
    // Builds every index from the keys kept, as Fill would, and ends deferring.
    void BuildDeferred();
    // Forgets the keys kept (a rollback).
    void EndDeferring();
    static constexpr size_t kPutOffSortBudget = 8 * 1024 * 1024;

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
    // RaiseCorrupt unless every index is empty.
    void CheckEmpty() const;
    // A sorter per index kept, sharing `budget` bytes.
    std::vector<std::unique_ptr<TEntrySorter>> MakeSorters(const TSortFileName& sortFileName, bool inMemory,
                                                           size_t budget) const;
    // Builds each (empty) index from its sorter; then DuplicateKey as Fill describes, identifiers that
    // `identifiers` (identifier, record number) holds twice counting for the deleted-record index.
    void BuildTrees(std::vector<std::unique_ptr<TEntrySorter>>& sorters,
                    std::vector<std::pair<uint32_t, int32_t>>& identifiers, int32_t& duplicate);
    // Whether deferring keeps the index's keys by hash: unique, and no key holds an identifier.
    bool KeepsHashes(size_t index) const;

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
    // Deferring, per index kept: its records by key hash (unique indexes only), its keys sorting, and the
    // hash and sort-key prefix of the key CheckDeferred checked last.
    std::vector<TKeyHashSet> deferred_;
    std::vector<std::unique_ptr<TEntrySorter>> deferredSorters_;
    std::vector<uint64_t> deferredHashes_;
    std::vector<std::array<uint8_t, TEntrySorter::kPrefixSize>> deferredPrefixes_;
    std::vector<uint8_t> otherImage_;
    // Key of the deleted-record index with the other status byte: identifiers are checked under both.
    std::array<uint8_t, kDeletedRecordKeyLength> otherStatusKey_{};
};

}  // namespace kartei
