#include <gtest/gtest.h>

#include <deque>

#include "engine/table/TableTestSupport.h"

namespace kartei::testing {
namespace {

class TablePassword : public TableTest {
protected:
    void SetUp() override {
        TTableDefinition definition = CityDefinition();
        definition.Options.Encrypted = true;
        definition.Options.Password = "Sesam";
        definition.Options.Description = "Geheime Orte";
        TDataTableImpl* table = Create("Secret", definition);
        ASSERT_NE(table, nullptr);
        for (const char* city : {"Wolfsschanze", "Atlantis", "Eldorado"}) {
            table->InsertRecord(CityRecord(*table, city));
        }
        table->DeleteRecord(1);
        Close(table);
    }

    // A callback that enters the given answers one after the other, then gives up.
    void Answer(std::deque<std::string> answers) {
        answers_ = std::move(answers);
        session_.SetPasswordCallback([this] {
            ++calls_;
            if (answers_.empty()) {
                return false;
            }
            session_.AddPassword(answers_.front());
            answers_.pop_front();
            return true;
        });
    }

    std::deque<std::string> answers_;
    int calls_ = 0;
};

TEST_F(TablePassword, TheRightPasswordOpensWithoutAsking) {
    session_.AddPassword("Sesam");
    Answer({});
    TDataTableImpl* table = Open("Secret");
    table->CheckPassword();
    EXPECT_EQ(calls_, 0);
    Close(table);
}

TEST_F(TablePassword, AWrongPasswordAsksAgain) {
    Answer({"sesam", "Sesam"});
    TDataTableImpl* table = Open("Secret");
    table->CheckPassword();
    EXPECT_EQ(calls_, 2);
    EXPECT_TRUE(session_.HasPassword("Sesam"));
    Close(table);
}

TEST_F(TablePassword, GivingUpFails) {
    Answer({"Falsch"});
    TDataTableImpl* table = Open("Secret");
    const TRaised raised = Raised([&] { table->CheckPassword(); });
    EXPECT_EQ(raised.Code, 10498);
    EXPECT_EQ(raised.Message,
              EngineMessage(10498, "Insufficient rights to table 'Secret.DAT', a password is required"));
    EXPECT_EQ(calls_, 2);
    Close(table);
}

TEST_F(TablePassword, NoCallbackFails) {
    TDataTableImpl* table = Open("Secret");
    EXPECT_EQ(Raised([&] { table->CheckPassword(); }).Code, 10498);
    Close(table);
}

TEST_F(TablePassword, PlainTablesAskForNothing) {
    TDataTableImpl* table = Create("Plain", CityDefinition());
    Answer({});
    table->CheckPassword();
    EXPECT_EQ(calls_, 0);
    Close(table);
}

TEST_F(TablePassword, EncryptedTablesRoundTripAndHideTheirContents) {
    const std::string data = ReadBytes(File("Secret.DAT"));
    const std::string index = ReadBytes(File("Secret.IDX"));
    for (const std::string plain : {"Atlantis", "Eldorado", "Sesam", "Geheime Orte", "City", "Sys Deleted"}) {
        EXPECT_EQ(data.find(plain), std::string::npos) << plain;
        EXPECT_EQ(index.find(plain), std::string::npos) << plain;
    }

    session_.AddPassword("Sesam");
    TDataTableImpl* table = Open("Secret");
    table->VerifyFiles();
    table->CheckPassword();
    EXPECT_TRUE(table->Header().IsEncrypted());
    EXPECT_EQ(table->Header().Password, "Sesam");
    EXPECT_EQ(table->Header().Description, "Geheime Orte");
    EXPECT_EQ(table->FindField("city")->Size, 200);
    EXPECT_EQ(TextsInOrder(*table, "City"), (std::vector<std::string>{"Atlantis", "Eldorado"}));
    EXPECT_EQ(RecordStatus(Read(*table, 1)), kRecordDeleted);
    ExpectIndexesSound(*table);
    table->ModifyRecord(2, CityRecord(*table, "Avalon"));
    table->InsertRecord(CityRecord(*table, "Shangri-La"));
    Close(table);

    table = Open("Secret");
    table->VerifyFiles();
    EXPECT_EQ(TextsInOrder(*table, "City"), (std::vector<std::string>{"Avalon", "Eldorado", "Shangri-La"}));
    ExpectIndexesSound(*table);
    Close(table);
}

}  // namespace
}  // namespace kartei::testing
