// Filling a new table with its indexes deferred: every index built at once from sorted keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/table/TableTestSupport.h"

namespace kartei::testing {
namespace {

using TableBulk = TableTest;

std::vector<std::string> Names(int count) {
    std::vector<std::string> names;
    for (int k = 0; k < count; ++k) {
        names.push_back("Stadt " + std::to_string(100000 + k));
    }
    std::shuffle(names.begin(), names.end(), std::mt19937(11));
    return names;
}

TEST_F(TableBulk, DeferredIndexesHoldWhatInsertionWouldHave) {
    const std::vector<std::string> names = Names(4000);
    TDataTableImpl* table = Create("City", CityDefinition(), true);
    table->DeferIndexes();
    for (const std::string& name : names) {
        table->InsertRecord(CityRecord(*table, name));
    }
    EXPECT_EQ(table->RecordCount(), 4000);
    int32_t duplicate = -1;
    table->BuildDeferredIndexes(duplicate);
    EXPECT_EQ(duplicate, 0);
    ExpectIndexesSound(*table);
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(TextsInOrder(*table, "City"), sorted);
    // Identifiers in insertion order.
    EXPECT_EQ(TextsInOrder(*table, "id"), names);
    // The table goes on as any other.
    table->InsertRecord(CityRecord(*table, "Aachen"));
    EXPECT_EQ(Raised([&] { table->InsertRecord(CityRecord(*table, "Aachen")); }).Code, 9729);
    table->DeleteRecord(7);
    ExpectIndexesSound(*table);
    Close(table);
    table = Open("City");
    ExpectIndexesSound(*table);
    EXPECT_EQ(table->RecordCount(), 4000);
    Close(table);
}

TEST_F(TableBulk, TheFirstRecordThatRepeatsAKeyIsNamed) {
    TDataTableImpl* table = Create("City", CityDefinition(), true);
    table->DeferIndexes();
    for (const char* name : {"Bonn", "Celle", "Aachen", "Dessau", "Celle", "Bonn", "Aachen"}) {
        table->InsertRecord(CityRecord(*table, name));
    }
    int32_t duplicate = 0;
    const TRaised raised = Raised([&] { table->BuildDeferredIndexes(duplicate); });
    EXPECT_EQ(raised.Code, 9729);
    EXPECT_EQ(raised.Message, EngineMessage(9729, "Duplicate key found in index 'City' of table 'City.DAT'"));
    EXPECT_EQ(duplicate, 5);
}

TEST_F(TableBulk, OnlyAnEmptyExclusiveTableOutsideATransactionDefers) {
    TDataTableImpl* shared = Create("Shared", CityDefinition());
    EXPECT_EQ(Raised([&] { shared->DeferIndexes(); }).Code, 10253);
    Close(shared);
    TDataTableImpl* table = Create("City", CityDefinition(), true);
    table->InsertRecord(CityRecord(*table, "Bonn"));
    EXPECT_EQ(Raised([&] { table->DeferIndexes(); }).Code, 10031);
    Close(table);
}

TEST_F(TableBulk, AnyOtherChangeAndClosingBuildTheDeferredIndexesFirst) {
    TDataTableImpl* table = Create("City", CityDefinition(), true);
    table->DeferIndexes();
    for (const char* name : {"Bonn", "Celle", "Aachen"}) {
        table->InsertRecord(CityRecord(*table, name));
    }
    table->DeleteRecord(2);
    EXPECT_EQ(TextsInOrder(*table, "City"), (std::vector<std::string>{"Aachen", "Bonn"}));
    Close(table);

    table = Create("Other", CityDefinition(), true);
    table->DeferIndexes();
    for (const char* name : {"Bonn", "Celle", "Aachen"}) {
        table->InsertRecord(CityRecord(*table, name));
    }
    Close(table);
    table = Open("Other");
    ExpectIndexesSound(*table);
    EXPECT_EQ(TextsInOrder(*table, "City"), (std::vector<std::string>{"Aachen", "Bonn", "Celle"}));
    Close(table);
}

}  // namespace
}  // namespace kartei::testing
