// Randomised insertion and deletion of records into indexes of every compression mode, unique and
// non-unique, ascending and descending, single- and multi-field, checked after every batch against a model:
// the structural check finds nothing, both directions of the leaf chain list exactly the model's keys, and
// the ordinals from the subtree counts agree with the walk.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "IndexTestSupport.h"
#include "engine/index/IndexCheck.h"
#include "engine/keys/KeyBuilder.h"
#include "engine/keys/KeyCompare.h"
#include "engine/keys/KeyLocale.h"

namespace kartei::test {
namespace {

struct TKeyOrder {
    const TKeyLayout* Layout;
    bool operator()(const TBytes& a, const TBytes& b) const {
        return CompareKeys(*Layout, a.data(), b.data(), Layout->KeyLength) < 0;
    }
};

struct TIndexUnderTest {
    int Slot = 0;
    TKeyLayout Layout;
    // Key and record number of every entry the index must hold.
    std::unique_ptr<std::map<TBytes, uint32_t, TKeyOrder>> Model;
};

struct TStressSettings {
    uint16_t LanguageId = 0;
    uint16_t SortId = 0;
    bool Encrypted = false;
    int Rounds = 0;
    int OperationsPerRound = 0;
    uint32_t Seed = 0;
};

class TStressTable {
public:
    explicit TStressTable(const TStressSettings& settings)
        : settings_(settings),
          fields_(TestFields()),
          recordSize_(ComputeRecordSize(fields_)),
          locale_(KeyLocaleFor(settings.LanguageId, settings.SortId).value()),
          random_(settings.Seed) {
        file_.Context().TableName = "Stress";
        file_.Context().Encrypted = settings.Encrypted;
        file_.Create(dir_.File("Stress.IDX"));
        DefinePrimaryIndex(file_, Definition({}, {{3}}, true), fields_);
        for (int mode = 0; mode < 4; ++mode) {
            const TCompression compression = static_cast<TCompression>(mode);
            const std::string suffix = std::to_string(mode);
            TIndexDefinition name = Definition("Name" + suffix, {{1}}, false, compression, mode == 3);
            name.CaseInsensitive = mode == 1;
            AddSecondaryIndex(file_, name, fields_);
            AddSecondaryIndex(
                file_,
                Definition("CodeNum" + suffix, {{5}, {2, true}, {8}}, true, compression, mode % 2 == 1),
                fields_);
            AddSecondaryIndex(file_, Definition("Long" + suffix, {{6}}, false, compression, mode == 2),
                              fields_);
            AddSecondaryIndex(
                file_, Definition("LongTail" + suffix, {{6}, {7, mode == 0}}, true, compression), fields_);
            // Short tails and codes often null: in mode 3 an entry may store a byte or two between
            // neighbours that store hundreds.
            AddSecondaryIndex(file_, Definition("TailCode" + suffix, {{7}, {5}}, mode % 2 == 0, compression),
                              fields_);
        }
        for (int slot = 0; slot <= file_.SecondaryIndexCount(); ++slot) {
            AddIndexUnderTest(slot);
        }
        AddIndexUnderTest(kDeletedIndexSlot);
    }

    void Run() {
        for (int round = 0; round < settings_.Rounds; ++round) {
            // Grow for the first half, shrink for the second, and end empty.
            const double insertShare = round < settings_.Rounds / 2 ? 0.7 : 0.3;
            // Now and then a round runs inside a transaction: nothing is written and the caches grow.
            file_.Context().InTransaction = round % 4 == 1;
            for (int k = 0; k < settings_.OperationsPerRound; ++k) {
                if (live_.empty() || std::bernoulli_distribution(insertShare)(random_)) {
                    InsertRecord();
                } else {
                    DeleteRecord(RandomLiveId());
                }
            }
            file_.Context().InTransaction = false;
            Verify(round);
            if (::testing::Test::HasFailure()) {
                return;
            }
        }
        while (!live_.empty()) {
            DeleteRecord(live_.begin()->first);
        }
        Verify(settings_.Rounds);
        for (const TIndexUnderTest& index : indexes_) {
            EXPECT_EQ(file_.Root(index.Slot), 0u);
        }
    }

    int64_t KeyOperations() const { return keyOperations_; }

private:
    void AddIndexUnderTest(int slot) {
        TIndexUnderTest index;
        index.Slot = slot;
        index.Layout = MakeKeyLayout(file_.Descriptor(slot), slot, fields_, locale_, "Stress");
        indexes_.push_back(std::move(index));
    }

    std::string RandomText(size_t maxLength, const std::string& alphabet) {
        const size_t length = std::uniform_int_distribution<size_t>(0, maxLength)(random_);
        std::string text;
        for (size_t k = 0; k < length; ++k) {
            text += alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(random_)];
        }
        // Stored strings have no trailing blanks.
        while (!text.empty() && text.back() == ' ') {
            text.pop_back();
        }
        return text;
    }

    void PutText(TBytes& record, const TFieldDescriptor& field, const std::string& text) {
        if (text.empty()) {
            return;  // an empty string is null
        }
        record[field.Offset] = 1;
        std::copy(text.begin(), text.end(), record.begin() + field.Offset + 1);
    }

    TBytes MakeRecord(int32_t id) {
        static const std::string kLetters = "AaBbEeMmZz \xE4\xC4\xF6\xDC\xDF-1";
        static const std::string kBases[] = {std::string(250, 'S'), std::string(200, 'x') + "Mitte", "Berlin",
                                             std::string(240, '\xE4'), ""};
        TBytes record(recordSize_, 0);
        WriteI32(record.data() + 1, id);
        WriteI32(record.data() + 5, id);
        PutText(record, fields_[0], RandomText(24, kLetters));
        record[fields_[1].Offset] = 1;
        WriteI32(record.data() + fields_[1].Offset + 1,
                 std::uniform_int_distribution<int32_t>(-40, 40)(random_));
        PutText(record, fields_[4], std::bernoulli_distribution(0.5)(random_) ? RandomText(3, "AbB") : "");
        const std::string& base =
            kBases[std::uniform_int_distribution<size_t>(0, std::size(kBases) - 1)(random_)];
        PutText(record, fields_[5], (base + RandomText(12, kLetters)).substr(0, 250));
        // Tails: often short ones that repeat, whose keys end in long runs of zero bytes.
        PutText(record, fields_[6],
                std::bernoulli_distribution(0.5)(random_) ? RandomText(3, "Ab") : RandomText(20, kLetters));
        if (std::bernoulli_distribution(0.8)(random_)) {
            record[fields_[7].Offset] = 1;
            WriteF64(record.data() + fields_[7].Offset + 1,
                     std::uniform_int_distribution<int>(-3, 3)(random_) * 0.75);
        }
        return record;
    }

    TBytes KeyOf(const TIndexUnderTest& index, const TBytes& record) const {
        TBytes key(index.Layout.KeyLength);
        BuildKey(index.Layout, record.data(), key.data());
        return key;
    }

    std::map<TBytes, uint32_t, TKeyOrder>& Model(TIndexUnderTest& index) {
        if (!index.Model) {
            index.Model = std::make_unique<std::map<TBytes, uint32_t, TKeyOrder>>(TKeyOrder{&index.Layout});
        }
        return *index.Model;
    }

    void InsertRecord() {
        const int32_t id = ++lastId_;
        const TBytes record = MakeRecord(id);
        for (size_t k = 0; k < indexes_.size(); ++k) {
            TIndexUnderTest& index = indexes_[k];
            const TBytes key = KeyOf(index, record);
            const bool expected = Model(index).emplace(key, static_cast<uint32_t>(id)).second;
            ++keyOperations_;
            const bool inserted = TIndexTree(file_, index.Slot, index.Layout).Insert(key.data(), id);
            ASSERT_EQ(inserted, expected) << "slot " << index.Slot << " record " << id;
            if (!inserted) {
                // A unique index refuses the record: the table takes it out of the indexes before.
                for (size_t undo = 0; undo < k; ++undo) {
                    const TBytes undoKey = KeyOf(indexes_[undo], record);
                    ASSERT_TRUE(
                        TIndexTree(file_, indexes_[undo].Slot, indexes_[undo].Layout).Delete(undoKey.data()));
                    Model(indexes_[undo]).erase(undoKey);
                    ++keyOperations_;
                }
                return;
            }
        }
        live_.emplace(id, record);
        file_.IncrementRecordCount();
    }

    void DeleteRecord(int32_t id) {
        const TBytes record = live_.at(id);
        for (TIndexUnderTest& index : indexes_) {
            const TBytes key = KeyOf(index, record);
            ++keyOperations_;
            ASSERT_TRUE(TIndexTree(file_, index.Slot, index.Layout).Delete(key.data()))
                << "slot " << index.Slot << " record " << id;
            EXPECT_FALSE(TIndexTree(file_, index.Slot, index.Layout).Delete(key.data()));
            Model(index).erase(key);
        }
        live_.erase(id);
        file_.DecrementRecordCount();
    }

    int32_t RandomLiveId() {
        // Ids are dense enough that a random probe soon hits a live one.
        for (;;) {
            const int32_t id = std::uniform_int_distribution<int32_t>(1, lastId_)(random_);
            const auto it = live_.lower_bound(id);
            if (it != live_.end()) {
                return it->first;
            }
        }
    }

    // The entries in leaf-chain order, read as a cursor does: a private copy of each leaf, then its link.
    // A chain longer than `limit` entries stops there.
    std::vector<std::pair<TBytes, uint32_t>> Walk(const TIndexUnderTest& index, bool forward, size_t limit) {
        std::vector<std::pair<TBytes, uint32_t>> entries;
        TIndexTree tree(file_, index.Slot, index.Layout);
        TLeafHit hit = forward ? tree.SeekFirst() : tree.SeekLast();
        if (!hit.Leaf) {
            return entries;
        }
        TPage copy;
        copy.CopyFrom(*hit.Leaf);
        hit.Leaf.Release();
        for (;;) {
            for (int k = 1; k <= copy.Count(); ++k) {
                const int at = forward ? k : copy.Count() + 1 - k;
                entries.emplace_back(TBytes(copy.Key(at), copy.Key(at) + index.Layout.KeyLength),
                                     copy.Value(at));
            }
            const uint32_t next = forward ? copy.NextPage() : copy.PrevPage();
            if (next == 0 || entries.size() > limit) {
                return entries;
            }
            const TPageRef page = file_.ReadPage(index.Slot, next);
            copy.CopyFrom(*page);
        }
    }

    void Verify(int round) {
        SCOPED_TRACE("round " + std::to_string(round));
        file_.Flush();
        EXPECT_THAT(CheckIndexFile(file_, fields_, locale_), ::testing::IsEmpty());
        for (TIndexUnderTest& index : indexes_) {
            SCOPED_TRACE("slot " + std::to_string(index.Slot));
            const std::map<TBytes, uint32_t, TKeyOrder>& model = Model(index);
            const std::vector<std::pair<TBytes, uint32_t>> expected(model.begin(), model.end());
            const std::vector<std::pair<TBytes, uint32_t>> forward = Walk(index, true, expected.size());
            ASSERT_EQ(forward, expected);
            std::vector<std::pair<TBytes, uint32_t>> backward = Walk(index, false, expected.size());
            std::reverse(backward.begin(), backward.end());
            ASSERT_EQ(backward, expected);
            TIndexTree tree(file_, index.Slot, index.Layout);
            ASSERT_EQ(tree.EntryCount(), static_cast<int64_t>(expected.size()));
            for (size_t k = 0; k < expected.size(); k += 1 + expected.size() / 40) {
                const TLeafHit hit = tree.Seek(expected[k].first.data(), TSearchRule::Nearest);
                ASSERT_TRUE(hit.Found);
                EXPECT_EQ(hit.Ordinal, static_cast<int64_t>(k + 1));
                const TLeafHit byOrdinal = tree.SeekOrdinal(static_cast<int64_t>(k + 1));
                ASSERT_TRUE(byOrdinal.Leaf);
                EXPECT_EQ(byOrdinal.Leaf->Value(byOrdinal.Position), expected[k].second);
            }
            if (!expected.empty()) {
                EXPECT_EQ(tree.SeekLast().Ordinal, static_cast<int64_t>(expected.size()));
            }
        }
    }

    TStressSettings settings_;
    testing::TTempDir dir_;
    std::vector<TFieldDescriptor> fields_;
    size_t recordSize_;
    TKeyLocale locale_;
    std::mt19937 random_;
    TIndexFile file_;
    std::vector<TIndexUnderTest> indexes_;
    std::map<int32_t, TBytes> live_;
    int32_t lastId_ = 0;
    int64_t keyOperations_ = 0;
};

TEST(IndexStressTest, RandomInsertsAndDeletesWithoutLocale) {
    TStressSettings settings;
    settings.Rounds = 10;
    settings.OperationsPerRound = 1200;
    settings.Seed = 20240611;
    TStressTable table(settings);
    table.Run();
    EXPECT_GE(table.KeyOperations(), 150000);
}

TEST(IndexStressTest, RandomInsertsAndDeletesInGermanPhoneBookOrderEncrypted) {
    TStressSettings settings;
    settings.LanguageId = 0x0407;
    settings.SortId = 1;
    settings.Encrypted = true;
    settings.Rounds = 8;
    settings.OperationsPerRound = 450;
    settings.Seed = 4711;
    TStressTable table(settings);
    table.Run();
    EXPECT_GE(table.KeyOperations(), 50000);
}

}  // namespace
}  // namespace kartei::test
