#include "tools/Delete.h"

#include <ostream>

#include "tools/Progress.h"
#include "tools/Selection.h"
#include "tools/TableEdit.h"
#include "tools/ToolError.h"

namespace kartei::tools {

TDeleteCommand::TDeleteCommand()
    : TCommand("delete", "delete the selected records of a table",
               TArgumentParser(
                   std::string("TABLE ") + kSelectionUsage + " [--all]",
                   "Deletes the records that `kartei dump` lists with the same selection: those of a range\n"
                   "on the first field of the index (the named one, else the primary index), or with --all\n"
                   "every record. The records go as one transaction: when one of them cannot be deleted,\n"
                   "none is. Other users may have the table open meanwhile.",
                   "Examples:\n"
                   "  kartei delete db/AreaCode.DAT --index city_id --range 42\n"
                   "  kartei delete db/AreaCode.DAT --index areacode --from 0301 --to 0309\n")) {
    Parser().AddPositional("TABLE", "the table's data file (.DAT; the extension may be left out)");
    AddEditSelectionOptions(Parser());
    Parser().AddOption("--quiet", "", "no progress lines and no count on standard error");
}

int TDeleteCommand::Execute(const TParsedArguments& arguments, std::ostream&, std::ostream& err) {
    CheckEditSelection(arguments);
    TTableEdit edit(arguments.Positionals[0]);
    TProgress progress(err, Name(), arguments.Has("--quiet"));
    edit.ChangeSelection(arguments, progress,
                         [&](int32_t number, std::span<uint8_t>) { edit.Table().DeleteRecord(number); });
    edit.Commit();
    if (!progress.Quiet()) {
        err << "kartei delete: deleted " << RecordsText(progress.Count()) << " from " << edit.DataFile()
            << '\n';
    }
    return ExitStatus::Ok;
}

}  // namespace kartei::tools
