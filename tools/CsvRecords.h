#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/table/DataTable.h"
#include "tools/CsvReader.h"
#include "tools/Progress.h"

namespace kartei::tools {

// A CSV file (RFC 4180, UTF-8) whose first line names fields of a table and whose other lines are records
// for it, with values in the forms FieldParse.h reads (an empty value is null). Every column must be a field
// of the table and every field but an auto-increment one needs a column; an auto-increment field left out or
// empty is numbered by the table.
class TCsvRecords {
public:
    // What to add to the message about a column that is no field of the table, e.g. "add --field C:TYPE".
    using TUnknownColumnAdvice = std::function<std::string(const std::string& column)>;

    // Opens the file and reads its first line: EToolError (bad input) when it cannot be read or is empty.
    explicit TCsvRecords(const std::string& path);

    // Adds every record to the table, in file order, with a progress step each; returns how many were added.
    // EToolError (bad input) for columns that do not fit the fields, and, naming the CSV line (and field),
    // for a line that cannot be read, a value that does not fit or a record the table refuses.
    int64_t InsertInto(TDataTableImpl& table, TProgress& progress, const TUnknownColumnAdvice& advice);
    // The same for a table just created: its indexes are built once all records are in
    // (TDataTableImpl::DeferIndexes), far faster than record by record. A key that a record repeats is told
    // as InsertInto tells it, for the first such record, and before any failure of a later line.
    int64_t FillNew(TDataTableImpl& table, TProgress& progress, const TUnknownColumnAdvice& advice);

private:
    // Builds the deferred indexes; a repeated key is EToolError naming the line of its record.
    void BuildIndexes(TDataTableImpl& table) const;

    std::string path_;
    std::ifstream file_;
    TCsvReader reader_;
    std::vector<std::string> header_;
    // FillNew: the CSV line of each record added, by record number.
    std::vector<int64_t> recordLines_;
    bool keepLines_ = false;
};

}  // namespace kartei::tools
