#include "tools/Verify.h"

#include <filesystem>
#include <ostream>

#include "kartei/Errors.h"
#include "tools/EngineFailure.h"
#include "tools/TableCheck.h"
#include "tools/TableSession.h"
#include "tools/ToolError.h"

namespace kartei::tools {

TVerifyCommand::TVerifyCommand()
    : TCommand("verify", "check a table's files thoroughly",
               TArgumentParser(
                   "TABLE",
                   "Checks a table: its data file header and field descriptors, the index file header,\n"
                   "the structure of every index and that each holds exactly the table's records\n"
                   "under their keys, the record slots and free list, and every blob chain.\n"
                   "Prints what is wrong; the exit status is 1 when anything is.\n"
                   "A missing index file is rebuilt from the records first (only the record\n"
                   "order survives; secondary indexes have to be made again).",
                   "Example:\n  kartei verify db/AreaCode.DAT\n")) {
    Parser().AddPositional("TABLE", "the table's data file (.DAT; the extension may be left out)");
}

int TVerifyCommand::Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream&) {
    TTableSession session(arguments.Positionals[0]);
    const std::string& path = session.DataFile();
    const bool indexMissing = !std::filesystem::exists(session.FileNames().Index);
    std::vector<std::string> findings;
    bool opened = false;
    try {
        TDataTableImpl& table = session.Open(false);
        opened = true;
        findings = CheckTable(table);
    } catch (const EKarteiEngineError& error) {
        findings.push_back(EngineMessage(error));
    }
    if (indexMissing && opened) {
        out << path << ": the index file was missing and has been rebuilt\n";
    }
    if (findings.empty()) {
        out << path << ": OK\n";
        return ExitStatus::Ok;
    }
    out << path << ": " << findings.size() << (findings.size() == 1 ? " problem" : " problems") << '\n';
    for (const std::string& finding : findings) {
        out << "  " << finding << '\n';
    }
    return ExitStatus::Damaged;
}

}  // namespace kartei::tools
