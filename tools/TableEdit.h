#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "engine/cursor/DataCursor.h"
#include "engine/table/DataTable.h"
#include "tools/Arguments.h"
#include "tools/Progress.h"
#include "tools/TableSession.h"

namespace kartei::tools {

// One edit of a table as one transaction: the table is opened shared, so that other users (the running
// program) go on reading it, and its changes reach the files together at Commit, or not at all when the
// edit ends without it. The transaction holds the table's write lock from the start: no other process
// changes the table in between.
class TTableEdit {
public:
    // Opens the table (checking it as the first user) and starts the transaction. EToolError and engine
    // errors as TTableSession and the open raise them; EToolError (bad input) for a table whose files are
    // read-only.
    explicit TTableEdit(const std::string& path);
    // Without Commit: rolls the changes back.
    ~TTableEdit();
    TTableEdit(const TTableEdit&) = delete;
    TTableEdit& operator=(const TTableEdit&) = delete;

    TDataTable& Table() { return cursor_.Table(); }
    const std::string& DataFile() const { return session_.DataFile(); }

    // The records the arguments select (Selection.h), collected before the first change so that the
    // changes do not disturb the walk and no record is met twice: `change` gets each record's number and
    // its image, a step of `progress` after each. An engine error names the record.
    void ChangeSelection(const TParsedArguments& arguments, TProgress& progress,
                         const std::function<void(int32_t number, std::span<uint8_t> image)>& change);

    void Commit();

private:
    TTableSession session_;
    TDataCursor cursor_;
    bool inTransaction_ = false;
};

}  // namespace kartei::tools
