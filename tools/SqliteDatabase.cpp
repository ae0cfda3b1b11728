#include "tools/SqliteDatabase.h"

#include <sqlite3.h>

#include "tools/ToolError.h"

namespace kartei::tools {

TSqliteDatabase::TSqliteDatabase(const std::string& path) {
    const int result =
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (result != SQLITE_OK) {
        const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(result);
        sqlite3_close(db_);
        db_ = nullptr;
        throw InputError("cannot create the SQLite database '" + path + "': " + message);
    }
}

TSqliteDatabase::~TSqliteDatabase() {
    sqlite3_close(db_);
}

void TSqliteDatabase::Execute(const std::string& sql) {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        Fail(sql);
    }
}

void TSqliteDatabase::Close() {
    if (sqlite3_close(db_) != SQLITE_OK) {
        Fail("closing the database");
    }
    db_ = nullptr;
}

void TSqliteDatabase::Fail(std::string_view doing) const {
    throw InputError("SQLite failed (" + std::string(doing) + "): " + sqlite3_errmsg(db_));
}

TSqliteStatement::TSqliteStatement(TSqliteDatabase& database, const std::string& sql) : database_(database) {
    if (sqlite3_prepare_v2(database_.Handle(), sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK) {
        database_.Fail(sql);
    }
}

TSqliteStatement::~TSqliteStatement() {
    sqlite3_finalize(statement_);
}

void TSqliteStatement::Check(int result, std::string_view doing) const {
    if (result != SQLITE_OK) {
        database_.Fail(doing);
    }
}

void TSqliteStatement::BindNull(int parameter) {
    Check(sqlite3_bind_null(statement_, parameter), "binding a value");
}

void TSqliteStatement::BindInteger(int parameter, int64_t value) {
    Check(sqlite3_bind_int64(statement_, parameter, value), "binding a value");
}

void TSqliteStatement::BindReal(int parameter, double value) {
    Check(sqlite3_bind_double(statement_, parameter, value), "binding a value");
}

void TSqliteStatement::BindText(int parameter, std::string_view utf8) {
    Check(sqlite3_bind_text64(statement_, parameter, utf8.data(), utf8.size(), SQLITE_TRANSIENT, SQLITE_UTF8),
          "binding a value");
}

void TSqliteStatement::BindBlob(int parameter, std::span<const uint8_t> bytes) {
    // An empty blob is a value, not a null: SQLite takes a null pointer as null.
    static const uint8_t kNothing = 0;
    Check(sqlite3_bind_blob64(statement_, parameter, bytes.empty() ? &kNothing : bytes.data(), bytes.size(),
                              SQLITE_TRANSIENT),
          "binding a value");
}

void TSqliteStatement::Run() {
    const int result = sqlite3_step(statement_);
    sqlite3_reset(statement_);
    if (result != SQLITE_DONE) {
        database_.Fail("inserting a record");
    }
}

}  // namespace kartei::tools
