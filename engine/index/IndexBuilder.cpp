#include "engine/index/IndexBuilder.h"

namespace kartei {

TIndexBuilder::TIndexBuilder(TIndexFile& file, int slot) : file_(file), slot_(slot) {
    if (file_.Root(slot_) != 0) {
        file_.RaiseCorrupt();
    }
    // Levels are added while a lower one's page is in hand: the references must stay put.
    open_.reserve(kMaxTreeDepth);
}

void TIndexBuilder::Seal(size_t level) {
    const TPage& page = *open_[level];
    Append(level + 1, page.Key(1), page.Offset(), static_cast<uint32_t>(page.TotalCount()));
}

void TIndexBuilder::Append(size_t level, const uint8_t* key, uint32_t value, uint32_t count) {
    if (level == open_.size()) {
        if (level == kMaxTreeDepth) {
            file_.RaiseCorrupt();
        }
        open_.emplace_back();
    }
    TPageRef& open = open_[level];
    if (open && open->OverfullWith(open->Count() + 1, key)) {
        Seal(level);
        TPageRef next = file_.NewPage(slot_);
        next->SetType(open->Type());
        next->SetPrevPage(open->Offset());
        open->SetNextPage(next->Offset());
        file_.MarkDirty(*open);
        open = std::move(next);
    } else if (!open) {
        open = file_.NewPage(slot_);
        open->SetType(level == 0 ? TPageType::Leaf : TPageType::Node);
    }
    open->AppendEntry(key, value, count);
    file_.MarkDirty(*open);
}

void TIndexBuilder::Finish() {
    if (open_.empty()) {
        return;
    }
    // Every level but the top one has more than one page: its last goes up too.
    for (size_t level = 0; level + 1 < open_.size(); ++level) {
        Seal(level);
    }
    TPage& root = *open_.back();
    root.SetType(open_.size() == 1 ? TPageType::RootLeaf : TPageType::RootNode);
    file_.MarkDirty(root);
    file_.SetRoot(slot_, root.Offset());
    open_.clear();
}

}  // namespace kartei
