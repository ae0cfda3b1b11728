// One page in memory: the settling rules of the binary search, capacities, and what a cursor's private copy
// offers.
#include <gtest/gtest.h>

#include "IndexTestSupport.h"
#include "engine/index/Page.h"

namespace kartei::test {
namespace {

const TPageGeometry kIntGeometry{5, TCompression::None, true};

TBytes Text6(const char* text) {
    return TBytes(text, text + 6);
}

// A page of integer keys 10, 20, 30 with record numbers 1, 2, 3.
void Fill(TPage& page, TPageType type, const std::vector<int32_t>& values, bool descending = false) {
    page.Reset(1, kIntGeometry, 8192);
    page.SetType(type);
    for (size_t k = 0; k < values.size(); ++k) {
        const size_t at = descending ? values.size() - 1 - k : k;
        page.AppendEntry(IntKey(values[at]).data(), static_cast<uint32_t>(at + 1),
                         static_cast<uint32_t>(10 * (at + 1)));
    }
}

TPageSearch Search(const TPage& page, int32_t value, TSearchRule rule, bool descending = false) {
    const TKeyLayout layout = IntLayout(descending);
    return page.Search(layout, TPreparedKey(layout, IntKey(value).data()), rule);
}

TEST(PageTest, LeafSearchSettlesOnTheFirstEntryNotBelowTheKey) {
    TPage leaf;
    Fill(leaf, TPageType::Leaf, {10, 20, 30});
    EXPECT_EQ(Search(leaf, 5, TSearchRule::Nearest).Position, 1);
    EXPECT_EQ(Search(leaf, 15, TSearchRule::Nearest).Position, 2);
    const TPageSearch equal = Search(leaf, 20, TSearchRule::Nearest);
    EXPECT_EQ(equal.Position, 2);
    EXPECT_TRUE(equal.Found);
    // Above every entry: the last one; the caller moves on through the next link.
    const TPageSearch above = Search(leaf, 35, TSearchRule::Nearest);
    EXPECT_EQ(above.Position, 3);
    EXPECT_FALSE(above.Found);
}

TEST(PageTest, UpperEndSearchSettlesOnTheLastEntryNotAboveTheKey) {
    TPage leaf;
    Fill(leaf, TPageType::Leaf, {10, 20, 30});
    EXPECT_EQ(Search(leaf, 5, TSearchRule::UpperEnd).Position, 1);  // all above: the first
    EXPECT_EQ(Search(leaf, 15, TSearchRule::UpperEnd).Position, 1);
    EXPECT_EQ(Search(leaf, 30, TSearchRule::UpperEnd).Position, 3);
    EXPECT_EQ(Search(leaf, 99, TSearchRule::UpperEnd).Position, 3);
}

TEST(PageTest, PlacingSearchFindsTheLastEntryBelowTheKey) {
    TPage leaf;
    Fill(leaf, TPageType::Leaf, {10, 20, 30});
    EXPECT_EQ(Search(leaf, 5, TSearchRule::Place).Position, 0);  // before the first entry
    EXPECT_EQ(Search(leaf, 25, TSearchRule::Place).Position, 2);
    EXPECT_EQ(Search(leaf, 31, TSearchRule::Place).Position, 3);
    EXPECT_TRUE(Search(leaf, 10, TSearchRule::Place).Found);
}

TEST(PageTest, NodeSearchTakesTheChildWhoseRangeHoldsTheKey) {
    TPage node;
    Fill(node, TPageType::Node, {10, 20, 30});
    for (const TSearchRule rule : {TSearchRule::Nearest, TSearchRule::UpperEnd, TSearchRule::Place}) {
        EXPECT_EQ(Search(node, 5, rule).Position, 1);  // below all: the first child
        EXPECT_EQ(Search(node, 15, rule).Position, 1);
        EXPECT_EQ(Search(node, 20, rule).Position, 2);
        EXPECT_EQ(Search(node, 29, rule).Position, 2);
        EXPECT_EQ(Search(node, 50, rule).Position, 3);
    }
    EXPECT_EQ(node.CountBefore(3), 30);
    EXPECT_EQ(node.TotalCount(), 60);
}

TEST(PageTest, DescendingIndexesSearchInTheirOwnOrder) {
    TPage leaf;
    Fill(leaf, TPageType::Leaf, {10, 20, 30}, true);  // stored 30, 20, 10
    EXPECT_EQ(Search(leaf, 25, TSearchRule::Nearest, true).Position, 2);
    EXPECT_EQ(Search(leaf, 35, TSearchRule::Nearest, true).Position, 1);
    EXPECT_EQ(Search(leaf, 5, TSearchRule::Nearest, true).Position, 3);
    EXPECT_EQ(Search(leaf, 25, TSearchRule::Place, true).Position, 1);
}

TEST(PageTest, CapacitiesFollowTheKeyLength) {
    EXPECT_EQ(NodeCapacity(5), 4083 / 15);
    EXPECT_EQ(LeafCapacity(5), 4083 / 11);
    EXPECT_EQ(NodeCapacity(524), 7);
    EXPECT_EQ(LeafCapacity(524), 7);
    TPage leaf;
    std::vector<int32_t> values(static_cast<size_t>(LeafCapacity(5)));
    for (size_t k = 0; k < values.size(); ++k) {
        values[k] = static_cast<int32_t>(k);
    }
    Fill(leaf, TPageType::Leaf, values);
    EXPECT_FALSE(leaf.Overfull());
    EXPECT_TRUE(leaf.OverfullWith(leaf.Count() + 1, IntKey(1000).data()));
    leaf.AppendEntry(IntKey(1000).data(), 0, 1);
    EXPECT_TRUE(leaf.Overfull());
    // Half the capacity: 185 entries of 11 bytes weigh 2035, below half of 4083.
    TPage half;
    Fill(half, TPageType::Leaf, std::vector<int32_t>(values.begin(), values.begin() + 186));
    EXPECT_FALSE(half.Underfull());
    half.RemoveEntry(1);
    EXPECT_TRUE(half.Underfull());
}

TEST(PageTest, ACompressedLeafHoldsWhateverFitsIn4083Bytes) {
    // Keys sharing all but their last byte take 2 + 1 + 4 bytes each after the first (2 + 200 + 4): 554
    // of them fit, where an uncompressed leaf holds 19. Only the byte accounting counts here, not the order.
    const TPageGeometry geometry{200, TCompression::Leading, true};
    TPage leaf;
    leaf.Reset(1, geometry, 8192);
    leaf.SetType(TPageType::Leaf);
    TBytes key(200, 'k');
    key[199] = 0;
    while (!leaf.OverfullWith(leaf.Count() + 1, key.data())) {
        leaf.AppendEntry(key.data(), 0, 1);
        ++key[199];
    }
    EXPECT_EQ(leaf.Count(), 1 + (4083 - 206) / 7);
    EXPECT_EQ(leaf.UsedBytes(), 206u + 7u * static_cast<size_t>(leaf.Count() - 1));
    EXPECT_EQ(LeafCapacity(200), 19);
    EXPECT_FALSE(leaf.Overfull());
}

TEST(PageTest, ACopyKeepsEntriesAndLinks) {
    TPage leaf;
    Fill(leaf, TPageType::Leaf, {10, 20, 30});
    leaf.SetPrevPage(4096);
    leaf.SetNextPage(12288);
    TPage copy;
    copy.CopyFrom(leaf);
    leaf.RemoveEntry(1);
    EXPECT_EQ(copy.Count(), 3);
    EXPECT_EQ(copy.Offset(), 8192u);
    EXPECT_EQ(copy.PrevPage(), 4096u);
    EXPECT_EQ(copy.NextPage(), 12288u);
    EXPECT_EQ(copy.Value(3), 3u);
    EXPECT_EQ(TBytes(copy.Key(1), copy.Key(1) + 5), IntKey(10));
}

TEST(PageTest, MovingEntriesKeepsTheDiskFormsOfBothPages) {
    const TPageGeometry geometry{6, TCompression::Leading, true};
    TPage left;
    TPage right;
    left.Reset(1, geometry, 8192);
    right.Reset(1, geometry, 12288);
    left.SetType(TPageType::Leaf);
    right.SetType(TPageType::Leaf);
    const std::vector<TBytes> keys = {Text6("aaaaa1"), Text6("aaaaa2"), Text6("aaaab1"), Text6("aaaab2")};
    for (const TBytes& key : keys) {
        left.AppendEntry(key.data(), 0, 1);
    }
    EXPECT_EQ(left.Form(3).Leading, 4);
    left.MoveEntries(3, 2, right, 1);
    // The first entry of a page shares nothing; the one after keeps its share.
    EXPECT_EQ(right.Form(1).Leading, 0);
    EXPECT_EQ(right.Form(2).Leading, 5);
    EXPECT_EQ(left.UsedBytes(), (2u + 6 + 4) + (2u + 1 + 4));
    EXPECT_EQ(right.UsedBytes(), (2u + 6 + 4) + (2u + 1 + 4));
    EXPECT_TRUE(left.FitsWith(right));
    right.MoveEntries(1, 2, left, 3);
    EXPECT_EQ(left.Form(3).Leading, 4);
    EXPECT_EQ(left.UsedBytes(), 12u + 7 + 8 + 7);
    EXPECT_EQ(right.Count(), 0);
}

}  // namespace
}  // namespace kartei::test
