#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/files/EngineMemory.h"
#include "engine/index/EntryCodec.h"
#include "engine/index/IndexFormat.h"
#include "engine/keys/KeyLayout.h"
#include "engine/keys/PreparedKey.h"

namespace kartei {

// Which entry a search in a page settles on when no entry equals the key.
enum class TSearchRule {
    // Node: the last entry below the key (the first when all are above): the child to descend into.
    // Leaf: the first entry above the key (the last when all are below).
    Nearest,
    // Every page, leaf included: the last entry below the key (the first when all are above). The upper end
    // of a range.
    UpperEnd,
    // Node as Nearest; leaf: the last entry below the key, 0 when there is none. A new key goes after it.
    Place,
};

struct TPageSearch {
    // 1-based; 0 only for TSearchRule::Place in a leaf.
    int Position = 0;
    // The entry at Position equals the key; the rules above apply only when none does.
    bool Found = false;
};

// One index page in memory, its entries decompressed: each holds the full key, a value (the child page of a
// node entry, the record number of a leaf entry) and a subtree count (the records below a node entry; 1 for
// a leaf entry). Entry positions are 1-based. The index file's caches hold pages; a caller may hold a
// private copy of a page (CopyFrom, as the index check does) without touching the cache.
//
// A page read from disk stays packed: its stored bytes are kept and read in place (fixed-width entries of
// nodes and of leaves without compression), or decompressed entry by entry the first time anything reads
// one (compressed leaves). A search reads a dozen of a page's hundreds of entries and a screen of records a
// few more, so a page miss costs little more than its read. Every change unpacks the page whole.
// A key from Key() of a packed compressed leaf holds until another entry of the page is read (its slot may
// then be reused) or the page changes: a caller comparing two keys of one page copies one first (or works
// on an unpacked copy, as the index check does).
class TPage {
public:
    TPage();
    TPage(const TPage&) = delete;
    TPage& operator=(const TPage&) = delete;

    // An empty page of index `slot` at `offset`: type root node, no entries, no links, not free. Whether it
    // is dirty or pinned is the cache's business and stays.
    void Reset(int slot, const TPageGeometry& geometry, uint32_t offset);
    // Takes over the other page's index, offset, type, links and entries; the walk position too.
    void CopyFrom(const TPage& other);

    int Slot() const { return slot_; }
    uint32_t Offset() const { return offset_; }
    const TPageGeometry& Geometry() const { return geometry_; }
    TPageType Type() const { return type_; }
    void SetType(TPageType type) { type_ = type; }
    bool IsLeaf() const { return type_ == TPageType::Leaf || type_ == TPageType::RootLeaf; }
    bool IsRoot() const { return type_ == TPageType::RootNode || type_ == TPageType::RootLeaf; }
    // Neighbours on the same level, 0 at either end. A free page's next page is the next free page.
    uint32_t PrevPage() const { return prev_; }
    uint32_t NextPage() const { return next_; }
    void SetPrevPage(uint32_t offset) { prev_ = offset; }
    void SetNextPage(uint32_t offset) { next_ = offset; }
    int Count() const { return count_; }
    // In a free-page chain.
    bool IsFree() const { return free_; }
    bool IsDirty() const { return dirty_; }
    int PinCount() const { return pins_; }

    // Entry accessors; position must be in 1..Count().
    const uint8_t* Key(int position) const { return packed_ ? PackedEntry(position) : Entry(position); }
    // Inline: the codec and every descent read them entry by entry.
    uint32_t Value(int position) const {
        // A compressed entry stores its record number whole: reading it needs no decompression.
        if (packed_ && fixedStride_ == 0) {
            return PackedValue(position);
        }
        return Field<uint32_t>(position, kValueAt);
    }
    uint32_t SubtreeCount(int position) const { return IsLeaf() ? 1 : Field<uint32_t>(position, kCountAt); }
    // The key of entry `position` into `key`, which holds the key of entry `position - 1`: a walk takes the
    // next key from the one it has, without the slots and the walk back of Key.
    void ReadNextKey(int position, uint8_t* key) const;
    // How the entry is stored on disk (leaves with compression; otherwise no counts).
    TEntryForm Form(int position) const {
        if (!IsCompressedLeaf()) {
            return TEntryForm{};
        }
        return TEntryForm{Field<uint16_t>(position, kLeadingAt), Field<uint16_t>(position, kTrailingAt)};
    }
    // Records below the entries before `position`: the ordinal of its first record within the page, minus 1.
    int64_t CountBefore(int position) const;
    int64_t TotalCount() const { return CountBefore(count_ + 1); }

    // Binary search with CompareKeys over the full key, in place. The page must have entries.
    TPageSearch Search(const TKeyLayout& layout, const TPreparedKey& key, TSearchRule rule) const;

    // Changes. They keep the disk forms and the disk size of compressed leaves up to date. Marking the page
    // dirty is the index file's business.
    void InsertEntry(int position, const uint8_t* key, uint32_t value, uint32_t subtreeCount);
    void AppendEntry(const uint8_t* key, uint32_t value, uint32_t subtreeCount) {
        InsertEntry(count_ + 1, key, value, subtreeCount);
    }
    void RemoveEntry(int position);
    // Decoding a compressed leaf: `count` disk entries at `data` (kPageDataSize bytes), kept packed. False,
    // with the page unusable, when an entry is malformed or runs past the page.
    bool TakePackedEntries(const uint8_t* data, int count);
    // Decompresses every entry still packed; a page about to change or be copied is unpacked first.
    void Unpack() const;
    // Decoding a page of fixed-width entries (a node, or a leaf without compression): `count` disk entries
    // of `diskSize` bytes at `data`, each the key, the value and, in a node, the subtree count. The page
    // reads them where they stand until it changes.
    void TakeFixedEntries(const uint8_t* data, int count, size_t diskSize);
    void SetKey(int position, const uint8_t* key);
    void SetSubtreeCount(int position, uint32_t count);
    // Moves `count` entries from `first` on into `target` (a page of the same index and level), to stand
    // from `targetPosition` on.
    void MoveEntries(int first, int count, TPage& target, int targetPosition);

    // Bytes of entry data on disk: the bytes-used field of a compressed leaf; 0 for other pages.
    size_t UsedBytes() const { return IsCompressedLeaf() ? leafBytes_ : 0; }
    // What the page counts against its 4083 bytes: the disk bytes of a compressed leaf's entries; for
    // other pages the entries at their capacity sizes (key + 10 in a node, key + 6 in a leaf).
    size_t Weight() const;
    // Beyond the page's capacity: a compressed leaf whose entries exceed 4083 bytes, any other page with
    // more entries than its capacity.
    bool Overfull() const { return Weight() > kPageDataSize; }
    // Whether inserting `key` at `position` would make the page overfull.
    bool OverfullWith(int position, const uint8_t* key) const;
    // Below half its capacity.
    bool Underfull() const { return 2 * Weight() < kPageDataSize; }
    // Whether this page followed by all entries of `right` fits in one page.
    bool FitsWith(const TPage& right) const;

private:
    friend class TPageCache;
    friend class TIndexFile;

    // Offsets of the fields after the key within an entry in memory.
    static constexpr size_t kValueAt = 0;
    static constexpr size_t kCountAt = 4;
    static constexpr size_t kLeadingAt = 8;
    static constexpr size_t kTrailingAt = 10;
    static constexpr size_t kEntryExtra = 12;

    template <typename T>
    T Field(int position, size_t at) const {
        const uint8_t* entry = packed_ ? PackedEntry(position) : Entry(position);
        T value;
        std::memcpy(&value, entry + geometry_.KeyLength + at, sizeof value);
        return value;
    }

    // Search with `compare(entry key)`: below 0, 0 or above 0 as the entry sorts before, equal to or after
    // the key searched for.
    template <typename Compare>
    TPageSearch SearchBy(Compare compare, TSearchRule rule) const;

    // Fixed-width disk entries into their places in memory. `FixedKey`, when not 0, is the key length known
    // at compile time, so that the most common keys copy without a call: an integer field alone (5 bytes, as
    // the deleted-record index's key), with the record identifier of a non-unique index (9).
    template <size_t FixedKey>
    static void CopyFixedEntries(const uint8_t* in, size_t diskSize, int count, size_t keyLength, bool leaf,
                                 uint8_t* out, size_t stride);

    uint8_t* Entry(int position) { return entries_.Data() + static_cast<size_t>(position - 1) * stride_; }
    const uint8_t* Entry(int position) const {
        return entries_.Data() + static_cast<size_t>(position - 1) * stride_;
    }
    bool IsCompressedLeaf() const { return IsLeaf() && geometry_.Compression != TCompression::None; }
    // The entry at `position` of a packed page, expanded on first use into the next slot.
    const uint8_t* PackedEntry(int position) const {
        if (fixedStride_ != 0) {
            return packedBytes_.Data() + static_cast<size_t>(position - 1) * fixedStride_;
        }
        const uint16_t slot = expandedSlot_[static_cast<size_t>(position - 1)];
        return slot != kNotExpanded ? SlotEntry(slot) : ExpandEntry(position);
    }
    uint32_t PackedValue(int position) const;
    uint8_t* SlotEntry(size_t slot) const { return expansion_.Data() + slot * stride_; }
    const uint8_t* ExpandEntry(int position) const;
    // A packed page of fixed-width entries into the page-wide buffer.
    void UnpackFixedEntries() const;
    // Packed entry `position` in full at `key`, its shared bytes from `previous` (the key before it) or,
    // when that is nullptr, from the entries before it.
    void ExpandInto(int position, uint8_t* key, const uint8_t* previous) const;
    // Key bytes [0, length) of packed entry `position`: from the nearest expanded entry before it, or from
    // the entries before it that store them.
    void ExpandSharedBytes(int position, size_t length, uint8_t* key) const;
    // An empty page: no entries, nothing packed.
    void ClearEntries();
    // What one entry of an uncompressed page counts against the page's capacity.
    size_t CapacityUnit() const { return geometry_.KeyLength + (IsLeaf() ? 6u : 10u); }
    size_t EntrySize(int position) const { return LeafEntrySize(geometry_, Form(position)); }
    // Recomputes the disk form of the entry at `position` from its predecessor (nothing when out of range).
    void Reform(int position);
    void WriteEntry(int position, const uint8_t* key, uint32_t value, uint32_t subtreeCount);
    // The fields after an entry's key.
    static void WriteExtra(uint8_t* extra, uint32_t value, uint32_t subtreeCount, TEntryForm form);
    void Reserve(int count);

    int slot_ = 0;
    TPageGeometry geometry_;
    uint32_t offset_ = 0;
    TPageType type_ = TPageType::RootNode;
    int count_ = 0;
    uint32_t prev_ = 0;
    uint32_t next_ = 0;
    size_t leafBytes_ = 0;
    // Bytes per entry in memory: key, value, subtree count, leading and trailing count.
    size_t stride_ = 12;
    // Filled by const readers too when a packed page is unpacked.
    mutable TEngineBuffer entries_;

    // A packed leaf: its disk entries, where each starts and its form, and which entries stand expanded in
    // which slot of the expansion buffer. Slots are reused in turn, the oldest expansion forgotten, so a
    // page takes little memory however many of its entries are read (the buffer holds 15 of the widest
    // keys, 36 of the City index's).
    static constexpr uint16_t kNotExpanded = UINT16_MAX;
    static constexpr size_t kExpansionBytes = 8192;
    mutable bool packed_ = false;
    TEngineBuffer packedBytes_{kPageDataSize};
    // The disk size of each entry of a packed page of fixed-width entries; 0 for a compressed leaf.
    size_t fixedStride_ = 0;
    // A packed node's CountBefore for each position, once asked.
    mutable std::vector<int64_t> countsBefore_;
    std::vector<TLeafEntryPlace> packedEntries_;
    mutable TEngineBuffer expansion_{kExpansionBytes};
    // The slot of each entry, and the entry (1-based, 0 for none) in each slot.
    mutable std::vector<uint16_t> expandedSlot_;
    mutable std::vector<uint16_t> slotEntry_;
    mutable size_t nextSlot_ = 0;

    // Cache state, kept by the index file and its caches.
    bool dirty_ = false;
    bool free_ = false;
    int pins_ = 0;
    TPage* newer_ = nullptr;
    TPage* older_ = nullptr;
    // When the index file last handed the page out: recency across the caches of all its indexes.
    uint64_t lastUse_ = 0;
};

}  // namespace kartei
