#include "tools/Kartei.h"

#include <memory>
#include <ostream>
#include <vector>

#include "tools/Delete.h"
#include "tools/Dump.h"
#include "tools/Export.h"
#include "tools/Import.h"
#include "tools/Info.h"
#include "tools/Insert.h"
#include "tools/Repair.h"
#include "tools/Shipped.h"
#include "tools/ToolError.h"
#include "tools/Update.h"
#include "tools/Verify.h"

namespace kartei::tools {
namespace {

std::vector<std::unique_ptr<TCommand>> Commands() {
    std::vector<std::unique_ptr<TCommand>> commands;
    commands.push_back(std::make_unique<TInfoCommand>());
    commands.push_back(std::make_unique<TDumpCommand>());
    commands.push_back(std::make_unique<TVerifyCommand>());
    commands.push_back(std::make_unique<TRepairCommand>());
    commands.push_back(std::make_unique<TImportCommand>());
    commands.push_back(std::make_unique<TInsertCommand>());
    commands.push_back(std::make_unique<TDeleteCommand>());
    commands.push_back(std::make_unique<TUpdateCommand>());
    commands.push_back(std::make_unique<TShippedCommand>());
    commands.push_back(std::make_unique<TExportCommand>());
    return commands;
}

void PrintUsage(std::ostream& stream, const std::vector<std::unique_ptr<TCommand>>& commands) {
    stream << "Usage: kartei COMMAND [ARGUMENTS]\n\n"
              "Looks into, checks, makes and edits Kartei tables (.DAT with .IDX and .BLB). Text on\n"
              "the command line, in CSV files and in the output is UTF-8; tables hold Windows-1252.\n\n"
              "A table password, with the fixed keys that scramble the table's files, keeps casual eyes\n"
              "out but is no encryption: anyone who has the files can read them, the password included.\n\n"
              "Commands:\n";
    for (const std::unique_ptr<TCommand>& command : commands) {
        stream << "  " << command->Name() << std::string(10 - command->Name().size(), ' ')
               << command->Summary() << '\n';
    }
    stream << "\n'kartei COMMAND --help' describes a command.\n\n"
              "Exit status: 0 success, 1 the table is damaged or not a table (or verify found\n"
              "problems), 2 the command line is wrong, 3 the input cannot be used (a missing file,\n"
              "an unknown index, a bad CSV file or value, a write the table refuses).\n";
}

}  // namespace

int RunKartei(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
    const std::vector<std::unique_ptr<TCommand>> commands = Commands();
    if (arguments.empty()) {
        PrintUsage(err, commands);
        return ExitStatus::Usage;
    }
    const std::string& name = arguments[0];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(out, commands);
        return ExitStatus::Ok;
    }
    for (const std::unique_ptr<TCommand>& command : commands) {
        if (command->Name() == name) {
            return command->Run(arguments.subspan(1), out, err);
        }
    }
    err << "kartei: unknown command '" << name << "'\nTry 'kartei --help'.\n";
    return ExitStatus::Usage;
}

}  // namespace kartei::tools
