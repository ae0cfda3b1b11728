#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/files/FileHandler.h"
#include "engine/keys/KeyLayout.h"

namespace kartei {

// Sorts the entries of one index (full key, record number) by key, equal keys by record number. Entries
// gather in a buffer of a fixed budget; a full buffer is sorted and written to a spill file as a run, and
// the runs are merged when the entries are read back, so that memory stays within the budget however many
// entries there are.
class TEntrySorter {
public:
    // `spillName`: the file runs go to, created only when the first run does; `inMemory`: a memory file.
    TEntrySorter(const TKeyLayout& layout, std::string spillName, bool inMemory, size_t budget);
    // Deletes the spill file.
    ~TEntrySorter();
    TEntrySorter(const TEntrySorter&) = delete;
    TEntrySorter& operator=(const TEntrySorter&) = delete;

    // `prefix`: the key's sort-key prefix (PrefixSize bytes) when the caller has it; otherwise it is made.
    // After Reserve, an Add neither writes nor grows the buffer.
    void Add(const uint8_t* key, uint32_t recordNumber, const uint8_t* prefix = nullptr);
    void Reserve();
    static constexpr size_t kPrefixSize = 16;
    // Bytes of the sort-key prefix each entry carries: kPrefixSize when the key starts with collated text,
    // otherwise 0.
    size_t PrefixSize() const { return prefixSize_; }
    // The key's sort-key prefix into `prefix` (PrefixSize bytes, not 0).
    void MakePrefix(const uint8_t* key, uint8_t* prefix) const;
    // Ends adding; the entries are then read in order with Next.
    void Sort();
    // The next entry in order; false after the last. The key stays valid until the next call.
    bool Next(const uint8_t*& key, uint32_t& recordNumber);

private:
    struct TRun {
        int64_t Offset = 0;
        size_t Count = 0;
        // Merging: entries read so far, and the part of the buffer that holds the run's next entries.
        size_t Taken = 0;
        uint8_t* Window = nullptr;
        size_t WindowEntries = 0;
        size_t WindowAt = 0;
        size_t WindowCount = 0;
    };

    const uint8_t* EntryAt(size_t index) const { return buffer_.data() + index * entrySize_; }
    bool Before(const uint8_t* a, const uint8_t* b) const;
    void SortBuffer();
    void SpillRun();
    // Fills a run's window with its next entries; false when the run is used up.
    bool Refill(TRun& run);
    const uint8_t* Head(const TRun& run) const { return run.Window + run.WindowAt * entrySize_; }

    const TKeyLayout& layout_;
    // An entry: the key, the record number, and when the key starts with collated text a prefix of the
    // text's sort key, which settles most comparisons without the collator.
    const size_t prefixSize_;
    // Whether two words made of the entry's first bytes (with a prefix, of the null flag and the prefix;
    // otherwise of the key, when its bytes order it) decide most comparisons, and whether in reverse.
    const bool wordsOrder_;
    const bool wordsReversed_;
    const size_t entrySize_;
    const size_t capacity_;
    std::string spillName_;
    bool inMemory_;
    TFileHandler spill_;
    int64_t spillEnd_ = 0;
    std::vector<uint8_t> buffer_;
    size_t count_ = 0;
    std::vector<uint32_t> order_;
    // Sorting by words: the two words beside the entry's number, so that most comparisons touch neither the
    // entries nor the collator.
    struct TSortItem {
        uint64_t High;
        uint64_t Low;
        uint32_t Entry;
    };
    std::vector<TSortItem> items_;
    std::vector<TRun> runs_;
    // Reading: the next entry of the sorted buffer, or the heap of runs by their next entries.
    size_t next_ = 0;
    std::vector<size_t> heap_;
    bool merging_ = false;
    bool popPending_ = false;
};

}  // namespace kartei
