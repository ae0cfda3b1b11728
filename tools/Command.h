#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

#include "tools/Arguments.h"

namespace kartei::tools {

// One subcommand of the tool. Run parses the arguments, answers --help, executes, and turns every failure
// into one line on `err` ("kartei NAME: message") and an exit status (ToolError.h).
class TCommand {
public:
    virtual ~TCommand() = default;
    TCommand(const TCommand&) = delete;
    TCommand& operator=(const TCommand&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& Summary() const { return summary_; }
    std::string Help() const;

    int Run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);

protected:
    TCommand(std::string name, std::string summary, TArgumentParser parser);
    TArgumentParser& Parser() { return parser_; }

    // The exit status; failures are raised (EToolError, engine errors).
    virtual int Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream& err) = 0;

private:
    std::string name_;
    std::string summary_;
    TArgumentParser parser_;
};

}  // namespace kartei::tools
