#include <gtest/gtest.h>

#include <filesystem>

#include "engine/table/TableTestSupport.h"

namespace kartei::testing {
namespace {

using TableCreation = TableTest;

TEST_F(TableCreation, MakesEmptyFilesOfTheDefinedTable) {
    TDataTableImpl* table = Create("City", CityDefinition());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->OpenCount(), 1);
    EXPECT_EQ(std::filesystem::file_size(File("City.DAT")), 127u + 2 * 768);
    EXPECT_EQ(std::filesystem::file_size(File("City.IDX")), 4096u);
    EXPECT_FALSE(std::filesystem::exists(File("City.BLB")));
    EXPECT_EQ(table->Header().RecordSize, 211);
    EXPECT_EQ(table->Header().NextRecordNumber, 1);
    EXPECT_EQ(table->Fields()[1].Offset, 9);
    EXPECT_TRUE(table->IndexFile().NoPrimaryKey());
    const TIndexDescriptor& city = table->IndexFile().Descriptor(1);
    EXPECT_EQ(city.Name, "City");
    EXPECT_EQ(city.Unique, 1);
    EXPECT_EQ(city.KeyLength, 202);
    const TIndexDescriptor& id = table->IndexFile().Descriptor(3);
    EXPECT_EQ(id.Name, "id");
    EXPECT_EQ(id.Unique, 0);
    EXPECT_EQ(id.KeyLength, 9);
    table->VerifyFiles();
    Close(table);

    table = Create("AreaCode", AreaCodeDefinition());
    EXPECT_EQ(table->Header().RecordSize, 36);
    EXPECT_EQ(table->IndexFile().SecondaryIndexCount(), 2);
    Close(table);
}

TEST_F(TableCreation, TablesWithBlobFieldsGetABlobFile) {
    TTableDefinition definition;
    definition.Fields = {TFieldDescriptor::Define("picture", FieldType::Blob, 0, 26)};
    definition.Options.BlobBlockSize = 1024;
    TDataTableImpl* table = Create("Pictures", definition);
    ASSERT_NE(table->BlobFile(), nullptr);
    EXPECT_EQ(table->Header().EffectiveBlobBlockSize(), 1024);
    EXPECT_EQ(std::filesystem::file_size(File("Pictures.BLB")), 512u);
    Close(table);

    // Made again without blob fields, the table loses the blob file.
    Create("Pictures", CityDefinition());
    EXPECT_FALSE(std::filesystem::exists(File("Pictures.BLB")));
}

TEST_F(TableCreation, ATableInUseCannotBeMadeAgain) {
    TDataTableImpl* table = Create("City", CityDefinition());
    TTableOpenRequest request;
    request.Name = "city.dat";
    TDataTableImpl* made = nullptr;
    EXPECT_EQ(directory_->CreateTable(request, CityDefinition(), made), -11013);
    EXPECT_EQ(made, nullptr);
    Close(table);
}

// A definition that is refused leaves every file of the name as it was.
class TableCreationRefused : public TableTest {
protected:
    void SetUp() override {
        TDataTableImpl* table = Create("City", CityDefinition());
        table->InsertRecord(CityRecord(*table, "Berlin"));
        Close(table);
        data_ = ReadBytes(File("City.DAT"));
        index_ = ReadBytes(File("City.IDX"));
    }

    void ExpectRefused(const TTableDefinition& definition, uint16_t code, const std::string& text,
                       const std::string& name = "City") {
        TTableOpenRequest request;
        request.Name = name;
        TDataTableImpl* table = nullptr;
        const TRaised raised = Raised([&] { directory_->CreateTable(request, definition, table); });
        EXPECT_EQ(raised.Code, code);
        if (!text.empty()) {
            EXPECT_EQ(raised.Message, EngineMessage(code, text));
        }
        EXPECT_EQ(table, nullptr);
        EXPECT_EQ(directory_->TableCount(), 0u);
        EXPECT_EQ(ReadBytes(File("City.DAT")), data_);
        EXPECT_EQ(ReadBytes(File("City.IDX")), index_);
    }

    std::string data_;
    std::string index_;
};

TEST_F(TableCreationRefused, BlankName) {
    ExpectRefused(CityDefinition(), 11010, "Invalid path or file name for table '.DAT'", " ");
}

TEST_F(TableCreationRefused, InvalidOrRepeatedFieldNames) {
    TTableDefinition definition = CityDefinition();
    definition.Fields[1].Name = "2nd";
    ExpectRefused(definition, 10038, "Invalid or duplicate field name '2nd' specified for table 'City.DAT'");
    definition.Fields[1].Name = "ID";
    ExpectRefused(definition, 10038, "Invalid or duplicate field name 'ID' specified for table 'City.DAT'");
    definition.Fields[1].Name = "";
    ExpectRefused(definition, 10038, "");
    definition.Fields[1].Name = std::string(31, 'n');
    ExpectRefused(definition, 10038, "");
}

TEST_F(TableCreationRefused, InvalidFieldDefinitions) {
    TTableDefinition definition = CityDefinition();
    definition.Fields[1].Size = 251;
    ExpectRefused(definition, 10000,
                  "Invalid field definition specified for the field 'City' in table 'City.DAT'");
    definition = CityDefinition();
    definition.Fields[0].DefaultValue = "abc";
    ExpectRefused(definition, 10000, "");
}

TEST_F(TableCreationRefused, LocaleThatIsNotInstalled) {
    ExpectRefused(CityDefinition(0x7F7F, 0), 15878,
                  "The language driver for table 'City.DAT' is not available or installed");
}

TEST_F(TableCreationRefused, PasswordLongerThanATableKeeps) {
    TTableDefinition definition = CityDefinition();
    definition.Options.Encrypted = true;
    definition.Options.Password = "sixteen-letters!";
    ExpectRefused(definition, 10015, "Password provided for table 'City.DAT' is invalid");
}

TEST_F(TableCreationRefused, BlobBlockSizeWithoutRoomForData) {
    TTableDefinition definition = CityDefinition();
    definition.Fields.push_back(TFieldDescriptor::Define("notes", FieldType::Blob, 0, 22));
    definition.Options.BlobBlockSize = 18;
    ExpectRefused(definition, 9498, "");
}

TEST_F(TableCreationRefused, IndexDefinitions) {
    TTableDefinition definition = CityDefinition();
    definition.SecondaryIndexes.push_back(TIndexDefinition::Over("city", {2}));
    ExpectRefused(definition, 10027, "The secondary index 'city' already exists for table 'City.DAT'");
    definition = CityDefinition();
    definition.SecondaryIndexes.push_back(TIndexDefinition::Over("", {2}));
    ExpectRefused(definition, 10010, "");
    definition = CityDefinition();
    definition.Fields.push_back(TFieldDescriptor::Define("notes", FieldType::Blob, 0, 22));
    definition.SecondaryIndexes.push_back(TIndexDefinition::Over("notes", {3}));
    ExpectRefused(definition, 12292, "Invalid field type specified for index 'notes' in table 'City.DAT'");
    definition = CityDefinition();
    definition.PrimaryIndex = TIndexDefinition::Over("", {7});
    ExpectRefused(definition, 10023, "");
}

}  // namespace
}  // namespace kartei::testing
