#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/index/IndexFile.h"
#include "engine/index/Page.h"
#include "engine/index/PageRef.h"
#include "engine/keys/KeyLayout.h"

namespace kartei {

// Where a descent ended: a pinned leaf and an entry of it, with the entry's ordinal in the whole index.
struct TLeafHit {
    // Empty when the index has no entries (no page was read).
    TPageRef Leaf;
    // 1-based in the leaf; 0 only for TSearchRule::Place when the key goes before the leaf's first entry.
    int Position = 0;
    // 1-based ordinal of the entry at Position in the whole index (the sum of the subtree counts left of
    // the path plus Position); 0 for an empty index. TSearchRule::Place, which only insertion uses, leaves
    // it 0: an insertion needs no ordinal, and adding up the counts of every node passed costs.
    int64_t Ordinal = 0;
    // Seek: the entry at Position equals the key.
    bool Found = false;
};

// The B+-tree of one index of an index file: descents with ordinals, insertion with splits, deletion with
// borrowing and merging. Operations start again from the root when a page read reports that another user
// changed the file (before anything was changed). Keys are full keys of the layout's key length, compared
// with CompareKeys. Corrupt pages (an empty page, a descent deeper than 64 levels, counts that do not lead
// to an entry) are engine error IndexPagesCorrupt.
class TIndexTree {
public:
    // The layout must be the slot's (MakeKeyLayout); file and layout must outlive the tree.
    TIndexTree(TIndexFile& file, int slot, const TKeyLayout& layout);

    // Descends with a key: in every node the last entry not above the key (the first when all are above);
    // in the leaf as the rule says (TSearchRule). Nearest may end on the last entry of a leaf whose entries
    // are all below the key: the next entry, if any, is the first of the next leaf.
    TLeafHit Seek(const uint8_t* key, TSearchRule rule);
    // The first and the last entry of the index.
    TLeafHit SeekFirst();
    TLeafHit SeekLast();
    // The entry with this 1-based ordinal, found through the subtree counts; empty hit for an ordinal outside
    // 1..EntryCount().
    TLeafHit SeekOrdinal(int64_t ordinal);
    // The number of entries: the sum of the root's counts.
    int64_t EntryCount();

    // Adds an entry directly after the last entry below the key; false (nothing changed) when an entry
    // equal to the key exists. The pages a split needs are taken first: when they cannot be had (TableFull)
    // the entries stay as they were, and pages already taken wait in the free chain.
    bool Insert(const uint8_t* key, uint32_t recordNumber);
    // Insert, descended already: `hit` is what Seek(key, TSearchRule::Place) gave, not Found, and this
    // tree has made no other descent and its index no change since. A caller that looks for an equal key
    // before it changes anything inserts without descending twice.
    void InsertAt(TLeafHit hit, const uint8_t* key, uint32_t recordNumber);
    // Removes the entry equal to the key; false when there is none. In a compressed leaf the successor is
    // stored anew after the removed entry's predecessor and may need more room than the entry freed: the
    // leaf then splits as on insertion, with its pages taken first (TableFull leaves the entry in place).
    bool Delete(const uint8_t* key);

private:
    // One node on the path from the root: its page, the entry taken, and its entry count then.
    struct TStep {
        uint32_t Page;
        int Position;
        int Count;
    };
    // What a descent looks for.
    struct TTarget {
        enum class TKind { Key, First, Last, Ordinal };
        TKind Kind = TKind::First;
        const TPreparedKey* Key = nullptr;
        TSearchRule Rule = TSearchRule::Nearest;
        int64_t Ordinal = 0;
    };

    // The slot's pages hold keys of the layout's length (a header reloaded after another user's change may
    // describe the slot anew); IndexPagesCorrupt otherwise.
    void CheckLayout() const;
    // Descends from the root to a leaf, recording the path; false when a page read asks for a restart.
    bool Descend(const TTarget& target, TLeafHit& hit);
    int ChooseInNode(const TPage& node, const TTarget& target, int64_t before) const;
    // Searches a page for a key target. A Place descent after an insertion at the end of the index looks
    // at each page's last entry first: keys inserted in order find their place with one comparison per
    // page, and only a key that does not go last pays one comparison more than the binary search.
    TPageSearch SearchPage(const TPage& page, const TTarget& target) const;
    TLeafHit Run(const TTarget& target);
    // A page read while the operation holds pages pinned, so that no restart can come.
    TPageRef Reread(uint32_t offset);

    // Insertion (IndexTreeInsert.cpp). The pages splitting an overfull leaf takes on the path descended to
    // it: the sibling, one for every full node above, and a new root when the root splits.
    int PagesForSplit(const TPage& leaf) const;
    std::vector<TPageRef> TakePages(int count);
    // Back into the free chain: pages taken for a split that did not need them all.
    void FreePages(std::vector<TPageRef>& pages);
    void SplitUpward(TPageRef page, std::vector<TPageRef>& spare);
    void SplitInto(TPage& page, TPage& sibling);

    // Deletion (IndexTreeDelete.cpp).
    void Rebalance(TPageRef page, int level);
    void CollapseRoot(TPageRef root);
    void Redistribute(TPage& left, TPage& right);
    // Entry `position` of the node at path level `level` now begins with `key`; so, while it is the first
    // entry, do the entries above it.
    void SetFirstKeyUpward(int level, int position, const uint8_t* key);

    // Links `page` into its level's chain after `after`.
    void LinkAfter(TPage& after, TPage& page);
    // Takes `page` out of its level's chain.
    void Unlink(TPage& page);

    TIndexFile& file_;
    int slot_;
    const TKeyLayout& layout_;
    // The path of the last descent, held in the tree rather than on the heap: every cursor operation makes
    // a tree, and the depth is bounded.
    std::array<TStep, kMaxTreeDepth + 1> path_{};
    size_t pathDepth_ = 0;
    // The last insertion went after every entry of the index.
    bool appending_ = false;
};

}  // namespace kartei
