#include "tools/Insert.h"

#include <ostream>

#include "tools/CsvRecords.h"
#include "tools/FieldSyntax.h"
#include "tools/Progress.h"
#include "tools/TableEdit.h"
#include "tools/ToolError.h"

namespace kartei::tools {

TInsertCommand::TInsertCommand()
    : TCommand("insert", "add the records of a CSV file to a table",
               TArgumentParser(
                   "TABLE CSV [--quiet]",
                   "Adds the records of a CSV file (RFC 4180, UTF-8, the first line naming the fields) to\n"
                   "TABLE, in the forms `kartei import` reads: every column must be a field of the table,\n"
                   "and every field but an auto-increment one needs a column; an auto-increment field left\n"
                   "out (or empty) is numbered. The records go in as one transaction: when one of them\n"
                   "cannot be stored, none is. Other users may have the table open meanwhile.",
                   "Examples:\n"
                   "  kartei insert db/City.DAT new-cities.csv\n"
                   "  kartei insert db/AreaCode.DAT new-codes.csv --quiet\n")) {
    Parser().AddPositional("TABLE", "the table's data file (.DAT; the extension may be left out)");
    Parser().AddPositional("CSV", "the CSV file to read");
    Parser().AddOption("--quiet", "", "no progress lines and no count on standard error");
}

int TInsertCommand::Execute(const TParsedArguments& arguments, std::ostream&, std::ostream& err) {
    TCsvRecords records(arguments.Positionals[1]);
    TTableEdit edit(arguments.Positionals[0]);
    TProgress progress(err, Name(), arguments.Has("--quiet"));
    const int64_t count = records.InsertInto(edit.Table(), progress, [&](const std::string&) {
        return "its fields: " + FieldNames(edit.Table().Fields());
    });
    edit.Commit();
    if (!progress.Quiet()) {
        err << "kartei insert: inserted " << RecordsText(count) << " into " << edit.DataFile() << '\n';
    }
    return ExitStatus::Ok;
}

}  // namespace kartei::tools
