#include "bench/SqliteStore.h"

#include <sqlite3.h>

#include <stdexcept>

#include "bench/CacheBudget.h"
#include "bench/PhoneBookOrder.h"

namespace kartei::bench {
namespace {

int CollatePhoneBook(void*, int aLength, const void* a, int bLength, const void* b) {
    return PhoneBookOrder().Compare(static_cast<const char*>(a), static_cast<size_t>(aLength),
                                    static_cast<const char*>(b), static_cast<size_t>(bLength));
}

void Check(sqlite3* db, int result, const char* what) {
    if (result != SQLITE_OK && result != SQLITE_DONE && result != SQLITE_ROW) {
        throw std::runtime_error(std::string("SQLite: ") + what + ": " + sqlite3_errmsg(db));
    }
}

void Execute(sqlite3* db, const char* sql) {
    Check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr), sql);
}

sqlite3* Connect(const std::string& path, bool exclusive, bool create) {
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        throw std::runtime_error("SQLite: cannot open " + path + ": " + message);
    }
    Check(db, sqlite3_create_collation(db, "phonebook", SQLITE_UTF8, nullptr, CollatePhoneBook), "collation");
    Execute(db, kSqliteCacheBudget);
    if (exclusive) {
        Execute(db, "PRAGMA locking_mode=EXCLUSIVE");
    }
    return db;
}

sqlite3_stmt* Prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    Check(db, sqlite3_prepare_v2(db, sql, -1, &statement, nullptr), sql);
    return statement;
}

void BindText(sqlite3_stmt* statement, int index, const std::string& text) {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

}  // namespace

void BuildSqlite(const std::string& path, const TBenchRows& rows, bool exclusive) {
    sqlite3* db = Connect(path, exclusive, true);
    Execute(db,
            "CREATE TABLE city(id INTEGER PRIMARY KEY, city TEXT NOT NULL COLLATE phonebook);"
            "CREATE UNIQUE INDEX city_city ON city(city);"
            "CREATE TABLE areacode(city_id INTEGER, areacode TEXT COLLATE phonebook);"
            "CREATE INDEX areacode_areacode ON areacode(areacode);"
            "CREATE INDEX areacode_city_id ON areacode(city_id);"
            "BEGIN");
    sqlite3_stmt* city = Prepare(db, "INSERT INTO city(id, city) VALUES(?1, ?2)");
    int32_t id = 0;
    for (const std::string& name : rows.Cities) {
        sqlite3_bind_int(city, 1, ++id);
        BindText(city, 2, name);
        Check(db, sqlite3_step(city), "insert city");
        sqlite3_reset(city);
    }
    sqlite3_finalize(city);
    sqlite3_stmt* code = Prepare(db, "INSERT INTO areacode(city_id, areacode) VALUES(?1, ?2)");
    for (const TBenchRows::TCode& row : rows.Codes) {
        sqlite3_bind_int(code, 1, row.CityId);
        BindText(code, 2, row.Code);
        Check(db, sqlite3_step(code), "insert code");
        sqlite3_reset(code);
    }
    sqlite3_finalize(code);
    Execute(db, "COMMIT");
    sqlite3_close(db);
}

TSqliteStore::TSqliteStore(std::string path, bool exclusive, const TWorkloadInputs& inputs)
    : path_(std::move(path)), exclusive_(exclusive), inputs_(inputs) {}

TSqliteStore::~TSqliteStore() {
    Close();
}

int64_t TSqliteStore::Drain(sqlite3_stmt* statement, int64_t limit) {
    int64_t rows = 0;
    int result = SQLITE_ROW;
    while (rows < limit && (result = sqlite3_step(statement)) == SQLITE_ROW) {
        ++rows;
        const int columns = sqlite3_column_count(statement);
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(statement, c) == SQLITE_TEXT) {
                const unsigned char* text = sqlite3_column_text(statement, c);
                sink_ += text[0] + static_cast<uint64_t>(sqlite3_column_bytes(statement, c));
            } else {
                sink_ += static_cast<uint64_t>(sqlite3_column_int64(statement, c));
            }
        }
    }
    Check(db_, result, "step");
    sqlite3_reset(statement);
    return rows;
}

int64_t TSqliteStore::OpenAndReadFirst(int count) {
    db_ = Connect(path_, exclusive_, false);
    sqlite3_stmt* first = Prepare(db_, "SELECT id, city FROM city ORDER BY city LIMIT ?1");
    sqlite3_bind_int(first, 1, count);
    const int64_t rows = Drain(first);
    sqlite3_finalize(first);
    sqlite3_close(db_);
    db_ = nullptr;
    return rows;
}

void TSqliteStore::Open() {
    db_ = Connect(path_, exclusive_, false);
    search_ = Prepare(db_, "SELECT id, city FROM city WHERE city >= ?1 ORDER BY city LIMIT ?2");
    codes_ = Prepare(db_, "SELECT city_id, areacode FROM areacode WHERE city_id = ?1");
    lookup_ = Prepare(db_, "SELECT id, city FROM city WHERE id = ?1");
    scan_ = Prepare(db_, "SELECT id, city FROM city ORDER BY city");
    count_ = Prepare(db_, "SELECT count(*) FROM city WHERE city BETWEEN ?1 AND ?2");
    jump_ = Prepare(db_, "SELECT id, city FROM city ORDER BY city LIMIT ?2 OFFSET ?1");
}

void TSqliteStore::Close() {
    for (sqlite3_stmt** statement : {&search_, &codes_, &lookup_, &scan_, &count_, &jump_}) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
    }
    sqlite3_close(db_);
    db_ = nullptr;
}

int64_t TSqliteStore::TypedSearch(size_t k, int count) {
    BindText(search_, 1, inputs_.Prefixes[k]);
    sqlite3_bind_int(search_, 2, count);
    return Drain(search_);
}

int64_t TSqliteStore::DetailCodes(size_t k) {
    sqlite3_bind_int(codes_, 1, inputs_.DetailCityIds[k]);
    return Drain(codes_);
}

int64_t TSqliteStore::PointLookup(size_t k) {
    sqlite3_bind_int(lookup_, 1, inputs_.LookupIds[k]);
    return Drain(lookup_);
}

int64_t TSqliteStore::FullScan() {
    return Drain(scan_);
}

int64_t TSqliteStore::CountBetween() {
    BindText(count_, 1, inputs_.CountFrom);
    BindText(count_, 2, inputs_.CountTo);
    if (sqlite3_step(count_) != SQLITE_ROW) {
        Check(db_, SQLITE_ERROR, "count");
    }
    const int64_t count = sqlite3_column_int64(count_, 0);
    sqlite3_reset(count_);
    return count;
}

int64_t TSqliteStore::JumpAndRead(size_t k, int count) {
    sqlite3_bind_int(jump_, 1, inputs_.Ordinals[k] - 1);
    sqlite3_bind_int(jump_, 2, count);
    return Drain(jump_);
}

}  // namespace kartei::bench
