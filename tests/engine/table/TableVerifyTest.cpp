#include <gtest/gtest.h>

#include <filesystem>

#include "engine/locale/InstalledLocale.h"
#include "engine/table/TableTestSupport.h"

namespace kartei::testing {
namespace {

// Descriptor k (1-based) of a data file and the offsets inside it.
constexpr int64_t Descriptor(int k) {
    return 127 + (k - 1) * 768;
}
constexpr int64_t kFieldNumberAt = 0;
constexpr int64_t kNameAt = 2;
constexpr int64_t kTypeAt = 84;
constexpr int64_t kSizeAt = 86;
constexpr int64_t kDecimalsAt = 87;
constexpr int64_t kOffsetAt = 90;
constexpr int64_t kDefaultAt = 196;

// Area-code tables with two records, damaged by hand, then checked by the first cursor.
class TableVerify : public TableTest {
protected:
    void SetUp() override {
        TDataTableImpl* table = Create("AreaCode", AreaCodeDefinition(0, 0));
        table->InsertRecord(PairRecord(*table, 1, "030"));
        table->InsertRecord(PairRecord(*table, 2, "0241"));
        Close(table);
        TDataTableImpl* city = Create("City", CityDefinition(0, 0));
        city->InsertRecord(CityRecord(*city, "Berlin"));
        Close(city);
    }

    // Opens the table (which must succeed) and returns what its verification raised.
    TRaised Verify(const std::string& name) {
        TDataTableImpl* table = Open(name);
        if (table == nullptr) {
            return {};
        }
        const TRaised raised = Raised([&] { table->VerifyFiles(); });
        Close(table);
        return raised;
    }

    void ExpectCorrupt(const std::string& name) {
        const TRaised raised = Verify(name);
        EXPECT_EQ(raised.Code, 8961);
        EXPECT_EQ(raised.Message,
                  EngineMessage(8961, "Header information corrupt in table '" + name + ".DAT'"));
    }

    std::string AreaCodeFile() const { return File("AreaCode.DAT"); }
};

TEST_F(TableVerify, SoundFilesPass) {
    EXPECT_EQ(Verify("AreaCode").Code, 0);
    EXPECT_EQ(Verify("City").Code, 0);
}

TEST_F(TableVerify, WrongVersionFailsAtVerificationNotAtOpen) {
    Patch(AreaCodeFile(), 8, {3});
    TDataTableImpl* table = Open("AreaCode");
    ASSERT_NE(table, nullptr);
    const TRaised raised = Raised([&] { table->VerifyFiles(); });
    EXPECT_EQ(raised.Code, 12035);
    EXPECT_EQ(raised.Message, EngineMessage(12035, "table 'AreaCode.DAT' is not the correct version"));
    Close(table);
}

TEST_F(TableVerify, LanguageWithoutInstalledLocaleFails) {
    ASSERT_FALSE(IsLocaleInstalled(0x7F7F));
    Patch(AreaCodeFile(), 103, U16(0x7F7F));
    const TRaised raised = Verify("AreaCode");
    EXPECT_EQ(raised.Code, 15878);
    EXPECT_EQ(
        raised.Message,
        EngineMessage(15878, "The language driver for table 'AreaCode.DAT' is not available or installed"));
}

TEST_F(TableVerify, VersionIsCheckedBeforeLanguage) {
    Patch(AreaCodeFile(), 8, {5});
    Patch(AreaCodeFile(), 103, U16(0x7F7F));
    EXPECT_EQ(Verify("AreaCode").Code, 12035);
}

TEST_F(TableVerify, FieldNamesMustBeValid) {
    Patch(AreaCodeFile(), Descriptor(2) + kNameAt, {8, '1', 'a', 'r', 'e', 'a', 'c', 'o', 'd'});
    ExpectCorrupt("AreaCode");
    Patch(AreaCodeFile(), Descriptor(2) + kNameAt, {0});
    ExpectCorrupt("AreaCode");
}

TEST_F(TableVerify, FieldNamesAndNumbersMustNotRepeat) {
    // "CITY_ID" for the second field: the same name in other letter case.
    Patch(AreaCodeFile(), Descriptor(2) + kNameAt, {7, 'C', 'I', 'T', 'Y', '_', 'I', 'D'});
    ExpectCorrupt("AreaCode");
}

TEST_F(TableVerify, FieldNumberMustBeThePosition) {
    Patch(AreaCodeFile(), Descriptor(2) + kFieldNumberAt, U16(1));
    ExpectCorrupt("AreaCode");
}

TEST_F(TableVerify, TypeAndDeclaredSizeMustFit) {
    Patch(AreaCodeFile(), Descriptor(2) + kTypeAt, {0});
    ExpectCorrupt("AreaCode");
}

TEST_F(TableVerify, TypesWithoutDeclaredSizeMustHaveNone) {
    Patch(AreaCodeFile(), Descriptor(1) + kSizeAt, {4});
    ExpectCorrupt("AreaCode");
}

TEST_F(TableVerify, ValueTextsMustSuitTheType) {
    Patch(AreaCodeFile(), Descriptor(1) + kDefaultAt, {3, 'a', 'b', 'c'});
    ExpectCorrupt("AreaCode");
}

TEST_F(TableVerify, OnlyBcdHasDecimalPlaces) {
    Patch(AreaCodeFile(), Descriptor(1) + kDecimalsAt, {2});
    ExpectCorrupt("AreaCode");
}

TEST_F(TableVerify, RecordOffsetsMustFollowTheLayout) {
    Patch(AreaCodeFile(), Descriptor(1) + kOffsetAt, U16(10));
    ExpectCorrupt("AreaCode");
}

TEST_F(TableVerify, AutoIncrementValueLiesAtOffsetFive) {
    Patch(File("City.DAT"), Descriptor(1) + kOffsetAt, U16(9));
    ExpectCorrupt("City");
}

TEST_F(TableVerify, RecordSizeMustBeWhatTheFieldsGive) {
    Patch(AreaCodeFile(), 21, U16(40));
    ExpectCorrupt("AreaCode");
}

TEST_F(TableVerify, DataFileOneByteTooLongFails) {
    std::ofstream(AreaCodeFile(), std::ios::binary | std::ios::app).put('\0');
    ExpectCorrupt("AreaCode");
}

TEST_F(TableVerify, NextRecordNumberMustMatchTheFileLength) {
    Patch(AreaCodeFile(), 13, I32(4));
    ExpectCorrupt("AreaCode");
}

TEST_F(TableVerify, IndexFileVersionFails) {
    Patch(File("AreaCode.IDX"), 8, {3});
    EXPECT_EQ(Verify("AreaCode").Code, 12035);
}

TEST_F(TableVerify, IndexFileHeaderDamageFails) {
    // The first secondary index is renamed "1areacode".
    Patch(File("AreaCode.IDX"), 14 + 120, {9, '1', 'a', 'r', 'e', 'a', 'c', 'o', 'd', 'e'});
    ExpectCorrupt("AreaCode");
}

TEST_F(TableVerify, DataFileIsCheckedBeforeTheIndexFile) {
    Patch(File("AreaCode.IDX"), 8, {3});
    Patch(AreaCodeFile(), 13, I32(4));
    ExpectCorrupt("AreaCode");
}

class TableVerifyBlob : public TableTest {
protected:
    void SetUp() override {
        TTableDefinition definition;
        definition.Fields = {TFieldDescriptor::Define("title", FieldType::String, 20),
                             TFieldDescriptor::Define("text", FieldType::Blob, 0, 22)};
        TDataTableImpl* table = Create("Notes", definition);
        table->InsertRecord(BlankRecord(*table));
        table->WriteBlob(1, table->Fields()[1], std::vector<uint8_t>(100, 'x'));
        Close(table);
    }
};

TEST_F(TableVerifyBlob, BlobFileHeaderIsChecked) {
    TDataTableImpl* table = Open("Notes");
    ASSERT_NE(table->BlobFile(), nullptr);
    table->VerifyFiles();
    Close(table);

    Patch(File("Notes.BLB"), 4, {3});
    table = Open("Notes");
    EXPECT_EQ(Raised([&] { table->VerifyFiles(); }).Code, 12035);
    Close(table);

    // One block in use, so the end offset lies above 512; a free-block head of 100 is no block.
    Patch(File("Notes.BLB"), 4, {4});
    Patch(File("Notes.BLB"), 5, I32(100));
    table = Open("Notes");
    EXPECT_EQ(Raised([&] { table->VerifyFiles(); }).Code, 8961);
    Close(table);
}

}  // namespace
}  // namespace kartei::testing
