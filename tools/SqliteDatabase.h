#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace kartei::tools {

// One connection to an SQLite database file, closed with the object. Every failure is an EToolError
// (bad input) naming what was being done and SQLite's message.
class TSqliteDatabase {
public:
    // Opens (creating when missing) the file for writing.
    explicit TSqliteDatabase(const std::string& path);
    ~TSqliteDatabase();
    TSqliteDatabase(const TSqliteDatabase&) = delete;
    TSqliteDatabase& operator=(const TSqliteDatabase&) = delete;

    // Runs statements that return no rows.
    void Execute(const std::string& sql);
    // Closes the connection; a failure to do so is reported (the destructor drops it).
    void Close();

    sqlite3* Handle() const { return db_; }
    [[noreturn]] void Fail(std::string_view doing) const;

private:
    sqlite3* db_ = nullptr;
};

// A prepared statement of a database that the caller binds, steps and resets, row after row.
class TSqliteStatement {
public:
    TSqliteStatement(TSqliteDatabase& database, const std::string& sql);
    ~TSqliteStatement();
    TSqliteStatement(const TSqliteStatement&) = delete;
    TSqliteStatement& operator=(const TSqliteStatement&) = delete;

    // Parameters count from 1.
    void BindNull(int parameter);
    void BindInteger(int parameter, int64_t value);
    void BindReal(int parameter, double value);
    void BindText(int parameter, std::string_view utf8);
    void BindBlob(int parameter, std::span<const uint8_t> bytes);
    // Runs the statement once (it returns no rows) and makes it ready for the next values.
    void Run();

private:
    void Check(int result, std::string_view doing) const;

    TSqliteDatabase& database_;
    sqlite3_stmt* statement_ = nullptr;
};

}  // namespace kartei::tools
