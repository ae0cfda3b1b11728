// Damaged index files: hand-made damage and random byte flips end in engine errors or findings of the
// structural check, never in a crash, a hang or a runaway allocation.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "IndexTestSupport.h"
#include "engine/format/ExpectKarteiError.h"
#include "engine/index/IndexCheck.h"

namespace kartei::test {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

const char* const kCorrupt = "Kartei Engine Error # 8965 Index page buffers corrupt in table 'T'";
constexpr int kKeys = 1000;

// A sound index of 1000 integer keys in slot 1 (a root node over six leaves) and a compressed one of
// names in slot 2, written and closed; each test damages a copy and opens it.
class IndexCorruptionTest : public TIndexFileFixture {
protected:
    void SetUp() override {
        TIndexFileFixture::SetUp();
        fields_ = TestFields();
        DefinePrimaryIndex(file_, Definition({}, {}), fields_);
        AddSecondaryIndex(file_, Definition("Num", {{2}}, true), fields_);
        AddSecondaryIndex(file_, Definition("Text", {{1}}, false, TCompression::Both), fields_);
        layout_ = MakeKeyLayout(file_.Descriptor(1), 1, fields_, TKeyLocale(), "T");
        textLayout_ = MakeKeyLayout(file_.Descriptor(2), 2, fields_, TKeyLocale(), "T");
        for (int value = 0; value < kKeys; ++value) {
            ASSERT_TRUE(Tree().Insert(IntKey(value).data(), static_cast<uint32_t>(value + 1)));
            ASSERT_TRUE(TIndexTree(file_, 2, textLayout_)
                            .Insert(TextKey(value).data(), static_cast<uint32_t>(value + 1)));
            file_.IncrementRecordCount();
        }
        file_.Flush();
        root_ = file_.Root(1);
        {
            const TPageRef root = file_.ReadPage(1, root_);
            ASSERT_EQ(root->Type(), TPageType::RootNode);
            for (int k = 1; k <= root->Count(); ++k) {
                leaves_.push_back(root->Value(k));
            }
        }
        ASSERT_GE(leaves_.size(), 3u);
        file_.Close();
        pristine_ = Bytes();
    }

    TIndexTree Tree() { return TIndexTree(file_, 1, layout_); }
    // The key of record `value` in the name index: "Stadt" and a number, then its record identifier.
    TBytes TextKey(int value) const {
        TBytes key(textLayout_.KeyLength, 0);
        const std::string name = "Stadt" + std::to_string(value % 97);
        key[0] = 1;
        std::copy(name.begin(), name.end(), key.begin() + 1);
        const TBytes suffix = IntKey(value);  // the same big-endian, sign-inverted encoding
        std::copy(suffix.begin() + 1, suffix.end(), key.end() - 4);
        return key;
    }
    std::vector<std::string> Check() { return CheckIndexFile(file_, fields_, TKeyLocale()); }

    // Offset of entry `position` (1-based) of the root node, and of its child and count fields.
    size_t RootEntry(int position) const { return root_ + 13 + static_cast<size_t>(position - 1) * 13; }

    std::vector<TFieldDescriptor> fields_;
    TKeyLayout layout_;
    TKeyLayout textLayout_;
    uint32_t root_ = 0;
    std::vector<uint32_t> leaves_;
    std::string pristine_;
};

TEST_F(IndexCorruptionTest, TheSoundFileHasNoFindings) {
    file_.Open(path_, false);
    EXPECT_THAT(Check(), ::testing::IsEmpty());
    EXPECT_EQ(Tree().EntryCount(), kKeys);
}

TEST_F(IndexCorruptionTest, AChildPagePastTheEndIsAnError) {
    Patch(RootEntry(2) + 5, U32(static_cast<uint32_t>(pristine_.size()) + 40960));
    file_.Open(path_, false);
    // The first and the last child are sound; the second holds keys 186 to 371.
    EXPECT_EQ(Tree().SeekFirst().Ordinal, 1);
    EXPECT_EQ(Tree().SeekLast().Ordinal, kKeys);
    ExpectKarteiError([&] { Tree().SeekOrdinal(250); }, 8965, kCorrupt);
    ExpectKarteiError([&] { Tree().Seek(IntKey(300).data(), TSearchRule::Nearest); }, 8965, kCorrupt);
    EXPECT_THAT(Check(), Contains(HasSubstr("not a page of the file")));
}

TEST_F(IndexCorruptionTest, APageTheHeaderCountsButTheFileLacksIsAnError) {
    // EndOffset promises ten more pages than the file holds.
    Patch(9, U32(static_cast<uint32_t>(pristine_.size()) + 10 * 4096));
    Patch(RootEntry(2) + 5, U32(static_cast<uint32_t>(pristine_.size()) + 4096));
    file_.Open(path_, false);
    ExpectKarteiError([&] { Tree().Seek(IntKey(300).data(), TSearchRule::Nearest); }, 8965, kCorrupt);
    EXPECT_THAT(Check(), Contains(HasSubstr("cannot be read")));
}

TEST_F(IndexCorruptionTest, ACountThatLiesIsFoundAndCannotLeadOutOfALeaf) {
    Patch(RootEntry(1) + 9, U32(100000));
    file_.Open(path_, false);
    EXPECT_THAT(Check(), Contains(HasSubstr("counts 100000 records")));
    EXPECT_GT(Tree().EntryCount(), kKeys);
    ExpectKarteiError([&] { Tree().SeekOrdinal(5000); }, 8965, kCorrupt);
}

TEST_F(IndexCorruptionTest, AnEntryCountBeyondThePageIsAnError) {
    Patch(leaves_[0] + 1, {0xFF, 0x7F});
    file_.Open(path_, false);
    ExpectKarteiError([&] { Tree().SeekFirst(); }, 8965, kCorrupt);
    EXPECT_THAT(Check(), Contains(HasSubstr("cannot be read")));
}

TEST_F(IndexCorruptionTest, ASearchInAnEmptyPageIsAnError) {
    Patch(leaves_[1] + 1, {0, 0});
    file_.Open(path_, false);
    ExpectKarteiError([&] { Tree().Seek(IntKey(300).data(), TSearchRule::Nearest); }, 8965, kCorrupt);
    ExpectKarteiError([&] { Tree().Delete(IntKey(300).data()); }, 8965, kCorrupt);
    EXPECT_THAT(Check(), Contains(HasSubstr("has no entries")));
}

TEST_F(IndexCorruptionTest, ACycleInTheLeafChainIsAFinding) {
    Patch(leaves_.back() + 7, U32(leaves_.front()));
    Patch(leaves_.front() + 3, U32(leaves_.back()));
    file_.Open(path_, false);
    const std::vector<std::string> findings = Check();
    EXPECT_THAT(findings, Contains(HasSubstr("links to " + std::to_string(leaves_.back()))));
    EXPECT_THAT(findings, Contains(HasSubstr("and " + std::to_string(leaves_.front()) + ", its neighbours")));
    // Descents do not follow leaf links.
    EXPECT_EQ(Tree().SeekLast().Ordinal, kKeys);
}

TEST_F(IndexCorruptionTest, ANodeThatLeadsBackToTheRootEndsTheDescent) {
    Patch(RootEntry(1) + 5, U32(root_));
    file_.Open(path_, false);
    ExpectKarteiError([&] { Tree().SeekFirst(); }, 8965, kCorrupt);
    ExpectKarteiError([&] { Tree().Insert(IntKey(-1).data(), 1); }, 8965, kCorrupt);
    EXPECT_THAT(Check(), Contains(HasSubstr("reached twice")));
}

TEST_F(IndexCorruptionTest, AMisplacedRootIsAnError) {
    Patch(14 + 120 + 86, U32(root_ + 1));
    file_.Open(path_, false);
    ExpectKarteiError([&] { Tree().EntryCount(); }, 8965, kCorrupt);
    EXPECT_THAT(Check(), Contains(HasSubstr("not a page of the file")));
}

TEST_F(IndexCorruptionTest, AnEndOffsetOffThePageGridIsSurvived) {
    Patch(9, U32(static_cast<uint32_t>(pristine_.size()) + 100));
    file_.Open(path_, false);
    EXPECT_THAT(Check(), Contains(HasSubstr("belong to no index")));
    ExpectKarteiError([&] { file_.NewPage(1); }, 8965, kCorrupt);
    file_.Close();
    // Below the header: no page at all, and nothing sized by it.
    Patch(9, U32(100));
    file_.Open(path_, false);
    ExpectKarteiError([&] { Tree().SeekFirst(); }, 8965, kCorrupt);
    ExpectKarteiError([&] { DeleteSecondaryIndex(file_, "Num"); }, 8965, kCorrupt);
    EXPECT_THAT(Check(), Contains(HasSubstr("not a page of the file")));
}

TEST_F(IndexCorruptionTest, PagesOfTwoIndexesAreFound) {
    // The deleted-record index claims the first leaf of slot 1 as its root.
    Patch(14 + 120 * 31 + 86, U32(leaves_[0]));
    file_.Open(path_, false);
    EXPECT_THAT(Check(), Contains(HasSubstr("also belongs to the index in slot 1")));
}

TEST_F(IndexCorruptionTest, RandomDamageNeverCrashes) {
    std::mt19937 random(99);
    const size_t size = pristine_.size();
    int errors = 0;
    int findings = 0;
    for (int round = 0; round < 300; ++round) {
        std::string bytes = pristine_;
        const int flips = std::uniform_int_distribution<int>(1, 8)(random);
        for (int k = 0; k < flips; ++k) {
            // Mostly the pages; now and then the header's counts and end offset or a descriptor.
            const size_t at = std::bernoulli_distribution(0.85)(random)
                                  ? std::uniform_int_distribution<size_t>(4096, size - 1)(random)
                                  : std::uniform_int_distribution<size_t>(0, 14 + 3 * 120)(random);
            bytes[at] = static_cast<char>(random());
        }
        testing::WriteBytes(path_, bytes);
        try {
            file_.Open(path_, false);
            findings += Check().empty() ? 0 : 1;
            TIndexTree tree = Tree();
            tree.SeekFirst();
            tree.SeekLast();
            tree.SeekOrdinal(std::uniform_int_distribution<int64_t>(1, kKeys)(random));
            tree.Seek(IntKey(std::uniform_int_distribution<int>(0, kKeys)(random)).data(),
                      TSearchRule::UpperEnd);
            tree.Delete(IntKey(std::uniform_int_distribution<int>(0, kKeys)(random)).data());
            tree.Insert(IntKey(kKeys + round).data(), 1);
            TIndexTree text(file_, 2, textLayout_);
            text.SeekOrdinal(std::uniform_int_distribution<int64_t>(1, kKeys)(random));
            text.Delete(TextKey(std::uniform_int_distribution<int>(0, kKeys)(random)).data());
            text.Insert(TextKey(kKeys + round).data(), 1);
            file_.Flush();
        } catch (const EKarteiEngineError&) {
            ++errors;
        }
        file_.Close();
    }
    EXPECT_GT(errors + findings, 100);
}

}  // namespace
}  // namespace kartei::test
