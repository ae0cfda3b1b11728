#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/format/FieldDescriptor.h"
#include "engine/table/DataTable.h"

namespace kartei::tools {

// The SQLite storage a field's values take: the nearest of SQLite's types.
//   INTEGER  smallint, integer, auto-increment, word, boolean (0 and 1)
//   REAL     float, currency
//   NUMERIC  BCD (whole values as integers, others as reals)
//   TEXT     string, memo, formatted memo (UTF-8); date, time, date-time (ISO 8601)
//   BLOB     bytes, varbytes, every other blob, and every type without a conversion
enum class TSqliteType { Integer, Real, Numeric, Text, Blob };

TSqliteType SqliteTypeOf(const TFieldDescriptor& field);

// A table as SQLite statements: one SQLite table of the given name with a column per field (same names,
// SqliteTypeOf types) and the primary key, an index per secondary index (named TABLE_INDEX), and the
// insert statement for one record. Indexes use SQLite's built-in collations only: NOCASE for the strings
// of a case-insensitive index, else BINARY. Names are UTF-8.
struct TSqliteSchema {
    std::string CreateTable;
    std::vector<std::string> CreateIndexes;
    std::string Insert;
    // Where an index's order of text cannot travel (a locale's order, or case beyond ASCII letters), one
    // sentence each.
    std::vector<std::string> Notes;
};

TSqliteSchema SqliteSchemaOf(TDataTable& table, std::string_view sqliteName);

// A name as an SQL identifier: in double quotes, any double quote doubled.
std::string QuotedIdentifier(std::string_view name);

}  // namespace kartei::tools
