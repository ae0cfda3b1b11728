// Building an index bottom-up from sorted entries, and the sorting of entries with runs spilled to a file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "IndexTestSupport.h"
#include "engine/format/ExpectKarteiError.h"
#include "engine/heap/HeapCount.h"
#include "engine/index/EntrySorter.h"
#include "engine/index/IndexBuilder.h"
#include "engine/index/IndexCheck.h"
#include "engine/index/IndexTree.h"
#include "engine/keys/KeyBuilder.h"
#include "engine/keys/KeyCompare.h"
#include "kartei/Record.h"

namespace kartei::test {
namespace {

class IndexBuilderTest : public TNumberIndexFixture {
protected:
    void Build(int32_t count) {
        TIndexBuilder builder(file_, slot_);
        for (int32_t value = 1; value <= count; ++value) {
            builder.Add(IntKey(value).data(), static_cast<uint32_t>(value + 1000));
        }
        builder.Finish();
        file_.SetRecordCount(count);
    }
};

TEST_F(IndexBuilderTest, ThreeLevelsOfFullPagesPassTheCheckAndSearchAsInserted) {
    // More entries than one node of full leaves holds: the tree gets three levels.
    const int32_t count = LeafCapacity(5) * NodeCapacity(5) + 1000;
    Build(count);
    file_.Flush();
    EXPECT_THAT(CheckIndexFile(file_, fields_, TKeyLocale()), ::testing::IsEmpty());
    Reopen();
    TIndexTree tree(file_, slot_, layout_);
    EXPECT_EQ(tree.EntryCount(), count);
    const TPageRef root = file_.ReadPage(slot_, file_.Root(slot_));
    EXPECT_EQ(root->Type(), TPageType::RootNode);
    EXPECT_EQ(root->Count(), 2);
    // Every leaf but the last is full.
    int leaves = 0;
    for (uint32_t offset = tree.SeekFirst().Leaf->Offset(); offset != 0;) {
        const TPageRef leaf = file_.ReadPage(slot_, offset);
        offset = leaf->NextPage();
        ++leaves;
        if (offset != 0) {
            EXPECT_EQ(leaf->Count(), LeafCapacity(5));
        }
    }
    EXPECT_EQ(leaves, (count + LeafCapacity(5) - 1) / LeafCapacity(5));
    const TLeafHit hit = tree.SeekOrdinal(12345);
    EXPECT_EQ(hit.Leaf->Value(hit.Position), 12345u + 1000);
    EXPECT_TRUE(tree.Seek(IntKey(count).data(), TSearchRule::Nearest).Found);
    // The tree takes changes as any other.
    EXPECT_TRUE(tree.Insert(IntKey(0).data(), 1000));
    EXPECT_TRUE(tree.Delete(IntKey(count / 2).data()));
    EXPECT_FALSE(tree.Insert(IntKey(7).data(), 1));
    file_.Flush();
    EXPECT_THAT(CheckIndexFile(file_, fields_, TKeyLocale()), ::testing::IsEmpty());
}

TEST_F(IndexBuilderTest, FewEntriesMakeARootLeafAndNoneLeaveTheIndexEmpty) {
    Build(0);
    EXPECT_EQ(file_.Root(slot_), 0u);
    Build(3);
    const TPageRef root = file_.ReadPage(slot_, file_.Root(slot_));
    EXPECT_EQ(root->Type(), TPageType::RootLeaf);
    EXPECT_EQ(root->Count(), 3);
    file_.Flush();
    EXPECT_THAT(CheckIndexFile(file_, fields_, TKeyLocale()), ::testing::IsEmpty());
}

TEST_F(IndexBuilderTest, OnlyAnEmptyIndexIsBuilt) {
    Build(3);
    ExpectKarteiError([&] { TIndexBuilder builder(file_, slot_); }, 8965,
                      "Kartei Engine Error # 8965 Index page buffers corrupt in table 'T'");
}

TEST_F(IndexBuilderTest, CompressedLeavesFillByBytes) {
    const int slot = AddSecondaryIndex(file_, Definition("Text", {{1}}, true, TCompression::Both), fields_);
    const TKeyLayout layout = MakeKeyLayout(file_.Descriptor(slot), slot, fields_, TKeyLocale(), "T");
    std::vector<TBytes> keys;
    const size_t recordSize = fields_.back().Offset + fields_.back().DataWidth + 1u;
    std::vector<uint8_t> record;
    for (int k = 0; k < 3000; ++k) {
        const std::string text = "Stadt " + std::to_string(100000 + k);
        record.assign(recordSize, 0);
        SetStringField(record, fields_[0], text, 0, 0);
        TBytes key(layout.KeyLength);
        BuildKey(layout, record.data(), key.data());
        keys.push_back(key);
    }
    {
        TIndexBuilder builder(file_, slot);
        for (size_t k = 0; k < keys.size(); ++k) {
            builder.Add(keys[k].data(), static_cast<uint32_t>(k + 1));
        }
        builder.Finish();
        TIndexBuilder numbers(file_, slot_);
        for (size_t k = 0; k < keys.size(); ++k) {
            numbers.Add(IntKey(static_cast<int32_t>(k)).data(), static_cast<uint32_t>(k + 1));
        }
        numbers.Finish();
    }
    file_.SetRecordCount(static_cast<int32_t>(keys.size()));
    file_.Flush();
    EXPECT_THAT(CheckIndexFile(file_, fields_, TKeyLocale()), ::testing::IsEmpty());
    TIndexTree tree(file_, slot, layout);
    const TLeafHit first = tree.SeekFirst();
    // A full compressed leaf has no room for one more entry like its last.
    EXPECT_TRUE(first.Leaf->OverfullWith(first.Leaf->Count() + 1, first.Leaf->Key(first.Leaf->Count())));
    EXPECT_TRUE(tree.Seek(keys[1234].data(), TSearchRule::Nearest).Found);
}

class EntrySorterTest : public ::testing::TestWithParam<size_t> {};

TEST_P(EntrySorterTest, EntriesComeBackByKeyThenRecordNumber) {
    testing::TTempDir dir;
    const std::string spill = dir.File("T.S01");
    const TKeyLayout layout = IntLayout();
    std::vector<std::pair<int32_t, uint32_t>> entries;
    std::mt19937 random(7);
    for (uint32_t number = 1; number <= 5000; ++number) {
        // Many keys twice or more: equal keys come in record order.
        entries.emplace_back(static_cast<int32_t>(random() % 3000) - 1500, number);
    }
    std::shuffle(entries.begin(), entries.end(), random);
    std::vector<std::pair<int32_t, uint32_t>> read;
    {
        TEntrySorter sorter(layout, spill, false, GetParam());
        for (const auto& [value, number] : entries) {
            sorter.Add(IntKey(value).data(), number);
        }
        sorter.Sort();
        EXPECT_EQ(std::filesystem::exists(spill), GetParam() < 100000);
        const uint8_t* key = nullptr;
        uint32_t number = 0;
        while (sorter.Next(key, number)) {
            for (const auto& [value, entry] : entries) {
                if (entry == number) {
                    EXPECT_EQ(TBytes(key, key + 5), IntKey(value));
                    read.emplace_back(value, number);
                    break;
                }
            }
        }
        EXPECT_FALSE(sorter.Next(key, number));
    }
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(read, entries);
    EXPECT_FALSE(std::filesystem::exists(spill));
}

// Keys of two integer fields and a record identifier (14 bytes, more than the two words beside each
// entry hold), in a locale, as a whole ascending or descending, or with the second field descending
// (which its bytes do not order).
TEST_P(EntrySorterTest, EntriesComeBackAsCompareKeysOrdersThem) {
    for (const int variant : {0, 1, 2}) {
        SCOPED_TRACE(variant);
        testing::TTempDir dir;
        TKeyLayout layout = IntLayout(variant == 1);
        layout.Locale.LanguageId = 1033;
        layout.FieldCount = 2;
        layout.Fields[1] = layout.Fields[0];
        layout.Fields[1].Descending = variant == 2;
        layout.KeyLength = 14;
        std::mt19937 random(11);
        // Few byte values, so that words tie often and the bytes after them decide.
        constexpr uint8_t kBytes[] = {0x00, 0x01, 0x80, 0xFF};
        std::vector<std::pair<TBytes, uint32_t>> entries;
        for (uint32_t number = 1; number <= 3000; ++number) {
            TBytes key(14);
            for (uint8_t& byte : key) {
                byte = kBytes[random() % 4];
            }
            entries.emplace_back(key, number);
        }
        std::vector<std::pair<TBytes, uint32_t>> read;
        TEntrySorter sorter(layout, dir.File("T.S01"), false, GetParam());
        for (const auto& [key, number] : entries) {
            sorter.Add(key.data(), number);
        }
        sorter.Sort();
        const uint8_t* key = nullptr;
        uint32_t number = 0;
        while (sorter.Next(key, number)) {
            read.emplace_back(TBytes(key, key + 14), number);
        }
        std::sort(entries.begin(), entries.end(), [&](const auto& a, const auto& b) {
            const int order = CompareKeys(layout, a.first.data(), b.first.data(), 14);
            return order != 0 ? order < 0 : a.second < b.second;
        });
        EXPECT_EQ(read, entries);
    }
}

// In memory alone; in many runs of a few dozen entries; in fewer runs of a few hundred.
INSTANTIATE_TEST_SUITE_P(Budgets, EntrySorterTest, ::testing::Values(1000000, 1300, 13000));

// The budget covers all a sort holds: the entries, their order and the items a sort by words makes beside
// them (three times the entries' bytes for integer keys), not the entries alone.
TEST(EntrySorterMemory, ASortHoldsNoMoreThanItsBudget) {
    if (!testing::HeapCounted()) {
        GTEST_SKIP() << "sanitizer builds keep their own operator new";
    }
    testing::TTempDir dir;
    const TKeyLayout layout = IntLayout();
    constexpr size_t kBudget = size_t{1} << 20;
    std::mt19937 random(5);
    size_t read = 0;
    bool ordered = true;
    testing::StartHeapCount();
    {
        TEntrySorter sorter(layout, dir.File("T.S01"), false, kBudget);
        for (uint32_t number = 1; number <= 200000; ++number) {
            sorter.Add(IntKey(static_cast<int32_t>(random() % 100000)).data(), number);
        }
        sorter.Sort();
        TBytes last;
        const uint8_t* key = nullptr;
        uint32_t number = 0;
        while (sorter.Next(key, number)) {
            TBytes current(key, key + layout.KeyLength);
            ordered = ordered && current >= last;
            last = std::move(current);
            ++read;
        }
    }
    const testing::THeapCount count = testing::StopHeapCount();
    EXPECT_EQ(read, 200000u);
    EXPECT_TRUE(ordered);
    // Beyond the budget only the chunk a run is written through, and the list of runs.
    EXPECT_LE(count.PeakBytes, kBudget + kBudget / 4);
}

}  // namespace
}  // namespace kartei::test
