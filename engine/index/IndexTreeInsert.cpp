// Insertion: the entry goes into its leaf, counts and first keys on the path follow, and pages beyond
// their capacity split upward, the root included. Deletion splits the same way when a compressed leaf grows.
#include "engine/index/IndexTree.h"

#include "base/ScopeGuard.h"

namespace kartei {

bool TIndexTree::Insert(const uint8_t* key, uint32_t recordNumber) {
    TLeafHit hit = Seek(key, TSearchRule::Place);
    if (hit.Found) {
        return false;
    }
    InsertAt(std::move(hit), key, recordNumber);
    return true;
}

void TIndexTree::InsertAt(TLeafHit hit, const uint8_t* key, uint32_t recordNumber) {
    if (!hit.Leaf) {
        TPageRef root = file_.NewPage(slot_);
        root->SetType(TPageType::RootLeaf);
        root->AppendEntry(key, recordNumber, 1);
        file_.SetRoot(slot_, root->Offset());
        appending_ = true;
        return;
    }
    TPage& leaf = *hit.Leaf;
    const int position = hit.Position + 1;
    appending_ = position > leaf.Count() && leaf.NextPage() == 0;
    // Every page a split will need is taken first, so that a full file leaves the index as it was.
    std::vector<TPageRef> spare = TakePages(leaf.OverfullWith(position, key) ? PagesForSplit(leaf) : 0);
    leaf.InsertEntry(position, key, recordNumber, 1);
    file_.MarkDirty(leaf);
    bool first = position == 1;
    for (size_t level = pathDepth_; level-- > 0;) {
        const TStep& step = path_[level];
        TPageRef node = Reread(step.Page);
        node->SetSubtreeCount(step.Position, node->SubtreeCount(step.Position) + 1);
        if (first) {
            node->SetKey(step.Position, key);
        }
        first = first && step.Position == 1;
        file_.MarkDirty(*node);
    }
    SplitUpward(std::move(hit.Leaf), spare);
    FreePages(spare);
}

int TIndexTree::PagesForSplit(const TPage& leaf) const {
    int pages = 1;
    for (size_t level = pathDepth_; level-- > 0;) {
        if (path_[level].Count < NodeCapacity(leaf.Geometry().KeyLength)) {
            return pages;
        }
        ++pages;
    }
    // The root splits too: a new root above it.
    return pages + 1;
}

std::vector<TPageRef> TIndexTree::TakePages(int count) {
    std::vector<TPageRef> pages;
    UndoOnError(
        [&] {
            for (int k = 0; k < count; ++k) {
                pages.push_back(file_.NewPage(slot_));
            }
        },
        [&] { FreePages(pages); });
    return pages;
}

void TIndexTree::FreePages(std::vector<TPageRef>& pages) {
    for (TPageRef& page : pages) {
        if (page) {
            file_.FreePage(*page);
        }
    }
}

void TIndexTree::SplitInto(TPage& page, TPage& sibling) {
    const int moved = page.Count() / 2;
    page.MoveEntries(page.Count() - moved + 1, moved, sibling, 1);
    // Compressed leaves split by bytes: entries move one at a time until both pages fit.
    while (page.Overfull() && page.Count() > 1) {
        page.MoveEntries(page.Count(), 1, sibling, 1);
    }
    while (sibling.Overfull() && sibling.Count() > 1) {
        sibling.MoveEntries(1, 1, page, page.Count() + 1);
    }
    if (page.Overfull() || sibling.Overfull()) {
        file_.RaiseCorrupt();
    }
}

void TIndexTree::SplitUpward(TPageRef page, std::vector<TPageRef>& spare) {
    size_t level = pathDepth_;
    size_t taken = 0;
    const auto take = [&]() -> TPageRef {
        if (taken == spare.size()) {
            file_.RaiseCorrupt();
        }
        return std::move(spare[taken++]);
    };
    while (page->Overfull()) {
        const bool leaf = page->IsLeaf();
        TPageRef sibling = take();
        sibling->SetType(leaf ? TPageType::Leaf : TPageType::Node);
        SplitInto(*page, *sibling);
        LinkAfter(*page, *sibling);
        const uint32_t movedCount = static_cast<uint32_t>(sibling->TotalCount());
        if (level == 0) {
            TPageRef root = take();
            page->SetType(leaf ? TPageType::Leaf : TPageType::Node);
            root->SetType(TPageType::RootNode);
            root->AppendEntry(page->Key(1), page->Offset(), static_cast<uint32_t>(page->TotalCount()));
            root->AppendEntry(sibling->Key(1), sibling->Offset(), movedCount);
            file_.SetRoot(slot_, root->Offset());
            return;
        }
        const TStep& step = path_[--level];
        TPageRef parent = Reread(step.Page);
        parent->SetSubtreeCount(step.Position, parent->SubtreeCount(step.Position) - movedCount);
        parent->InsertEntry(step.Position + 1, sibling->Key(1), sibling->Offset(), movedCount);
        file_.MarkDirty(*parent);
        page = std::move(parent);
    }
}

}  // namespace kartei
