#include <gtest/gtest.h>

#include "engine/cursor/CursorTestSupport.h"

namespace kartei::testing {
namespace {

// A range with one end left open (no key given) is bounded on the other side only, whatever the order of
// the index. Found by the model-checked workload (tests/tools/model): the open end is taken as a key of all
// 0x00 or all 0xFF bytes, which is the lowest or highest key only when the index compares its bytes
// upwards.
using CursorOpenRange = CursorTest;

// A code and a name; the name index as the test asks for.
TTableDefinition NamedCodes(const std::vector<TIndexField>& fields, bool descending, uint16_t languageId) {
    TTableDefinition definition;
    definition.Fields = {TFieldDescriptor::Define("code", FieldType::Integer),
                         TFieldDescriptor::Define("name", FieldType::String, 20)};
    TIndexDefinition index;
    index.Name = "byName";
    index.Fields = fields;
    index.Descending = descending;
    definition.SecondaryIndexes = {index};
    definition.Options.LanguageId = languageId;
    definition.Options.SortId = languageId != 0 ? 1 : 0;
    return definition;
}

std::vector<std::string> Walk(TDataCursorImpl& cursor) {
    std::vector<std::string> names;
    std::vector<uint8_t> buffer(cursor.RecordSize());
    cursor.First();
    while (cursor.GetNext(buffer) == ErrorCode::Success) {
        names.emplace_back(GetStringField(buffer, cursor.Table().Fields()[1]));
    }
    return names;
}

TEST_F(CursorOpenRange, AnOpenEndOfADescendingIndexLeavesThatSideOpen) {
    TDataTableImpl* table = Create("Codes", NamedCodes({TIndexField{2, false}}, true, 0));
    for (const char* name : {"Aachen", "Bonn", "Celle"}) {
        table->InsertRecord(PairRecord(*table, 1, name));
    }
    auto cursor = OpenCursor("Codes", "byName");
    ASSERT_EQ(Walk(*cursor), (std::vector<std::string>{"Celle", "Bonn", "Aachen"}));
    const std::vector<uint8_t> bonn = PairRecord(*table, 1, "Bonn");

    cursor->SetRange(TKeyForm::Record, bonn.data(), 0, nullptr, 0);
    EXPECT_EQ(cursor->RecordCount(), 2);
    EXPECT_EQ(Walk(*cursor), (std::vector<std::string>{"Bonn", "Aachen"}));

    cursor->SetRange(TKeyForm::Record, nullptr, 0, bonn.data(), 0);
    EXPECT_EQ(cursor->RecordCount(), 2);
    EXPECT_EQ(Walk(*cursor), (std::vector<std::string>{"Celle", "Bonn"}));
}

// With a locale a descending field is compared reversed, not stored inverted: after a null code (all zero
// bytes, as the open start) the name decides, and reversed it sorts below the open start.
TEST_F(CursorOpenRange, AnOpenStartTakesInANullFieldBeforeADescendingOne) {
    TDataTableImpl* table =
        Create("Codes", NamedCodes({TIndexField{1, false}, TIndexField{2, true}}, false, 0x0407));
    std::vector<uint8_t> nullCode = BlankRecord(*table);
    SetStringField(nullCode, table->Fields()[1], "Aachen", 0x0407, 1);
    table->InsertRecord(nullCode);
    table->InsertRecord(PairRecord(*table, 1, "Bonn"));
    auto cursor = OpenCursor("Codes", "byName");
    ASSERT_EQ(Walk(*cursor), (std::vector<std::string>{"Aachen", "Bonn"}));
    const std::vector<uint8_t> one = PairRecord(*table, 1, "");

    cursor->SetRange(TKeyForm::Record, nullptr, 0, one.data(), 1);
    EXPECT_EQ(cursor->RecordCount(), 2);
    EXPECT_EQ(Walk(*cursor), (std::vector<std::string>{"Aachen", "Bonn"}));
}

}  // namespace
}  // namespace kartei::testing
