#include "engine/index/IndexCheck.h"

#include <cstring>
#include <memory>
#include <optional>

#include "engine/index/IndexKeyLayout.h"
#include "engine/keys/KeyCompare.h"
#include "kartei/Errors.h"

namespace kartei {
namespace {

constexpr int kNoOwner = -1;

// One page of a level as the walk met it, for the check of the level's links.
struct TLevelPage {
    uint32_t Offset;
    uint32_t Prev;
    uint32_t Next;
};

class TIndexChecker {
public:
    explicit TIndexChecker(TIndexFile& file)
        : file_(file), endOffset_(file.Header().EndOffset), owners_(PageSlotCount(endOffset_), kNoOwner) {}

    std::vector<std::string> Run(std::span<const TFieldDescriptor> fields, const TKeyLocale& locale);

private:
    void Report(const std::string& text) { findings_.push_back(IndexLabel() + text); }
    std::string IndexLabel() const;
    static std::string PageLabel(uint32_t offset) { return "page " + std::to_string(offset) + ": "; }

    // Marks a page as the current index's; false (with a finding) when it is no page of the file or was
    // claimed before.
    bool Claim(uint32_t offset);
    // A copy of the page, or nullptr with a finding when it cannot be read.
    const TPage* Load(uint32_t offset, int depth);

    void CheckTree(const TKeyLayout& layout);
    // Checks the subtree at `offset`; returns its number of leaf entries, or nullopt when it is broken.
    std::optional<int64_t> CheckSubtree(uint32_t offset, int depth, const uint8_t* expectedFirst);
    void CheckPageEntries(const TPage& page, int depth, const uint8_t* expectedFirst);
    void CheckLevels();
    void CheckFreeChain();
    void CheckOwnership();

    TIndexFile& file_;
    const uint32_t endOffset_;
    std::vector<int> owners_;
    std::vector<std::string> findings_;
    int slot_ = 0;
    const TKeyLayout* layout_ = nullptr;
    bool aborted_ = false;
    // Per depth: a scratch copy of the page being checked there, and the pages met on that level.
    std::vector<std::unique_ptr<TPage>> scratch_;
    std::vector<std::vector<TLevelPage>> levels_;
    int leafDepth_ = -1;
    std::vector<uint8_t> lastLeafKey_;
};

std::string TIndexChecker::IndexLabel() const {
    const std::string& name = file_.Header().Slots[slot_].Name;
    return "index '" + (slot_ == kPrimaryIndexSlot ? std::string("primary") : name) + "' (slot " +
           std::to_string(slot_) + "): ";
}

bool TIndexChecker::Claim(uint32_t offset) {
    if (offset < kIndexHeaderSize || offset % kIndexPageSize != 0 || offset >= endOffset_) {
        Report(PageLabel(offset) + "not a page of the file (end offset " + std::to_string(endOffset_) + ")");
        return false;
    }
    int& owner = owners_[(offset - kIndexHeaderSize) / kIndexPageSize];
    if (owner == slot_) {
        Report(PageLabel(offset) + "reached twice (a cycle or a shared page)");
        return false;
    }
    if (owner != kNoOwner) {
        Report(PageLabel(offset) + "also belongs to the index in slot " + std::to_string(owner));
        return false;
    }
    owner = slot_;
    return true;
}

const TPage* TIndexChecker::Load(uint32_t offset, int depth) {
    while (scratch_.size() <= static_cast<size_t>(depth)) {
        scratch_.push_back(std::make_unique<TPage>());
    }
    try {
        const TPageRef page = file_.ReadPage(slot_, offset);
        if (!page) {
            findings_.push_back("the file was changed by another user during the check");
            aborted_ = true;
            return nullptr;
        }
        scratch_[static_cast<size_t>(depth)]->CopyFrom(*page);
    } catch (const EKarteiEngineError& error) {
        Report(PageLabel(offset) + "cannot be read: " + error.what());
        return nullptr;
    }
    return scratch_[static_cast<size_t>(depth)].get();
}

void TIndexChecker::CheckPageEntries(const TPage& page, int depth, const uint8_t* expectedFirst) {
    const std::string label = PageLabel(page.Offset());
    const bool root = depth == 0;
    if (page.IsRoot() != root) {
        Report(label + (root ? "the root has a non-root page type" : "a root page type below the root"));
    }
    const uint16_t keyLength = layout_->KeyLength;
    for (int k = 2; k <= page.Count(); ++k) {
        if (CompareKeys(*layout_, page.Key(k - 1), page.Key(k), keyLength) >= 0) {
            Report(label + "entry " + std::to_string(k) + " does not sort after the entry before it");
            break;
        }
    }
    if (expectedFirst != nullptr && std::memcmp(expectedFirst, page.Key(1), keyLength) != 0) {
        Report(label + "its first key differs from the key of its entry in the parent");
    }
    if (page.IsLeaf()) {
        if (!lastLeafKey_.empty() &&
            CompareKeys(*layout_, lastLeafKey_.data(), page.Key(1), keyLength) >= 0) {
            Report(label + "its first key does not sort after the last key of the leaf before it");
        }
        lastLeafKey_.assign(page.Key(page.Count()), page.Key(page.Count()) + keyLength);
        if (leafDepth_ < 0) {
            leafDepth_ = depth;
        } else if (leafDepth_ != depth) {
            Report(label + "a leaf at depth " + std::to_string(depth) + ", others at depth " +
                   std::to_string(leafDepth_));
        }
    }
}

std::optional<int64_t> TIndexChecker::CheckSubtree(uint32_t offset, int depth, const uint8_t* expectedFirst) {
    if (depth > kMaxTreeDepth) {
        Report(PageLabel(offset) + "deeper than " + std::to_string(kMaxTreeDepth) + " levels");
        return std::nullopt;
    }
    if (!Claim(offset)) {
        return std::nullopt;
    }
    const TPage* page = Load(offset, depth);
    if (page == nullptr) {
        return std::nullopt;
    }
    if (levels_.size() <= static_cast<size_t>(depth)) {
        levels_.resize(static_cast<size_t>(depth) + 1);
    }
    levels_[static_cast<size_t>(depth)].push_back(TLevelPage{offset, page->PrevPage(), page->NextPage()});
    if (page->Count() == 0) {
        Report(PageLabel(offset) + "has no entries");
        return std::nullopt;
    }
    CheckPageEntries(*page, depth, expectedFirst);
    if (page->IsLeaf()) {
        return page->Count();
    }
    int64_t total = 0;
    // The scratch copy of this depth is reused below; the entries are taken one at a time before that.
    const int count = page->Count();
    std::vector<uint8_t> key(layout_->KeyLength);
    for (int k = 1; k <= count && !aborted_; ++k) {
        const TPage& node = *scratch_[static_cast<size_t>(depth)];
        const uint32_t child = node.Value(k);
        const uint32_t stated = node.SubtreeCount(k);
        std::memcpy(key.data(), node.Key(k), key.size());
        const std::optional<int64_t> below = CheckSubtree(child, depth + 1, key.data());
        if (below && *below != stated) {
            Report(PageLabel(offset) + "entry " + std::to_string(k) + " counts " + std::to_string(stated) +
                   " records, its subtree holds " + std::to_string(*below));
        }
        total += below ? *below : stated;
    }
    return total;
}

void TIndexChecker::CheckLevels() {
    for (size_t depth = 0; depth < levels_.size(); ++depth) {
        const std::vector<TLevelPage>& level = levels_[depth];
        for (size_t k = 0; k < level.size(); ++k) {
            const uint32_t prev = k > 0 ? level[k - 1].Offset : 0;
            const uint32_t next = k + 1 < level.size() ? level[k + 1].Offset : 0;
            if (level[k].Prev != prev || level[k].Next != next) {
                Report(PageLabel(level[k].Offset) + "links to " + std::to_string(level[k].Prev) + " and " +
                       std::to_string(level[k].Next) + ", its neighbours on level " + std::to_string(depth) +
                       " are " + std::to_string(prev) + " and " + std::to_string(next));
            }
        }
    }
}

void TIndexChecker::CheckTree(const TKeyLayout& layout) {
    layout_ = &layout;
    levels_.clear();
    leafDepth_ = -1;
    lastLeafKey_.clear();
    const uint32_t root = file_.Root(slot_);
    int64_t entries = 0;
    if (root != 0) {
        const std::optional<int64_t> counted = CheckSubtree(root, 0, nullptr);
        if (!counted || aborted_) {
            return;
        }
        entries = *counted;
        CheckLevels();
    }
    if (slot_ != kDeletedIndexSlot && entries != file_.RecordCount()) {
        Report("holds " + std::to_string(entries) + " entries, the header counts " +
               std::to_string(file_.RecordCount()) + " records");
    }
}

void TIndexChecker::CheckFreeChain() {
    for (uint32_t offset = file_.Header().Slots[slot_].FreePageHead; offset != 0 && !aborted_;) {
        if (!Claim(offset)) {
            return;
        }
        const TPage* page = Load(offset, 0);
        if (page == nullptr) {
            return;
        }
        if (page->Count() != 0) {
            Report(PageLabel(offset) + "in the free chain but has entries");
        }
        offset = page->NextPage();
    }
}

void TIndexChecker::CheckOwnership() {
    size_t unowned = 0;
    uint32_t first = 0;
    for (size_t k = 0; k < owners_.size(); ++k) {
        if (owners_[k] == kNoOwner) {
            if (unowned++ == 0) {
                first = static_cast<uint32_t>(kIndexHeaderSize + k * kIndexPageSize);
            }
        }
    }
    if (unowned > 0) {
        findings_.push_back(std::to_string(unowned) + " page(s) belong to no index, the first at offset " +
                            std::to_string(first));
    }
}

std::vector<std::string> TIndexChecker::Run(std::span<const TFieldDescriptor> fields,
                                            const TKeyLocale& locale) {
    const TIndexHeader& header = file_.Header();
    std::vector<int> slots;
    const int count = header.SecondaryCount <= kMaxSecondaryIndexes ? header.SecondaryCount : 0;
    for (int slot = 0; slot <= count; ++slot) {
        slots.push_back(slot);
    }
    slots.push_back(kDeletedIndexSlot);
    for (const int slot : slots) {
        slot_ = slot;
        if (aborted_) {
            break;
        }
        if (slot == kPrimaryIndexSlot && (file_.NoPrimaryKey() || header.Slots[slot].FieldCount == 0)) {
            if (header.Slots[slot].RootPage != 0) {
                Report("record-number order, yet it has a root page");
            }
        } else {
            try {
                const TKeyLayout layout =
                    MakeKeyLayout(header.Slots[slot], slot, fields, locale, file_.ErrorName());
                file_.Geometry(slot);
                CheckTree(layout);
            } catch (const EKarteiEngineError& error) {
                Report(std::string("its descriptor is unusable: ") + error.what());
            }
        }
        CheckFreeChain();
    }
    for (int slot = count + 1; slot < kDeletedIndexSlot && !aborted_; ++slot) {
        slot_ = slot;
        if (header.Slots[slot].RootPage != 0 || header.Slots[slot].FreePageHead != 0) {
            Report("an unused slot with pages");
        }
    }
    if (!aborted_) {
        CheckOwnership();
    }
    return findings_;
}

}  // namespace

std::vector<std::string> CheckIndexFile(TIndexFile& file, std::span<const TFieldDescriptor> fields,
                                        const TKeyLocale& locale) {
    return TIndexChecker(file).Run(fields, locale);
}

}  // namespace kartei
