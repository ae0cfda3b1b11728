#include <gtest/gtest.h>

#include "engine/cursor/CursorTestSupport.h"

namespace kartei::testing {
namespace {

// A cursor before the first record (or after the last) stays there when another cursor of the process
// deletes that record: the next step hands out the record that is now first (last). Found by the
// model-checked workload's concurrent walks (tests/tools/model).
using CursorEdgeChange = CursorTest;

// Records 1, 2, 3: Aachen, Bonn, Celle, in record order and in the order of the index City.
std::string StepAfterDeleting(TDataTableImpl& table, TDataCursorImpl& cursor, bool fromFirst) {
    if (fromFirst) {
        cursor.First();
    } else {
        cursor.Last();
    }
    table.DeleteRecord(fromFirst ? 1 : 3);
    std::vector<uint8_t> buffer(cursor.RecordSize());
    const int status = fromFirst ? cursor.GetNext(buffer) : cursor.GetPrior(buffer);
    return status == ErrorCode::Success ? std::string(GetStringField(buffer, table.Fields()[1])) : "(none)";
}

TEST_F(CursorEdgeChange, DeletingTheFirstRecordKeepsACursorBeforeTheFirstInRecordOrder) {
    TDataTableImpl* table = MakeCities({"Aachen", "Bonn", "Celle"});
    auto cursor = OpenCursor("City", "", true);
    EXPECT_EQ(StepAfterDeleting(*table, *cursor, true), "Bonn");
}

TEST_F(CursorEdgeChange, DeletingTheLastRecordKeepsACursorAfterTheLastInRecordOrder) {
    TDataTableImpl* table = MakeCities({"Aachen", "Bonn", "Celle"});
    auto cursor = OpenCursor("City", "", true);
    EXPECT_EQ(StepAfterDeleting(*table, *cursor, false), "Bonn");
}

TEST_F(CursorEdgeChange, DeletingTheFirstRecordKeepsACursorBeforeTheFirstInAnIndex) {
    TDataTableImpl* table = MakeCities({"Aachen", "Bonn", "Celle"});
    auto cursor = OpenCursor("City", "City");
    EXPECT_EQ(StepAfterDeleting(*table, *cursor, true), "Bonn");
}

TEST_F(CursorEdgeChange, DeletingTheLastRecordKeepsACursorAfterTheLastInAnIndex) {
    TDataTableImpl* table = MakeCities({"Aachen", "Bonn", "Celle"});
    auto cursor = OpenCursor("City", "City");
    EXPECT_EQ(StepAfterDeleting(*table, *cursor, false), "Bonn");
}

}  // namespace
}  // namespace kartei::testing
