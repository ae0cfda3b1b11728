#include "tools/Export.h"

#include <filesystem>
#include <ostream>

#include "engine/cursor/DataCursor.h"
#include "engine/errors/ErrorContext.h"
#include "tools/ReplacingFile.h"
#include "tools/SqliteDatabase.h"
#include "tools/SqliteRecord.h"
#include "tools/SqliteSchema.h"
#include "tools/TableSession.h"
#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

namespace fs = std::filesystem;

// Records between two progress lines.
constexpr int64_t kProgressStep = 10000;

// The database may replace a file only when asked to, and never one of the table's own.
void CheckTarget(const std::string& target, const TTableFileNames& tableFiles, bool force) {
    if (target.empty()) {
        throw UsageError("--sqlite needs the name of the database file to write");
    }
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    if (!fs::exists(status)) {
        return;
    }
    if (fs::is_directory(status)) {
        throw InputError("'" + target + "' is a directory");
    }
    for (const std::string& own : {tableFiles.Data, tableFiles.Index, tableFiles.Blob}) {
        if (fs::equivalent(target, own, error)) {
            throw InputError("'" + target + "' is one of the table's own files");
        }
    }
    if (!force) {
        throw InputError("'" + target + "' exists (--force replaces it)");
    }
}

}  // namespace

TExportCommand::TExportCommand()
    : TCommand("export", "write a table into an SQLite database",
               TArgumentParser(
                   "TABLE --sqlite FILE [--force] [--quiet]",
                   "Writes a table into a new SQLite database, so that any SQLite tool can query it: one\n"
                   "SQLite table named after the table (City for City.DAT), a column per field under the\n"
                   "field's name, the primary key, and an index per secondary index (named TABLE_INDEX).\n"
                   "Column types: integers, auto-increment and word INTEGER, booleans INTEGER 0/1, float\n"
                   "and currency REAL, BCD NUMERIC, strings and memos TEXT (UTF-8), dates, times and\n"
                   "date-times TEXT in ISO 8601 (YYYY-MM-DD, HH:MM:SS.mmm), bytes and other blobs BLOB;\n"
                   "null fields are NULL. Indexes use SQLite's built-in collations only (NOCASE where the\n"
                   "index ignores case), so the file opens anywhere; where an index's order of text cannot\n"
                   "travel (a locale's order), a note on standard error says so. An existing FILE is only\n"
                   "replaced with --force; a failed export leaves no file behind.",
                   "Examples:\n"
                   "  kartei export db/City.DAT --sqlite city.sqlite\n"
                   "  sqlite3 city.sqlite \"SELECT City FROM City WHERE City LIKE 'Ber%'\"\n")) {
    Parser().AddPositional("TABLE", "the table's data file (.DAT; the extension may be left out)");
    Parser().AddOption("--sqlite", "FILE", "the SQLite database to write");
    Parser().AddOption("--force", "", "replace an existing FILE");
    Parser().AddOption("--quiet", "", "no progress lines on standard error");
}

int TExportCommand::Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream& err) {
    if (!arguments.Has("--sqlite")) {
        throw UsageError("give the database to write with --sqlite FILE");
    }
    const std::string target = arguments.Value("--sqlite");
    TTableSession session(arguments.Positionals[0]);
    CheckTarget(target, session.FileNames(), arguments.Has("--force"));
    TDataCursor cursor(session.Directory());
    session.OpenCursor(cursor);
    TDataTable& table = cursor.Table();
    const std::string name = fs::path(session.DataFile()).stem().string();
    const TSqliteSchema schema = SqliteSchemaOf(table, name);
    TReplacingFile file(target);
    for (const std::string& note : schema.Notes) {
        err << "kartei export: " << note << '\n';
    }

    int64_t count = 0;
    {
        TSqliteDatabase database(file.TemporaryPath());
        // The file only counts once complete and moved into place: no journal, no waiting for the disk.
        database.Execute("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN");
        database.Execute(schema.CreateTable);
        {
            TSqliteStatement insert(database, schema.Insert);
            TSqliteRecordBinder binder(table);
            std::vector<uint8_t> record(cursor.RecordSize());
            cursor.First();
            for (int status = cursor.GetNext(record); status != CursorStatus::EndOfFile;
                 status = cursor.GetNext(record)) {
                if (status != CursorStatus::Ok) {
                    RaiseKarteiError(static_cast<uint16_t>(status), table.Name());
                }
                binder.Bind(record, insert);
                insert.Run();
                if (++count % kProgressStep == 0 && !arguments.Has("--quiet")) {
                    err << "kartei export: " << count << " records\n" << std::flush;
                }
            }
        }
        for (const std::string& index : schema.CreateIndexes) {
            database.Execute(index);
        }
        database.Execute("COMMIT");
        database.Close();
    }
    file.Commit();
    out << "exported " << count << (count == 1 ? " record" : " records") << " into " << target
        << " (SQLite table \"" << name << "\")\n";
    return ExitStatus::Ok;
}

}  // namespace kartei::tools
