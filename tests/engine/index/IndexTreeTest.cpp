// The B+-tree of one index: descents with ordinals, insertion with splits, deletion with merging, the free
// chain at work, and the edge cases of an empty and a one-record index.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "IndexTestSupport.h"
#include "engine/format/ExpectKarteiError.h"
#include "engine/index/IndexCheck.h"
#include "engine/index/PageCodec.h"

namespace kartei::test {
namespace {

class IndexTreeTest : public TNumberIndexFixture {
protected:
    TIndexTree Tree() { return TIndexTree(file_, slot_, layout_); }

    void InsertAll(const std::vector<int32_t>& values) {
        TIndexTree tree = Tree();
        for (const int32_t value : values) {
            ASSERT_TRUE(tree.Insert(IntKey(value).data(), static_cast<uint32_t>(value + 1000)));
            file_.IncrementRecordCount();
        }
    }

    std::vector<std::string> Check() {
        file_.Flush();
        return CheckIndexFile(file_, fields_, TKeyLocale());
    }

    // The values in leaf-chain order.
    std::vector<int32_t> Walk() {
        std::vector<int32_t> values;
        TIndexTree tree = Tree();
        TLeafHit hit = tree.SeekFirst();
        uint32_t offset = hit.Leaf ? hit.Leaf->Offset() : 0;
        hit.Leaf.Release();
        while (offset != 0) {
            TPageRef page = file_.ReadPage(slot_, offset);
            for (int k = 1; k <= page->Count(); ++k) {
                values.push_back(static_cast<int32_t>(page->Value(k)) - 1000);
            }
            offset = page->NextPage();
        }
        return values;
    }
};

TEST_F(IndexTreeTest, EmptyIndexHasRootZeroAndDescentsReadNoPage) {
    testing::TCountingFileSystem os;
    TScopedOsFileSystem scope(os);
    TIndexTree tree = Tree();
    EXPECT_EQ(file_.Root(slot_), 0u);
    const TLeafHit first = tree.SeekFirst();
    EXPECT_FALSE(first.Leaf);
    EXPECT_EQ(first.Ordinal, 0);
    EXPECT_FALSE(tree.Seek(IntKey(5).data(), TSearchRule::Nearest).Leaf);
    EXPECT_FALSE(tree.SeekOrdinal(1).Leaf);
    EXPECT_EQ(tree.EntryCount(), 0);
    EXPECT_FALSE(tree.Delete(IntKey(5).data()));
    EXPECT_TRUE(os.ReadsAsked.empty());
}

TEST_F(IndexTreeTest, OneRecordMakesARootLeafWithOneEntry) {
    InsertAll({42});
    file_.Flush();
    const uint32_t root = file_.Root(slot_);
    ASSERT_EQ(root, 4096u);
    const std::string bytes = Bytes();
    ASSERT_EQ(bytes.size(), 8192u);
    EXPECT_EQ(bytes[root], 3);  // root that is also a leaf
    EXPECT_EQ(ReadU16(reinterpret_cast<const uint8_t*>(bytes.data() + root + 1)), 1);  // one entry
    EXPECT_EQ(ReadU32(reinterpret_cast<const uint8_t*>(bytes.data() + root + 3)), 0u);
    EXPECT_EQ(ReadU32(reinterpret_cast<const uint8_t*>(bytes.data() + root + 7)), 0u);
    const TBytes key = IntKey(42);
    EXPECT_EQ(bytes.substr(root + 13, 5), std::string(key.begin(), key.end()));
    EXPECT_EQ(ReadU32(reinterpret_cast<const uint8_t*>(bytes.data() + root + 18)), 1042u);
    EXPECT_THAT(Check(), ::testing::IsEmpty());
}

TEST_F(IndexTreeTest, AFullRootLeafSplitsIntoANewRootNodeWithTwoChildren) {
    const int capacity = LeafCapacity(5);  // 4083 div 11 = 371
    ASSERT_EQ(capacity, 371);
    std::vector<int32_t> values(static_cast<size_t>(capacity));
    std::iota(values.begin(), values.end(), 1);
    InsertAll(values);
    {
        const TPageRef root = file_.ReadPage(slot_, file_.Root(slot_));
        EXPECT_EQ(root->Type(), TPageType::RootLeaf);
        EXPECT_EQ(root->Count(), capacity);
    }
    InsertAll({capacity + 1});
    const TPageRef root = file_.ReadPage(slot_, file_.Root(slot_));
    ASSERT_EQ(root->Type(), TPageType::RootNode);
    ASSERT_EQ(root->Count(), 2);
    // 372 entries: the upper half, 186, moved to the new page after the old one.
    EXPECT_EQ(root->SubtreeCount(1), 186u);
    EXPECT_EQ(root->SubtreeCount(2), 186u);
    const TPageRef left = file_.ReadPage(slot_, root->Value(1));
    const TPageRef right = file_.ReadPage(slot_, root->Value(2));
    EXPECT_EQ(left->Type(), TPageType::Leaf);
    EXPECT_EQ(right->Type(), TPageType::Leaf);
    EXPECT_EQ(left->NextPage(), right->Offset());
    EXPECT_EQ(right->PrevPage(), left->Offset());
    EXPECT_EQ(left->PrevPage(), 0u);
    EXPECT_EQ(right->NextPage(), 0u);
    EXPECT_EQ(TBytes(root->Key(2), root->Key(2) + 5), IntKey(187));
    EXPECT_EQ(TBytes(root->Key(1), root->Key(1) + 5), IntKey(1));
}

TEST_F(IndexTreeTest, AFullFileLeavesTheEntriesAsTheyWere) {
    std::vector<int32_t> values(static_cast<size_t>(LeafCapacity(5)));
    std::iota(values.begin(), values.end(), 1);
    InsertAll(values);
    file_.Flush();
    file_.Close();
    // Room for one more page: the split needs two, the sibling and a new root.
    const uint32_t last = 2000000000u / 4096 * 4096;
    Patch(9, U32(last));
    file_.Open(path_, false);
    ExpectKarteiError([&] { Tree().Insert(IntKey(0).data(), 1000); }, 9479,
                      "Kartei Engine Error # 9479 The table 'T' is full and cannot contain any more data");
    EXPECT_EQ(Walk(), values);
    EXPECT_EQ(Tree().EntryCount(), LeafCapacity(5));
    EXPECT_EQ(file_.Descriptor(slot_).FreePageHead, last);
    file_.Close();  // unwritten: no file of 2 GB
}

TEST_F(IndexTreeTest, OrdinalsComeFromTheSubtreeCounts) {
    std::vector<int32_t> values(3000);
    std::iota(values.begin(), values.end(), 0);
    std::shuffle(values.begin(), values.end(), std::mt19937(7));
    for (int32_t& value : values) {
        value *= 2;  // even values only, so that odd ones fall between entries
    }
    InsertAll(values);
    EXPECT_THAT(Check(), ::testing::IsEmpty());
    TIndexTree tree = Tree();
    EXPECT_EQ(tree.EntryCount(), 3000);
    for (const int32_t n : {0, 1, 2, 371, 1500, 2999}) {
        const TLeafHit exact = tree.Seek(IntKey(2 * n).data(), TSearchRule::Nearest);
        ASSERT_TRUE(exact.Found);
        EXPECT_EQ(exact.Ordinal, n + 1);
        const TLeafHit byOrdinal = tree.SeekOrdinal(n + 1);
        ASSERT_TRUE(byOrdinal.Leaf);
        EXPECT_EQ(
            TBytes(byOrdinal.Leaf->Key(byOrdinal.Position), byOrdinal.Leaf->Key(byOrdinal.Position) + 5),
            IntKey(2 * n));
        // Between two entries: Nearest takes the one above, UpperEnd the one below, Place goes after the one
        // below.
        const TLeafHit above = tree.Seek(IntKey(2 * n + 1).data(), TSearchRule::Nearest);
        EXPECT_FALSE(above.Found);
        if (n < 2999) {
            EXPECT_EQ(above.Leaf->Value(above.Position), static_cast<uint32_t>(2 * n + 2 + 1000));
        }
        const TLeafHit below = tree.Seek(IntKey(2 * n + 1).data(), TSearchRule::UpperEnd);
        EXPECT_EQ(below.Leaf->Value(below.Position), static_cast<uint32_t>(2 * n + 1000));
        EXPECT_EQ(below.Ordinal, n + 1);
    }
    const TLeafHit last = tree.SeekLast();
    EXPECT_EQ(last.Ordinal, 3000);
    EXPECT_EQ(last.Leaf->Value(last.Position), 2u * 2999 + 1000);
    EXPECT_FALSE(tree.SeekOrdinal(3001).Leaf);
    EXPECT_FALSE(tree.SeekOrdinal(0).Leaf);
    // Below every key: the first entry; above every key: the last entry of the last leaf.
    EXPECT_EQ(tree.Seek(IntKey(-5).data(), TSearchRule::Nearest).Ordinal, 1);
    const TLeafHit beyond = tree.Seek(IntKey(100000).data(), TSearchRule::Nearest);
    EXPECT_EQ(beyond.Position, beyond.Leaf->Count());
    EXPECT_EQ(beyond.Leaf->NextPage(), 0u);
}

TEST_F(IndexTreeTest, DuplicatesAreRefusedAndMissingKeysAreNotDeleted) {
    InsertAll({1, 2, 3});
    TIndexTree tree = Tree();
    EXPECT_FALSE(tree.Insert(IntKey(2).data(), 99));
    EXPECT_FALSE(tree.Delete(IntKey(4).data()));
    EXPECT_EQ(tree.EntryCount(), 3);
    EXPECT_EQ(Walk(), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(IndexTreeTest, InsertingAtAPlaceFoundBeforeSplitsAsInsertDoes) {
    // Every value descended to once, its place kept and inserted at: leaves and nodes split on the way.
    std::vector<int32_t> values(3000);
    std::iota(values.begin(), values.end(), 0);
    std::shuffle(values.begin(), values.end(), std::mt19937(7));
    TIndexTree tree = Tree();
    for (const int32_t value : values) {
        TLeafHit place = tree.Seek(IntKey(value).data(), TSearchRule::Place);
        ASSERT_FALSE(place.Found);
        EXPECT_EQ(place.Ordinal, 0);
        tree.InsertAt(std::move(place), IntKey(value).data(), static_cast<uint32_t>(value + 1000));
        file_.IncrementRecordCount();
    }
    EXPECT_TRUE(tree.Seek(IntKey(17).data(), TSearchRule::Place).Found);
    EXPECT_EQ(tree.EntryCount(), 3000);
    std::sort(values.begin(), values.end());
    EXPECT_EQ(Walk(), values);
    EXPECT_THAT(Check(), ::testing::IsEmpty());
}

TEST_F(IndexTreeTest, KeysInOrderThenOutOfOrderAllFindTheirPlace) {
    // Ascending keys go last, where an appending tree looks first; the keys in between and a repeated last
    // key must still be found by the search that follows.
    std::vector<int32_t> values;
    for (int32_t value = 0; value < 6000; value += 2) {
        values.push_back(value);
    }
    TIndexTree tree = Tree();
    for (const int32_t value : values) {
        ASSERT_TRUE(tree.Insert(IntKey(value).data(), static_cast<uint32_t>(value + 1000)));
        file_.IncrementRecordCount();
    }
    EXPECT_FALSE(tree.Insert(IntKey(5998).data(), 1));
    EXPECT_FALSE(tree.Insert(IntKey(2000).data(), 1));
    std::vector<int32_t> between;
    for (int32_t value = 5999; value > 0; value -= 6) {
        between.push_back(value);
    }
    InsertAll(between);
    InsertAll({6001, 6003, -1});
    values.insert(values.end(), between.begin(), between.end());
    values.insert(values.end(), {6001, 6003, -1});
    std::sort(values.begin(), values.end());
    EXPECT_EQ(Walk(), values);
    EXPECT_EQ(tree.EntryCount(), static_cast<int64_t>(values.size()));
    EXPECT_THAT(Check(), ::testing::IsEmpty());
}

TEST_F(IndexTreeTest, DeletingEverythingCollapsesTheRootAndFreesThePages) {
    std::vector<int32_t> values(2000);
    std::iota(values.begin(), values.end(), 0);
    InsertAll(values);
    file_.Flush();
    const uint32_t end = file_.Header().EndOffset;
    ASSERT_GT(end, 4096u * 3);
    std::shuffle(values.begin(), values.end(), std::mt19937(11));
    TIndexTree tree = Tree();
    for (size_t k = 0; k < values.size(); ++k) {
        ASSERT_TRUE(tree.Delete(IntKey(values[k]).data()));
        file_.DecrementRecordCount();
        if (k % 250 == 0) {
            EXPECT_THAT(Check(), ::testing::IsEmpty()) << k;
        }
        if (k + 1 == values.size() - 1) {
            // One entry left: a root leaf again.
            const TPageRef root = file_.ReadPage(slot_, file_.Root(slot_));
            EXPECT_EQ(root->Type(), TPageType::RootLeaf);
        }
    }
    EXPECT_EQ(file_.Root(slot_), 0u);
    EXPECT_NE(file_.Descriptor(slot_).FreePageHead, 0u);
    EXPECT_THAT(Check(), ::testing::IsEmpty());
    // The freed pages are used again before the file grows.
    std::sort(values.begin(), values.end());
    InsertAll(values);
    file_.Flush();
    EXPECT_EQ(file_.Header().EndOffset, end);
    EXPECT_THAT(Check(), ::testing::IsEmpty());
    EXPECT_EQ(Walk(), values);
}

// A key of an index over Name (String(24)) and Code (String(6)) in byte order, with the record identifier
// appended when the index is not unique.
TBytes NameCodeKey(const std::string& name, const std::string& code, bool unique, int32_t identifier) {
    TBytes key(34, 0);
    key[0] = name.empty() ? 0 : 1;
    std::copy(name.begin(), name.end(), key.begin() + 1);
    key[26] = code.empty() ? 0 : 1;
    std::copy(code.begin(), code.end(), key.begin() + 27);
    if (!unique) {
        const TBytes suffix = IntKey(identifier);
        key.insert(key.end(), suffix.begin() + 1, suffix.end());
    }
    return key;
}

// With leading and trailing bytes left out, an entry can store a byte or two while its successor stores
// little only because it shares most bytes with it: removing the entry makes the successor store what it
// no longer shares, more than the removal freed. The page must split rather than stay beyond 4083 bytes.
class IndexTreeCompressedDeleteTest : public IndexTreeTest, public ::testing::WithParamInterface<bool> {};

TEST_P(IndexTreeCompressedDeleteTest, ADeleteThatMakesTheSuccessorLongerSplitsTheOverfullLeaf) {
    const bool unique = GetParam();
    const int slot =
        AddSecondaryIndex(file_, Definition("NameCode", {{1}, {5}}, unique, TCompression::Both), fields_);
    const TKeyLayout layout = MakeKeyLayout(file_.Descriptor(slot), slot, fields_, TKeyLocale(), "T");
    TIndexTree tree(file_, slot, layout);
    TIndexTree other = Tree();
    int32_t identifier = 0;
    const auto insert = [&](const std::string& name, const std::string& code) {
        ++identifier;
        ASSERT_TRUE(tree.Insert(NameCodeKey(name, code, unique, identifier).data(),
                                static_cast<uint32_t>(identifier)));
        // The fixture's own index keeps step, so that the header's record count fits both.
        ASSERT_TRUE(other.Insert(IntKey(identifier).data(), static_cast<uint32_t>(identifier)));
        file_.IncrementRecordCount();
    };
    insert("Aa", "");
    insert("Ab", "");   // after ("Aa", null): stores one byte
    insert("Ab", "x");  // after ("Ab", null): stores two bytes; after ("Aa", null) it would store 26
    // Fill the root leaf to within 12 bytes of its 4083.
    for (int filler = 1;; ++filler) {
        const TPageRef root = file_.ReadPage(slot, file_.Root(slot));
        ASSERT_TRUE(root->IsLeaf());
        if (root->Weight() + 12 > kPageDataSize) {
            break;
        }
        const std::string digits = std::to_string(100000 + filler);
        insert("Z" + digits.substr(1), "");
    }
    const int32_t entries = identifier;
    ASSERT_TRUE(tree.Delete(NameCodeKey("Ab", "", unique, 2).data()));
    ASSERT_TRUE(other.Delete(IntKey(2).data()));
    file_.DecrementRecordCount();
    EXPECT_NO_THROW(file_.Flush());
    EXPECT_THAT(CheckIndexFile(file_, fields_, TKeyLocale()), ::testing::IsEmpty());
    EXPECT_EQ(tree.EntryCount(), entries - 1);
    const TPageRef root = file_.ReadPage(slot, file_.Root(slot));
    EXPECT_EQ(root->Type(), TPageType::RootNode);
    EXPECT_TRUE(tree.Seek(NameCodeKey("Ab", "x", unique, 3).data(), TSearchRule::Nearest).Found);
}

INSTANTIATE_TEST_SUITE_P(UniqueAndNot, IndexTreeCompressedDeleteTest, ::testing::Bool());

}  // namespace
}  // namespace kartei::test
