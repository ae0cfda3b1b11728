#include "tools/Command.h"

#include <ostream>

#include "kartei/Errors.h"
#include "tools/EngineFailure.h"
#include "tools/ToolError.h"

namespace kartei::tools {

TCommand::TCommand(std::string name, std::string summary, TArgumentParser parser)
    : name_(std::move(name)), summary_(std::move(summary)), parser_(std::move(parser)) {}

std::string TCommand::Help() const {
    return parser_.Help("kartei " + name_);
}

int TCommand::Run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
    const std::string prefix = "kartei " + name_ + ": ";
    try {
        const TParsedArguments parsed = parser_.Parse(arguments);
        if (parsed.HelpWanted) {
            out << Help();
            return ExitStatus::Ok;
        }
        return Execute(parsed, out, err);
    } catch (const EToolError& error) {
        err << prefix << error.what() << '\n';
        if (error.Status() == ExitStatus::Usage) {
            err << "Try 'kartei " << name_ << " --help'.\n";
        }
        return error.Status();
    } catch (const EKarteiEngineError& error) {
        err << prefix << EngineMessage(error) << '\n';
        return EngineFailureStatus(error);
    } catch (const std::exception& error) {
        err << prefix << error.what() << '\n';
        return ExitStatus::BadInput;
    }
}

}  // namespace kartei::tools
