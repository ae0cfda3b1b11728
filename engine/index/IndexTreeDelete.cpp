// Deletion: the entry leaves its leaf, counts and first keys on the path follow, pages below half their
// capacity borrow from or merge with a neighbour under the same parent, and a root left with one child
// gives way to it. A compressed leaf that the removal left beyond its capacity splits instead.
#include "engine/index/IndexTree.h"

#include <cstring>

#include "base/ScopeGuard.h"

namespace kartei {
namespace {

size_t Difference(size_t a, size_t b) {
    return a > b ? a - b : b - a;
}

}  // namespace

bool TIndexTree::Delete(const uint8_t* key) {
    const TPreparedKey prepared(layout_, key);
    TTarget target;
    target.Kind = TTarget::TKind::Key;
    target.Key = &prepared;
    target.Rule = TSearchRule::Nearest;
    for (;;) {
        if (file_.Root(slot_) == 0) {
            return false;
        }
        TLeafHit hit;
        if (!Descend(target, hit)) {
            continue;
        }
        if (!hit.Found) {
            return false;
        }
        TPage& leaf = *hit.Leaf;
        const uint32_t recordNumber = leaf.Value(hit.Position);
        leaf.RemoveEntry(hit.Position);
        std::vector<TPageRef> spare;
        if (leaf.Overfull()) {
            spare = UndoOnError([&] { return TakePages(PagesForSplit(leaf)); },
                                [&] { leaf.InsertEntry(hit.Position, key, recordNumber, 1); });
        }
        file_.MarkDirty(leaf);
        bool first = hit.Position == 1 && leaf.Count() > 0;
        for (size_t level = pathDepth_; level-- > 0;) {
            const TStep& step = path_[level];
            TPageRef node = Reread(step.Page);
            node->SetSubtreeCount(step.Position, node->SubtreeCount(step.Position) - 1);
            if (first) {
                node->SetKey(step.Position, leaf.Key(1));
            }
            first = first && step.Position == 1;
            file_.MarkDirty(*node);
        }
        if (spare.empty()) {
            Rebalance(std::move(hit.Leaf), static_cast<int>(pathDepth_));
        } else {
            SplitUpward(std::move(hit.Leaf), spare);
            FreePages(spare);
        }
        return true;
    }
}

void TIndexTree::Rebalance(TPageRef page, int level) {
    for (;;) {
        if (level == 0) {
            CollapseRoot(std::move(page));
            return;
        }
        if (!page->Underfull()) {
            return;
        }
        const TStep& step = path_[static_cast<size_t>(level - 1)];
        TPageRef parent = Reread(step.Page);
        if (parent->Count() < 2) {
            // No neighbour under this parent: an empty page leaves it, and the parent is looked at next.
            if (page->Count() == 0) {
                Unlink(*page);
                file_.FreePage(*page);
                parent->RemoveEntry(step.Position);
                file_.MarkDirty(*parent);
            }
            page = std::move(parent);
            --level;
            continue;
        }
        // The pair of neighbours: this page and the one before it, or the one after it when it is first.
        const int left = step.Position > 1 ? step.Position - 1 : step.Position;
        TPageRef leftPage = left == step.Position ? std::move(page) : Reread(parent->Value(left));
        TPageRef rightPage = left == step.Position ? Reread(parent->Value(left + 1)) : std::move(page);
        if (leftPage->IsLeaf() != rightPage->IsLeaf()) {
            file_.RaiseCorrupt();
        }
        if (leftPage->FitsWith(*rightPage)) {
            rightPage->MoveEntries(1, rightPage->Count(), *leftPage, leftPage->Count() + 1);
            Unlink(*rightPage);
            file_.FreePage(*rightPage);
            file_.MarkDirty(*leftPage);
            parent->SetSubtreeCount(left, parent->SubtreeCount(left) + parent->SubtreeCount(left + 1));
            parent->RemoveEntry(left + 1);
            file_.MarkDirty(*parent);
            // A left page that was empty now begins with the right page's first key.
            if (leftPage->Count() > 0 &&
                std::memcmp(parent->Key(left), leftPage->Key(1), layout_.KeyLength) != 0) {
                SetFirstKeyUpward(level - 1, left, leftPage->Key(1));
            }
            page = std::move(parent);
            --level;
            continue;
        }
        Redistribute(*leftPage, *rightPage);
        file_.MarkDirty(*leftPage);
        file_.MarkDirty(*rightPage);
        parent->SetSubtreeCount(left, static_cast<uint32_t>(leftPage->TotalCount()));
        parent->SetSubtreeCount(left + 1, static_cast<uint32_t>(rightPage->TotalCount()));
        parent->SetKey(left + 1, rightPage->Key(1));
        file_.MarkDirty(*parent);
        if (std::memcmp(parent->Key(left), leftPage->Key(1), layout_.KeyLength) != 0) {
            SetFirstKeyUpward(level - 1, left, leftPage->Key(1));
        }
        return;
    }
}

void TIndexTree::Redistribute(TPage& left, TPage& right) {
    // Entries move one at a time from the heavier page to the lighter one while that narrows the gap; a move
    // that widens it, or leaves either page beyond its capacity (compressed entries change size as they
    // move: the heavier page's new first entry may store more than the one it gave away), is taken back.
    const bool fromLeft = left.Weight() > right.Weight();
    TPage& from = fromLeft ? left : right;
    TPage& to = fromLeft ? right : left;
    while (from.Count() > 1) {
        const size_t gap = Difference(from.Weight(), to.Weight());
        if (fromLeft) {
            from.MoveEntries(from.Count(), 1, to, 1);
        } else {
            from.MoveEntries(1, 1, to, to.Count() + 1);
        }
        if (Difference(from.Weight(), to.Weight()) >= gap || from.Overfull() || to.Overfull()) {
            if (fromLeft) {
                to.MoveEntries(1, 1, from, from.Count() + 1);
            } else {
                to.MoveEntries(to.Count(), 1, from, 1);
            }
            return;
        }
    }
}

void TIndexTree::SetFirstKeyUpward(int level, int position, const uint8_t* key) {
    for (;;) {
        TPageRef node = Reread(path_[static_cast<size_t>(level)].Page);
        node->SetKey(position, key);
        file_.MarkDirty(*node);
        if (position != 1 || level == 0) {
            return;
        }
        position = path_[static_cast<size_t>(level - 1)].Position;
        --level;
    }
}

void TIndexTree::CollapseRoot(TPageRef root) {
    for (;;) {
        if (root->Count() == 0) {
            file_.FreePage(*root);
            file_.SetRoot(slot_, 0);
            return;
        }
        if (root->IsLeaf() || root->Count() > 1) {
            return;
        }
        TPageRef child = Reread(root->Value(1));
        child->SetType(child->IsLeaf() ? TPageType::RootLeaf : TPageType::RootNode);
        file_.MarkDirty(*child);
        file_.SetRoot(slot_, child->Offset());
        file_.FreePage(*root);
        root = std::move(child);
    }
}

}  // namespace kartei
