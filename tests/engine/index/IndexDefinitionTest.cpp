// Defining and deleting indexes with their errors, key layouts from descriptors, and the verification of
// the header when a table is opened.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "IndexTestSupport.h"
#include "engine/format/ExpectKarteiError.h"
#include "engine/index/IndexCheck.h"
#include "engine/index/IndexVerify.h"

namespace kartei::test {
namespace {

class IndexDefinitionTest : public TIndexFileFixture {
protected:
    void SetUp() override {
        TIndexFileFixture::SetUp();
        fields_ = TestFields();
    }

    void ExpectAddFails(const TIndexDefinition& definition, uint16_t code, const std::string& text) {
        ExpectKarteiError([&] { AddSecondaryIndex(file_, definition, fields_); }, code,
                          "Kartei Engine Error # " + std::to_string(code) + " " + text);
    }

    void ExpectVerifies(const TIndexHeader& header) { VerifyIndexHeader(header, fields_, "T"); }
    void ExpectVerifyFails(const TIndexHeader& header, uint16_t code = 8961) {
        ExpectKarteiError([&] { VerifyIndexHeader(header, fields_, "T"); }, code,
                          code == 8961 ? "Kartei Engine Error # 8961 Header information corrupt in table 'T'"
                                       : "Kartei Engine Error # 12035 table 'T' is not the correct version");
    }

    std::vector<TFieldDescriptor> fields_;
};

TEST_F(IndexDefinitionTest, ASecondaryIndexIsDescribedByItsFieldsAndOptions) {
    TIndexDefinition definition =
        Definition(" CodeNum ", {{5}, {2, true}, {8}}, false, TCompression::Both, true);
    definition.CaseInsensitive = true;
    const int slot = AddSecondaryIndex(file_, definition, fields_);
    EXPECT_EQ(slot, 1);
    EXPECT_EQ(file_.SecondaryIndexCount(), 1);
    const TIndexDescriptor& descriptor = file_.Descriptor(slot);
    EXPECT_EQ(descriptor.Name, "CodeNum");
    EXPECT_EQ(descriptor.KeyLength, (7 + 1) + (4 + 1) + (8 + 1) + 4);  // three field images and the suffix
    EXPECT_EQ(descriptor.Descending, 1);
    EXPECT_EQ(descriptor.CaseInsensitive, 1);
    EXPECT_EQ(descriptor.Unique, 0);
    EXPECT_EQ(descriptor.Compression, 3);
    EXPECT_EQ(descriptor.FieldCount, 3);
    EXPECT_EQ(descriptor.FieldNumbers[0], 5);
    EXPECT_EQ(descriptor.FieldNumbers[1], 2);
    EXPECT_EQ(descriptor.FieldNumbers[2], 8);
    EXPECT_EQ(descriptor.FieldNumbers[3], 0);
    EXPECT_EQ(descriptor.FieldDescending[0], 0);
    EXPECT_EQ(descriptor.FieldDescending[1], 1);
    EXPECT_EQ(descriptor.RootPage, 0u);

    const TKeyLayout layout = MakeKeyLayout(descriptor, slot, fields_, TKeyLocale(), "T");
    EXPECT_EQ(layout.KeyLength, descriptor.KeyLength);
    EXPECT_EQ(layout.FieldCount, 3);
    EXPECT_FALSE(layout.Unique);
    EXPECT_TRUE(layout.Descending);
    EXPECT_TRUE(layout.CaseInsensitive);
    EXPECT_EQ(layout.Fields[0].Type, FieldType::String);
    EXPECT_EQ(layout.Fields[0].DataWidth, 7);
    EXPECT_EQ(layout.Fields[0].RecordOffset, fields_[4].Offset);
    EXPECT_TRUE(layout.Fields[1].Descending);
    EXPECT_EQ(layout.Fields[2].DataWidth, 8);
}

TEST_F(IndexDefinitionTest, ThePrimaryIndexIsUniqueAndDefinedOnce) {
    DefinePrimaryIndex(file_, Definition("ignored", {{3}}, false), fields_);
    const TIndexDescriptor& primary = file_.Descriptor(0);
    EXPECT_EQ(primary.Name, "");
    EXPECT_EQ(primary.Unique, 1);
    EXPECT_EQ(primary.KeyLength, 5);
    const TKeyLayout layout = MakeKeyLayout(primary, 0, fields_, TKeyLocale(), "T");
    EXPECT_TRUE(layout.Fields[0].AutoIncrement);
    const std::string exists =
        "Kartei Engine Error # 9993 A primary index is already defined for table 'T' and cannot be added "
        "again";
    ExpectKarteiError([&] { DefinePrimaryIndex(file_, Definition({}, {{2}}), fields_); }, 9993, exists);

    TIndexFile other;
    other.Context().TableName = "T";
    other.Create(dir_.File("Other.IDX"));
    DefinePrimaryIndex(other, Definition({}, {}), fields_);
    EXPECT_TRUE(other.NoPrimaryKey());
    ExpectKarteiError([&] { DefinePrimaryIndex(other, Definition({}, {}), fields_); }, 9993, exists);
}

TEST_F(IndexDefinitionTest, SecondaryIndexDefinitionsAreChecked) {
    AddSecondaryIndex(file_, Definition("Num", {{2}}), fields_);
    ExpectAddFails(Definition("  ", {{2}}), 10010,
                   "The secondary index name is missing or not specified for table 'T'");
    ExpectAddFails(Definition("1st", {{2}}), 10022,
                   "Invalid secondary index name '1st' specified for table 'T'");
    ExpectAddFails(Definition(std::string(31, 'n'), {{2}}), 10022,
                   "Invalid secondary index name '" + std::string(31, 'n') + "' specified for table 'T'");
    ExpectAddFails(Definition(" nUM", {{1}}), 10027,
                   "The secondary index 'nUM' already exists for table 'T'");
    const std::string limits =
        "Maximum or minimum limits on number of indexes or fields in an index exceeded in table 'T'";
    ExpectAddFails(Definition("None", {}), 9487, limits);
    ExpectAddFails(Definition("Many", std::vector<TIndexField>(17, TIndexField{2})), 9487, limits);
    ExpectAddFails(Definition("Memo", {{1}, {4}}), 12292,
                   "Invalid field type specified for index 'Memo' in table 'T'");
    ExpectAddFails(Definition("Far", {{99}}), 10023,
                   "Invalid field number '99' specified in index 'Far' for table 'T'");
    // Field images of 252, 252 and 26 bytes and the suffix exceed a key buffer.
    ExpectAddFails(Definition("Wide", {{6}, {7}, {1}}), 10026,
                   "Invalid key size specified in index 'Wide' for table 'T'");
    EXPECT_EQ(file_.SecondaryIndexCount(), 1);

    // Underscores and bytes 129 to 254 may begin a name; thirty indexes at most.
    EXPECT_EQ(AddSecondaryIndex(file_, Definition("_x", {{2}}), fields_), 2);
    EXPECT_EQ(AddSecondaryIndex(file_, Definition("\xC4rger", {{2}}), fields_), 3);
    for (int k = 4; k <= 30; ++k) {
        AddSecondaryIndex(file_, Definition("I" + std::to_string(k), {{2}}), fields_);
    }
    ExpectAddFails(Definition("I31", {{2}}), 9487, limits);
    EXPECT_EQ(FindIndexSlot(file_.Header(), " i17 "), 17);
    EXPECT_EQ(FindIndexSlot(file_.Header(), ""), 0);
    EXPECT_EQ(FindIndexSlot(file_.Header(), "Sys Deleted"), -1);
}

TEST_F(IndexDefinitionTest, DeletingAnIndexMovesTheOthersDownAndKeepsItsPages) {
    DefinePrimaryIndex(file_, Definition({}, {}), fields_);
    for (const char* name : {"A", "B", "C"}) {
        AddSecondaryIndex(file_, Definition(name, {{2}}, true), fields_);
    }
    std::vector<TKeyLayout> layouts;
    for (int slot = 1; slot <= 3; ++slot) {
        layouts.push_back(MakeKeyLayout(file_.Descriptor(slot), slot, fields_, TKeyLocale(), "T"));
    }
    for (int value = 0; value < 1000; ++value) {
        for (int slot = 1; slot <= 3; ++slot) {
            ASSERT_TRUE(TIndexTree(file_, slot, layouts[slot - 1]).Insert(IntKey(value).data(), value + 1));
        }
        file_.IncrementRecordCount();
    }
    file_.Flush();
    const uint32_t cRoot = file_.Root(3);
    const uint32_t end = file_.Header().EndOffset;

    DeleteSecondaryIndex(file_, " b ");
    EXPECT_EQ(file_.SecondaryIndexCount(), 2);
    EXPECT_EQ(file_.Descriptor(2).Name, "C");
    EXPECT_EQ(file_.Root(2), cRoot);
    EXPECT_EQ(file_.Descriptor(3), TIndexDescriptor());
    EXPECT_NE(file_.Descriptor(kDeletedIndexSlot).FreePageHead, 0u);
    // The moved index still reads, through its new slot.
    TIndexTree moved(file_, 2, layouts[2]);
    EXPECT_EQ(moved.EntryCount(), 1000);
    EXPECT_TRUE(moved.Seek(IntKey(500).data(), TSearchRule::Nearest).Found);
    file_.Flush();
    EXPECT_THAT(CheckIndexFile(file_, fields_, TKeyLocale()), ::testing::IsEmpty());
    Reopen();
    EXPECT_THAT(CheckIndexFile(file_, fields_, TKeyLocale()), ::testing::IsEmpty());
    EXPECT_EQ(file_.Header().EndOffset, end);

    ExpectKarteiError([&] { DeleteSecondaryIndex(file_, " "); }, 10055,
                      "Kartei Engine Error # 10055 The primary index cannot be removed from table 'T'");
    ExpectKarteiError([&] { DeleteSecondaryIndex(file_, "B"); }, 10022,
                      "Kartei Engine Error # 10022 Invalid secondary index name 'B' specified for table 'T'");
}

TEST_F(IndexDefinitionTest, KeyLayoutsAreOnlyMadeFromUsableDescriptors) {
    AddSecondaryIndex(file_, Definition("Num", {{2}}, false), fields_);
    const TKeyLayout deleted =
        MakeKeyLayout(file_.Descriptor(kDeletedIndexSlot), kDeletedIndexSlot, fields_, TKeyLocale(), "T");
    EXPECT_TRUE(deleted.DeletedRecordIndex);
    EXPECT_EQ(deleted.KeyLength, 5);
    const auto fails = [&](const TIndexDescriptor& descriptor) {
        ExpectKarteiError([&] { MakeKeyLayout(descriptor, 1, fields_, TKeyLocale(), "T"); }, 8961,
                          "Kartei Engine Error # 8961 Header information corrupt in table 'T'");
    };
    TIndexDescriptor descriptor = file_.Descriptor(1);
    descriptor.KeyLength = 5;  // the suffix is missing
    fails(descriptor);
    descriptor = file_.Descriptor(1);
    descriptor.FieldNumbers[0] = 9;
    fails(descriptor);
    descriptor.FieldNumbers[0] = 4;  // Blob
    fails(descriptor);
    descriptor = file_.Descriptor(1);
    descriptor.FieldCount = 17;
    fails(descriptor);
}

TEST_F(IndexDefinitionTest, HeaderVerificationAcceptsASoundHeader) {
    DefinePrimaryIndex(file_, Definition({}, {{3}}), fields_);
    AddSecondaryIndex(file_, Definition("Num", {{2}}), fields_);
    AddSecondaryIndex(file_, Definition("Name", {{1}, {5}}, true), fields_);
    TIndexHeader header = file_.Header();
    ExpectVerifies(header);
    header.EndOffset = 3 * 4096;
    header.Slots[1].RootPage = 8192;
    header.Slots[2].FreePageHead = 4096;
    ExpectVerifies(header);
}

TEST_F(IndexDefinitionTest, HeaderVerificationRejectsEachKindOfDamage) {
    DefinePrimaryIndex(file_, Definition({}, {{3}}), fields_);
    AddSecondaryIndex(file_, Definition("Num", {{2}}), fields_);
    AddSecondaryIndex(file_, Definition("Name", {{1}, {5}}, true), fields_);
    const TIndexHeader sound = file_.Header();
    const auto damaged = [&](auto change, uint16_t code = 8961) {
        TIndexHeader header = sound;
        change(header);
        ExpectVerifyFails(header, code);
    };
    damaged([](TIndexHeader& h) { h.Version = 3; }, 12035);
    damaged([](TIndexHeader& h) { h.Slots[0].Name = "P"; });
    damaged([](TIndexHeader& h) { h.Slots[0].Unique = 0; });
    damaged([](TIndexHeader& h) { h.Slots[2].Name = "2nd"; });
    damaged([](TIndexHeader& h) { h.Slots[2].Name = " nUm "; });
    damaged([](TIndexHeader& h) { h.Slots[1].FieldNumbers[0] = 40; });
    damaged([](TIndexHeader& h) { h.Slots[1].FieldNumbers[0] = 4; });
    damaged([](TIndexHeader& h) { h.Slots[1].FieldCount = 17; });
    damaged([](TIndexHeader& h) { h.Slots[1].FieldCount = 0; });
    damaged([](TIndexHeader& h) { h.Slots[1].KeyLength = 5; });
    damaged([](TIndexHeader& h) { h.Slots[kDeletedIndexSlot].KeyLength = 6; });
    damaged([](TIndexHeader& h) { h.SecondaryCount = 31; });
    // Pages: none in a file without pages; else between 4096 and EndOffset - 4096.
    damaged([](TIndexHeader& h) { h.Slots[1].RootPage = 4096; });
    damaged([](TIndexHeader& h) {
        h.EndOffset = 3 * 4096;
        h.Slots[1].RootPage = 3 * 4096;
    });
    damaged([](TIndexHeader& h) {
        h.EndOffset = 3 * 4096;
        h.Slots[kDeletedIndexSlot].FreePageHead = 100;
    });
    // A table without primary key may leave slot 0 without fields, and not unique.
    TIndexHeader natural = sound;
    natural.Slots[0] = TIndexDescriptor();
    ExpectVerifyFails(natural);
    natural.NoPrimaryKey = 1;
    ExpectVerifies(natural);
}

}  // namespace
}  // namespace kartei::test
