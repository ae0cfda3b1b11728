#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <memory>

#include "engine/faults/FailingFileSystem.h"
#include "engine/os/OsFileSystem.h"
#include "tools/ToolError.h"
#include "tools/ToolTestSupport.h"

namespace kartei::tools::testing {
namespace {

namespace fs = std::filesystem;
using kartei::testing::TFailingFileSystem;
using kartei::testing::TFaultKind;

// A database the export wrote, opened read-only by SQLite itself, as any SQLite tool would.
class TDatabase {
public:
    explicit TDatabase(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "cannot open " << path << ": " << sqlite3_errmsg(db_);
        }
    }
    ~TDatabase() { sqlite3_close(db_); }

    // The rows of a query, each value as text ("NULL" for null), separated by "|".
    std::vector<std::string> Rows(const std::string& sql) const {
        std::vector<std::string> rows;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
            return rows;
        }
        while (sqlite3_step(statement) == SQLITE_ROW) {
            std::string row;
            for (int k = 0; k < sqlite3_column_count(statement); ++k) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, k));
                row += (k > 0 ? "|" : "") + std::string(text != nullptr ? text : "NULL");
            }
            rows.push_back(row);
        }
        sqlite3_finalize(statement);
        return rows;
    }

private:
    sqlite3* db_ = nullptr;
};

// Runs the tool with arguments made up at run time.
TRun KarteiWith(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    TRun run;
    run.Status = RunKartei(arguments, out, err);
    run.Out = out.str();
    run.Err = err.str();
    return run;
}

class Export : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return temp_.File(name); }
    // Imports the CSV text as the table, with field and index options; the CSV file goes again.
    TRun Import(const std::string& table, const std::string& csv, const std::vector<std::string>& options) {
        WriteBytes(Path("in.csv"), csv);
        std::vector<std::string> arguments{"import", Path("in.csv"), Path(table), "--quiet"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const TRun run = KarteiWith(arguments);
        fs::remove(Path("in.csv"));
        return run;
    }
    // A keyed table T: names unique without regard to case, a number as primary key, a descending index.
    void ImportNames(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> options{
            "--field", "name:string:10",          "--field", "n:integer", "--primary", "n",
            "--index", "name=name:unique:nocase", "--index", "byN=n-"};
        options.insert(options.end(), extra.begin(), extra.end());
        const TRun run = Import("T", CsvLines({"name,n", "celle,3", "Aachen,1", "bonn,2"}), options);
        ASSERT_EQ(run.Status, 0) << run.Err;
    }

    TTempDir temp_;
};

TEST_F(Export, EveryFieldTypeArrivesInItsNearestSqliteType) {
    const std::string header = "id,name,flag,small,count,w,ratio,money,price,day,at,stamp,raw,vraw,note,data";
    const TRun import = Import(
        "All",
        CsvLines({header,
                  "1,\"M\xC3\xBCller, Hans\",true,-5,100000,65535,0.1,12.5,3.10,2024-02-29,08:30:00.250,"
                  "2024-02-29 23:59:59.999,0a0b0c,ffff,\"two\r\nlines \xE2\x82\xAC\",00ff",
                  ",,false,,,,,,-7.00,,,,,,,"}),
        {"--field", "id:autoinc",     "--field", "name:string:20",  "--field", "flag:boolean",
         "--field", "small:smallint", "--field", "count:integer",   "--field", "w:word",
         "--field", "ratio:float",    "--field", "money:currency",  "--field", "price:bcd:2",
         "--field", "day:date",       "--field", "at:time",         "--field", "stamp:datetime",
         "--field", "raw:bytes:3",    "--field", "vraw:varbytes:2", "--field", "note:memo",
         "--field", "data:blob"});
    ASSERT_EQ(import.Status, 0) << import.Err;

    const TRun run = Kartei({"export", Path("All.DAT"), "--sqlite", Path("all.sqlite")});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "exported 2 records into " + Path("all.sqlite") + " (SQLite table \"All\")\n");
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(FilesIn(temp_.Path()),
              (std::vector<std::string>{"All.BLB", "All.DAT", "All.IDX", "all.sqlite"}));

    const TDatabase db(Path("all.sqlite"));
    EXPECT_EQ(db.Rows("SELECT name, type FROM pragma_table_info('All')"),
              (std::vector<std::string>{"id|INTEGER", "name|TEXT", "flag|INTEGER", "small|INTEGER",
                                        "count|INTEGER", "w|INTEGER", "ratio|REAL", "money|REAL",
                                        "price|NUMERIC", "day|TEXT", "at|TEXT", "stamp|TEXT", "raw|BLOB",
                                        "vraw|BLOB", "note|TEXT", "data|BLOB"}));
    const std::string everything =
        "SELECT id, name, flag, small, count, w, ratio = 0.1, money, price, day, at, stamp, quote(raw), "
        "quote(vraw), note, quote(data) FROM \"All\" ORDER BY id";
    EXPECT_EQ(db.Rows(everything),
              (std::vector<std::string>{
                  "1|M\xC3\xBCller, Hans|1|-5|100000|65535|1|12.5|3.1|2024-02-29|08:30:00.250|"
                  "2024-02-29 23:59:59.999|X'0A0B0C'|X'FFFF'|two\r\nlines \xE2\x82\xAC|X'00FF'",
                  "2|NULL|0|NULL|NULL|NULL|NULL|NULL|-7|NULL|NULL|NULL|NULL|NULL|NULL|NULL"}));
    // Storage classes: whole BCD values stay exact integers; dates are text SQLite's functions read.
    EXPECT_EQ(db.Rows("SELECT typeof(price), typeof(day), typeof(raw), julianday(stamp) > julianday(day) "
                      "FROM \"All\" WHERE id = 1"),
              std::vector<std::string>{"real|text|blob|1"});
    EXPECT_EQ(db.Rows("SELECT typeof(price) FROM \"All\" WHERE id = 2"), std::vector<std::string>{"integer"});
}

TEST_F(Export, KeysAndIndexesAreRecreatedWithBuiltInCollations) {
    ImportNames();
    const TRun run = Kartei({"export", Path("T"), "--sqlite", Path("t.db"), "--quiet"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    // A table without a locale that ignores case: only the reach of NOCASE is worth a note.
    EXPECT_EQ(run.Err,
              "kartei export: index 'name' sorts text without regard to the case of any letter; SQLite's "
              "NOCASE disregards the case of ASCII letters only\n");

    const TDatabase db(Path("t.db"));
    // The integer primary key becomes SQLite's row id.
    EXPECT_EQ(db.Rows("SELECT name, pk FROM pragma_table_info('T')"),
              (std::vector<std::string>{"name|0", "n|1"}));
    EXPECT_EQ(db.Rows("SELECT count(*) FROM T WHERE rowid = n"), std::vector<std::string>{"3"});
    EXPECT_EQ(db.Rows("SELECT name, \"unique\" FROM pragma_index_list('T') ORDER BY name"),
              (std::vector<std::string>{"T_byN|0", "T_name|1"}));
    EXPECT_EQ(db.Rows("SELECT name, coll, desc FROM pragma_index_xinfo('T_name') WHERE key"),
              std::vector<std::string>{"name|NOCASE|0"});
    EXPECT_EQ(db.Rows("SELECT name, coll, desc FROM pragma_index_xinfo('T_byN') WHERE key"),
              std::vector<std::string>{"n|BINARY|1"});
    // The indexes answer as the table's do.
    EXPECT_EQ(db.Rows("SELECT name FROM T INDEXED BY T_byN ORDER BY n DESC"),
              (std::vector<std::string>{"celle", "bonn", "Aachen"}));
    EXPECT_EQ(db.Rows("SELECT n FROM T INDEXED BY T_name WHERE name = 'BONN' COLLATE NOCASE"),
              std::vector<std::string>{"2"});
    EXPECT_EQ(db.Rows("PRAGMA integrity_check"), std::vector<std::string>{"ok"});
    // Only built-in collations: the schema names no other.
    for (const std::string& sql : db.Rows("SELECT sql FROM sqlite_schema WHERE sql IS NOT NULL")) {
        for (size_t at = sql.find("COLLATE "); at != std::string::npos; at = sql.find("COLLATE ", at + 1)) {
            EXPECT_EQ(sql.substr(at, 14), "COLLATE NOCASE") << sql;
        }
    }
}

TEST_F(Export, ALocaleOrderThatCannotTravelIsNoted) {
    ImportNames({"--locale", "0407:1"});
    const TRun run = Kartei({"export", Path("T.DAT"), "--sqlite", Path("t.db")});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(
        run.Err,
        "kartei export: index 'name' sorts text in the table's locale (de_DE@collation=phonebook), which "
        "SQLite does not know: there it sorts by code point, ASCII letters without case (NOCASE)\n");
    // The primary key and "byN" hold no text: nothing to note.
    EXPECT_EQ(TDatabase(Path("t.db")).Rows("SELECT count(*) FROM T"), std::vector<std::string>{"3"});
}

TEST_F(Export, AnExistingFileIsOnlyReplacedWhenAskedAndNeverATableFile) {
    ImportNames();
    WriteBytes(Path("t.db"), "old");
    const TRun refused = Kartei({"export", Path("T"), "--sqlite", Path("t.db")});
    EXPECT_EQ(refused.Status, ExitStatus::BadInput);
    EXPECT_EQ(refused.Err, "kartei export: '" + Path("t.db") + "' exists (--force replaces it)\n");
    EXPECT_EQ(ReadBytes(Path("t.db")), "old");

    const TRun forced = Kartei({"export", Path("T"), "--sqlite", Path("t.db"), "--force"});
    ASSERT_EQ(forced.Status, 0) << forced.Err;
    EXPECT_EQ(TDatabase(Path("t.db")).Rows("SELECT n FROM T ORDER BY n"),
              (std::vector<std::string>{"1", "2", "3"}));

    for (const char* own : {"T.DAT", "T.IDX"}) {
        const TRun itself = Kartei({"export", Path("T"), "--sqlite", Path(own), "--force"});
        EXPECT_EQ(itself.Status, ExitStatus::BadInput);
        EXPECT_EQ(itself.Err, "kartei export: '" + Path(own) + "' is one of the table's own files\n");
    }
    EXPECT_EQ(Kartei({"verify", Path("T")}).Status, 0);

    const TRun folder = Kartei({"export", Path("T"), "--sqlite", temp_.Path(), "--force"});
    EXPECT_EQ(folder.Status, ExitStatus::BadInput);
    EXPECT_EQ(folder.Err, "kartei export: '" + temp_.Path() + "' is a directory\n");
    EXPECT_EQ(FilesIn(temp_.Path()), (std::vector<std::string>{"T.DAT", "T.IDX", "t.db"}));
}

TEST_F(Export, TheCommandLineNamesTheDatabase) {
    ImportNames();
    const TRun missing = Kartei({"export", Path("T")});
    EXPECT_EQ(missing.Status, ExitStatus::Usage);
    EXPECT_EQ(missing.Err,
              "kartei export: give the database to write with --sqlite FILE\nTry 'kartei export --help'.\n");
    const TRun nowhere = Kartei({"export", Path("T"), "--sqlite", Path("no/such/folder/t.db")});
    EXPECT_EQ(nowhere.Status, ExitStatus::BadInput);
    EXPECT_EQ(nowhere.Err, "kartei export: cannot create a file in '" + Path("no/such/folder") +
                               "': No such file or directory\n");
    const TRun noTable = Kartei({"export", Path("none"), "--sqlite", Path("t.db")});
    EXPECT_EQ(noTable.Status, ExitStatus::BadInput);
    EXPECT_EQ(FilesIn(temp_.Path()), (std::vector<std::string>{"T.DAT", "T.IDX"}));
}

// For every n, the n-th read of the table fails: the export either completes or leaves no file at all,
// not even its temporary one.
TEST_F(Export, AFailedExportLeavesNoFile) {
    ImportNames();
    WriteBytes(Path("keep.db"), "before");
    const auto exportWith = [&](TFailingFileSystem& disk, const std::string& target) {
        const TScopedOsFileSystem scoped(disk);
        return Kartei({"export", Path("T"), "--sqlite", Path(target), "--force"});
    };
    TFailingFileSystem counting(TFaultKind::Read, 0);
    ASSERT_EQ(exportWith(counting, "count.db").Status, 0);
    fs::remove(Path("count.db"));
    ASSERT_GT(counting.Calls(), 0);
    int failures = 0;
    for (int64_t n = 1; n <= counting.Calls(); ++n) {
        SCOPED_TRACE("read " + std::to_string(n));
        TFailingFileSystem disk(TFaultKind::Read, n);
        const TRun run = exportWith(disk, "keep.db");
        if (run.Status == 0) {
            EXPECT_EQ(TDatabase(Path("keep.db")).Rows("SELECT count(*) FROM T"),
                      std::vector<std::string>{"3"});
            WriteBytes(Path("keep.db"), "before");
        } else {
            ++failures;
            EXPECT_NE(run.Err.find("Kartei Engine Error # 9217"), std::string::npos) << run.Err;
            EXPECT_EQ(ReadBytes(Path("keep.db")), "before");
        }
        EXPECT_EQ(FilesIn(temp_.Path()), (std::vector<std::string>{"T.DAT", "T.IDX", "keep.db"}));
    }
    EXPECT_GT(failures, 0);
}

}  // namespace
}  // namespace kartei::tools::testing
