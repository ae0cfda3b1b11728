#pragma once

#include <cstdint>
#include <string>

#include "bench/BenchData.h"
#include "bench/Store.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kartei::bench {

// Builds the same two tables in an SQLite file: city(id INTEGER PRIMARY KEY, city TEXT) with a unique index
// on city, areacode(city_id, areacode) with an index on each column; text in the phone-book collation.
// One transaction; `exclusive` sets the exclusive locking mode first.
void BuildSqlite(const std::string& path, const TBenchRows& rows, bool exclusive);

// SQLite on a file BuildSqlite made, in its default locking mode or with exclusive locking.
class TSqliteStore final : public TStore {
public:
    TSqliteStore(std::string path, bool exclusive, const TWorkloadInputs& inputs);
    ~TSqliteStore() override;

    int64_t OpenAndReadFirst(int count) override;
    void Open() override;
    void Close() override;
    int64_t TypedSearch(size_t k, int count) override;
    int64_t DetailCodes(size_t k) override;
    int64_t PointLookup(size_t k) override;
    int64_t FullScan() override;
    int64_t CountBetween() override;
    int64_t JumpAndRead(size_t k, int count) override;

private:
    // Runs a prepared statement to its end (or `limit` rows), reading every column of every row.
    int64_t Drain(sqlite3_stmt* statement, int64_t limit = INT64_MAX);

    const std::string path_;
    const bool exclusive_;
    const TWorkloadInputs& inputs_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* search_ = nullptr;
    sqlite3_stmt* codes_ = nullptr;
    sqlite3_stmt* lookup_ = nullptr;
    sqlite3_stmt* scan_ = nullptr;
    sqlite3_stmt* count_ = nullptr;
    sqlite3_stmt* jump_ = nullptr;
    // Keeps the column reads observable.
    uint64_t sink_ = 0;
};

}  // namespace kartei::bench
