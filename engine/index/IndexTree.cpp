#include "engine/index/IndexTree.h"

#include "engine/keys/KeyCompare.h"

namespace kartei {

TIndexTree::TIndexTree(TIndexFile& file, int slot, const TKeyLayout& layout)
    : file_(file), slot_(slot), layout_(layout) {}

int TIndexTree::ChooseInNode(const TPage& node, const TTarget& target, int64_t before) const {
    switch (target.Kind) {
        case TTarget::TKind::Key:
            return SearchPage(node, target).Position;
        case TTarget::TKind::First:
            return 1;
        case TTarget::TKind::Last:
            return node.Count();
        case TTarget::TKind::Ordinal:
            for (int k = 1; k <= node.Count(); ++k) {
                before += node.SubtreeCount(k);
                if (target.Ordinal <= before) {
                    return k;
                }
            }
            break;
    }
    // The counts promise fewer records than the ordinal sought.
    file_.RaiseCorrupt();
}

TPageSearch TIndexTree::SearchPage(const TPage& page, const TTarget& target) const {
    if (appending_ && target.Rule == TSearchRule::Place) {
        const int last = page.Count();
        const int order = CompareKeys(layout_, page.Key(last), *target.Key, layout_.KeyLength);
        if (order <= 0) {
            return TPageSearch{last, order == 0};
        }
    }
    return page.Search(layout_, *target.Key, target.Rule);
}

void TIndexTree::CheckLayout() const {
    if (file_.Geometry(slot_).KeyLength != layout_.KeyLength) {
        file_.RaiseCorrupt();
    }
}

bool TIndexTree::Descend(const TTarget& target, TLeafHit& hit) {
    pathDepth_ = 0;
    hit = TLeafHit();
    CheckLayout();
    uint32_t offset = file_.Root(slot_);
    if (offset == 0) {
        return true;
    }
    int64_t before = 0;
    for (int depth = 0;; ++depth) {
        if (depth > kMaxTreeDepth) {
            file_.RaiseCorrupt();
        }
        TPageRef page = file_.ReadPage(slot_, offset);
        if (!page) {
            return false;
        }
        if (page->Count() == 0) {
            file_.RaiseCorrupt();
        }
        if (page->IsLeaf()) {
            switch (target.Kind) {
                case TTarget::TKind::Key: {
                    const TPageSearch search = SearchPage(*page, target);
                    hit.Position = search.Position;
                    hit.Found = search.Found;
                    break;
                }
                case TTarget::TKind::First:
                    hit.Position = 1;
                    break;
                case TTarget::TKind::Last:
                    hit.Position = page->Count();
                    break;
                case TTarget::TKind::Ordinal:
                    if (target.Ordinal - before > page->Count()) {
                        file_.RaiseCorrupt();
                    }
                    hit.Position = static_cast<int>(target.Ordinal - before);
                    break;
            }
            hit.Ordinal = target.Rule != TSearchRule::Place ? before + hit.Position : 0;
            hit.Leaf = std::move(page);
            return true;
        }
        const int position = ChooseInNode(*page, target, before);
        if (target.Rule != TSearchRule::Place) {
            before += page->CountBefore(position);
        }
        path_[pathDepth_++] = TStep{offset, position, page->Count()};
        offset = page->Value(position);
    }
}

TLeafHit TIndexTree::Run(const TTarget& target) {
    TLeafHit hit;
    while (!Descend(target, hit)) {
    }
    return hit;
}

TLeafHit TIndexTree::Seek(const uint8_t* key, TSearchRule rule) {
    // Converted once for every page on the way down.
    const TPreparedKey prepared(layout_, key);
    TTarget target;
    target.Kind = TTarget::TKind::Key;
    target.Key = &prepared;
    target.Rule = rule;
    return Run(target);
}

TLeafHit TIndexTree::SeekFirst() {
    TTarget target;
    target.Kind = TTarget::TKind::First;
    return Run(target);
}

TLeafHit TIndexTree::SeekLast() {
    TTarget target;
    target.Kind = TTarget::TKind::Last;
    return Run(target);
}

TLeafHit TIndexTree::SeekOrdinal(int64_t ordinal) {
    if (ordinal < 1) {
        return TLeafHit();
    }
    TTarget target;
    target.Kind = TTarget::TKind::Ordinal;
    target.Ordinal = ordinal;
    for (;;) {
        const uint32_t root = file_.Root(slot_);
        if (root == 0) {
            return TLeafHit();
        }
        TPageRef page = file_.ReadPage(slot_, root);
        if (!page) {
            continue;
        }
        if (ordinal > page->TotalCount()) {
            return TLeafHit();
        }
        page.Release();
        TLeafHit hit;
        if (Descend(target, hit)) {
            return hit;
        }
    }
}

int64_t TIndexTree::EntryCount() {
    for (;;) {
        const uint32_t root = file_.Root(slot_);
        if (root == 0) {
            return 0;
        }
        if (const TPageRef page = file_.ReadPage(slot_, root)) {
            return page->TotalCount();
        }
    }
}

TPageRef TIndexTree::Reread(uint32_t offset) {
    TPageRef page = file_.ReadPage(slot_, offset);
    if (!page) {
        file_.RaiseCorrupt();
    }
    return page;
}

void TIndexTree::LinkAfter(TPage& after, TPage& page) {
    page.SetPrevPage(after.Offset());
    page.SetNextPage(after.NextPage());
    if (after.NextPage() != 0) {
        TPageRef next = Reread(after.NextPage());
        next->SetPrevPage(page.Offset());
        file_.MarkDirty(*next);
    }
    after.SetNextPage(page.Offset());
    file_.MarkDirty(after);
    file_.MarkDirty(page);
}

void TIndexTree::Unlink(TPage& page) {
    if (page.PrevPage() != 0) {
        TPageRef prev = Reread(page.PrevPage());
        prev->SetNextPage(page.NextPage());
        file_.MarkDirty(*prev);
    }
    if (page.NextPage() != 0) {
        TPageRef next = Reread(page.NextPage());
        next->SetPrevPage(page.PrevPage());
        file_.MarkDirty(*next);
    }
}

}  // namespace kartei
